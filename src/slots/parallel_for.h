#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace orrisbay::slots {

// The machine's cores (hardware threads), at least 1.
unsigned MachineThreads();

// Calls `body(i)` once for every i in 0..count-1, spread over at most
// `threads` threads (the calling thread is one of them), and returns when all
// calls have finished. Threads live only inside this call. Indices are handed
// out in ascending order, so lower indices start first.
void ParallelFor(unsigned threads, std::size_t count, const std::function<void(std::size_t)>& body);

// As ParallelFor over costs.size() calls, in ascending order, but call i
// starts only while the costs of the calls running with it stay within
// `budget`; a call costing more than the budget runs alone. Keeps large jobs
// (pictures being decoded, say) from holding their memory all at once.
void ParallelForWithin(unsigned threads, std::span<const std::uint64_t> costs, std::uint64_t budget,
                       const std::function<void(std::size_t)>& body);

}  // namespace orrisbay::slots
