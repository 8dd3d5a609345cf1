#include "slots/kernels/row_bands.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "slots/parallel_for.h"

namespace orrisbay::slots {

namespace {

constexpr unsigned kBandsPerThread = 4;

unsigned RoundUp(unsigned value, unsigned multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

}  // namespace

unsigned BandRows(unsigned height, std::size_t rowBytes, unsigned threads, std::size_t bandBytes,
                  unsigned multiple) {
    const unsigned bands = kBandsPerThread * std::max(1U, threads);
    const unsigned even = RoundUp(std::max(1U, (height + bands - 1) / bands), multiple);
    const std::size_t fitting =
        bandBytes / std::max<std::size_t>(1, rowBytes) / multiple * multiple;
    return static_cast<unsigned>(
        std::min<std::size_t>(even, std::max<std::size_t>(multiple, fitting)));
}

bool ForEachBand(unsigned height, unsigned rows, unsigned threads,
                 const std::function<void(RowRange)>& band) {
    rows = std::max(1U, rows);
    std::atomic<bool> outOfMemory{false};
    ParallelFor(threads, (height + rows - 1) / rows, [&](std::size_t index) {
        const unsigned first = static_cast<unsigned>(index) * rows;
        try {
            band({first, std::min(height, first + rows)});
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    });
    return !outOfMemory;
}

}  // namespace orrisbay::slots
