#pragma once

#include <FreeImage.h>

#include "imageio/freeimage_base.h"

namespace orrisbay::slots {

// True for the bitmaps RescaleBicubic handles: standard bitmaps of 24 or 32
// bits, and 8-bit ones with a rising or falling grey palette and no
// transparency. Others (colour palettes, 1, 4 and 16 bits, other pixel
// types) are for the library's own rescale.
bool RescaleKernelHandles(const FIBITMAP* source);

// `source` resampled to width x height, byte for byte what the library's
// FreeImage_Rescale(source, width, height, FILTER_BICUBIC) gives, computed in
// bands of output rows on up to `threads` threads. The same size is a copy.
// Empty when the source is not handled, a side is 0, or memory runs out.
freeimage_base::Bitmap RescaleBicubic(const FIBITMAP* source, unsigned width, unsigned height,
                                      unsigned threads);

}  // namespace orrisbay::slots
