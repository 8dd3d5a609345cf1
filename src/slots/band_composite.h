#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <optional>

#include "slots/merge_steps.h"

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

// Bytes one thread holds at most while it works on a band of a width x
// height texture: the library's black canvas and two composites of the band,
// all 24-bit, which is also more than a band of our rescale keeps.
std::uint64_t BandWorkingBytes(unsigned width, unsigned height);

// The scaled layers and masks (32-bit and 8-bit greyscale, all the same size)
// and the 24-bit result they are merged into.
struct BandSources {
    FIBITMAP* layer1;
    FIBITMAP* layer2;
    FIBITMAP* mask1;
    FIBITMAP* mask2;
    FIBITMAP* result;
};

// Merges one band: each mask becomes its layer's alpha, layer 1 goes over a
// black canvas and layer 2 over that, into the same rows of the result. Every
// pixel comes out exactly as the merge of the whole bitmaps makes it. Returns
// the first step that failed, if one did.
std::optional<MergeStep> MergeBand(const BandSources& sources, RowBand band);

}  // namespace orrisbay::slots
