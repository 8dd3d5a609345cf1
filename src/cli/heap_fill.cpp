#include "cli/heap_fill.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

#include "cli/sanitized.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace orrisbay::cli {

#if defined(__GLIBC__) && !defined(ORRISBAY_SANITIZED)
namespace {

// Asks the kernel to fill [from, to) with pages, split among `threads`.
void Populate(std::uintptr_t from, std::uintptr_t to, unsigned threads) {
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t share = ((to - from) / std::max(1U, threads) + page - 1) / page * page;
    std::vector<std::thread> workers;
    for (std::uintptr_t first = from; first < to; first += share) {
        const std::uintptr_t last = std::min(to, first + share);
        // An older kernel refuses the advice; the pages are then faulted in as used.
        workers.emplace_back([first, last] {
            madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
#else
    (void)from, (void)to, (void)threads;
#endif
}

}  // namespace

void FaultInAhead(std::uint64_t bytes, unsigned threads) {
    constexpr std::uint64_t kWorthIt = std::uint64_t{64} << 20;
    if (bytes < kWorthIt || bytes > SIZE_MAX / 4) {
        return;
    }
    const std::size_t mappedBefore = mallinfo2().hblkhd;
    void* block = std::malloc(static_cast<std::size_t>(bytes));
    if (block == nullptr) {
        return;
    }
    // A block mapped for itself would be unmapped again when freed.
    if (mallinfo2().hblkhd == mappedBefore) {
        const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        const auto start = reinterpret_cast<std::uintptr_t>(block);
        Populate((start + page - 1) / page * page, (start + bytes) / page * page, threads);
    }
    std::free(block);
}
#else
// Another C library's heap, or a sanitizer's: the pages come as they are used.
void FaultInAhead(std::uint64_t, unsigned) {}
#endif

}  // namespace orrisbay::cli
