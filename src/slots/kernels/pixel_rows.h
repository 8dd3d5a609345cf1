#pragma once

// Row kernels of the greyscale conversion and the composite, compiled for
// every instruction set the vector library offers and dispatched at run time
// to the best one the processor has; every target gives the same bytes, those
// of the image library.

#include <FreeImage.h>

#include <cstddef>

namespace orrisbay::slots::simd {

// Grey levels of `width` pixels of 3 or 4 bytes (blue, green, red first), by
// the library's Rec. 709 weights in single precision.
void GreyRow(const BYTE* pixels, unsigned bytesPerPixel, std::size_t width, BYTE* grey);

// One row of each layer (3 or 4 bytes a pixel, blue, green, red first) and
// of its 8-bit mask.
struct CompositeSources {
    const BYTE* layer1;
    unsigned layer1Bytes;
    const BYTE* mask1;
    const BYTE* layer2;
    unsigned layer2Bytes;
    const BYTE* mask2;
};

// One row of the merge: each layer takes its mask as alpha (a 24-bit layer
// as its 32-bit copy would); layer 1 goes over black and layer 2 over that,
// with the library's integer blend, into a 24-bit row.
void CompositeRow(const CompositeSources& row, std::size_t width, BYTE* result);

// The name of the instruction set the kernels run on.
const char* TargetName();

}  // namespace orrisbay::slots::simd
