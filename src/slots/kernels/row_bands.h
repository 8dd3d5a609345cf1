#pragma once

#include <cstddef>
#include <functional>

namespace orrisbay::slots {

// Rows [first, end) of a bitmap, counted as the library stores them, from the
// bottom.
struct RowRange {
    unsigned first;
    unsigned end;
};

// Rows per band for `height` rows of `rowBytes` bytes on `threads` threads:
// a few bands per thread, each of a multiple of `multiple` rows and not much
// more than `bandBytes` bytes.
unsigned BandRows(unsigned height, std::size_t rowBytes, unsigned threads, std::size_t bandBytes,
                  unsigned multiple);

// Calls `band` for consecutive bands of `rows` rows covering [0, height),
// spread over at most `threads` threads, and returns when all are done.
// False when a band ran out of memory.
bool ForEachBand(unsigned height, unsigned rows, unsigned threads,
                 const std::function<void(RowRange)>& band);

}  // namespace orrisbay::slots
