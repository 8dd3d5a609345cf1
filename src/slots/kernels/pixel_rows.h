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

// One row of the merge: each 32-bit layer takes its mask as alpha; layer 1
// goes over black and layer 2 over that, with the library's integer blend,
// into a 24-bit row.
void CompositeRow(const BYTE* layer1, const BYTE* mask1, const BYTE* layer2, const BYTE* mask2,
                  std::size_t width, BYTE* result);

// The name of the instruction set the kernels run on.
const char* TargetName();

}  // namespace orrisbay::slots::simd
