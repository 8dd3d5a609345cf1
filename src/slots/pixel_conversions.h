#pragma once

#include <FreeImage.h>

#include "imageio/freeimage_base.h"

namespace orrisbay::slots {

// True for an 8-bit greyscale bitmap: the only kind of source the library
// accepts as an alpha channel.
bool IsGreyscale8(const FIBITMAP* bitmap);

// An 8-bit greyscale copy of a bitmap of any pixel type the library can
// bring to a standard bitmap, as the library makes it (24- and 32-bit ones by
// our own kernel on up to `threads` threads); empty when it cannot.
freeimage_base::Bitmap ToGreyscale8(const FIBITMAP* bitmap, unsigned threads = 1);

// A 32-bit copy of a colour layer; empty when the library cannot make one.
freeimage_base::Bitmap LayerTo32Bits(const FIBITMAP* bitmap);

}  // namespace orrisbay::slots
