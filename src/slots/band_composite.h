#pragma once

#include <FreeImage.h>

#include <cstdint>

namespace orrisbay::slots {

// Rows [top, bottom) of a bitmap, counted from the top.
struct RowBand {
    unsigned top;
    unsigned bottom;
};

// Rows per band for the banded composite of a width x height texture on
// `threads` threads: at least four bands per thread where the height allows,
// and no band larger than about a mebibyte of 24-bit pixels.
unsigned BandRows(unsigned width, unsigned height, unsigned threads);

// Bytes one thread holds while it composites a band: two 24-bit band bitmaps.
std::uint64_t BandWorkingBytes(unsigned width);

// Which outcome a band reached: both composites made, or the one that failed.
enum class BandOutcome { Done, FirstCompositeFailed, SecondCompositeFailed };

// Makes one band of both composites: `layer1` over `canvas` into the same
// rows of `first`, then `layer2` over that into the same rows of `result`.
// All bitmaps have the same size; the layers are 32-bit with their alpha set,
// `canvas`, `first` and `result` 24-bit. Each pixel comes out exactly as a
// composite of the whole bitmaps would make it.
BandOutcome CompositeBand(FIBITMAP* layer1, FIBITMAP* layer2, FIBITMAP* canvas, FIBITMAP* first,
                          FIBITMAP* result, RowBand band);

}  // namespace orrisbay::slots
