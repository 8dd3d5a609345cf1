#pragma once

#include <FreeImage.h>

namespace orrisbay::slots {

// How the merge treats each input, decided from the bitmap alone; the merge
// and its memory estimate both follow it.

// True for a layer the composite reads as it is, with no 32-bit copy: one
// our composite kernel takes. Any other layer is converted to 32 bits first.
bool LayerReadAsItIs(const FIBITMAP* layer);

// True when a bitmap needs no rescale to width x height: it has that size,
// and the library's rescale of it would be a plain copy.
bool KeepsItsSize(const FIBITMAP* bitmap, unsigned width, unsigned height);

// True for a mask our kernels do not rescale: its rescale and greyscale
// conversion are left to the library.
bool MaskLeftToLibrary(const FIBITMAP* mask);

}  // namespace orrisbay::slots
