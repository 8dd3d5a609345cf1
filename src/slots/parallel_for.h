#pragma once

#include <cstddef>
#include <functional>

namespace orrisbay::slots {

// The machine's cores (hardware threads), at least 1.
unsigned MachineThreads();

// Calls `body(i)` once for every i in 0..count-1, spread over at most
// `threads` threads (the calling thread is one of them), and returns when all
// calls have finished. Threads live only inside this call. Indices are handed
// out in ascending order, so lower indices start first.
void ParallelFor(unsigned threads, std::size_t count, const std::function<void(std::size_t)>& body);

}  // namespace orrisbay::slots
