#pragma once

// The row kernel of height blending, compiled for every instruction set the
// vector library offers and dispatched at run time; every target gives the
// bytes of the formula worked in double precision, one operation at a time.

#include <FreeImage.h>

#include <cstddef>

#include "slots/merge_options.h"

namespace orrisbay::slots::simd {

// One row of what each layer's height is read from, and of mask 2.
struct HeightRowSources {
    const BYTE* height1;
    unsigned height1Bytes;  // 1: an 8-bit height map; 3 or 4: the layer's colours (blue first)
    const BYTE* height2;
    unsigned height2Bytes;
    const BYTE* mask2;
};

// One row of mask 2 remade by height blending, per pixel:
//   a = A2 / 255, h1 = s * Y1 / 255, h2 = s * Y2 / 255,
//   t1 = h1 + (1 - a), t2 = h2 + a, m = max(t1, t2) - d,
//   b1 = max(t1 - m, 0), b2 = max(t2 - m, 0),
//   A2' = round(255 * b2 / (b1 + b2)), halves away from zero,
// where Y = 0.2126 R + 0.7152 G + 0.0722 B of the stored levels, or the
// height map's grey level. Precondition: IsUsable(blend).
void HeightMaskRow(const HeightRowSources& row, const HeightBlend& blend, std::size_t width,
                   BYTE* mask);

}  // namespace orrisbay::slots::simd
