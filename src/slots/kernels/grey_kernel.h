#pragma once

#include <FreeImage.h>

#include "imageio/freeimage_base.h"

namespace orrisbay::slots {

// True for standard 24- and 32-bit bitmaps, the colour masks the slot table
// and the merge turn into greyscale.
bool GreyKernelHandles(const FIBITMAP* source);

// An 8-bit greyscale copy of `source`, byte for byte what the library's
// FreeImage_ConvertToGreyscale gives, computed in bands of rows on up to
// `threads` threads. Empty when the source is not handled or memory runs out.
freeimage_base::Bitmap ConvertToGrey8(const FIBITMAP* source, unsigned threads);

}  // namespace orrisbay::slots
