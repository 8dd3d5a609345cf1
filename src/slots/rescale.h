#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <optional>
#include <variant>

#include "imageio/freeimage_base.h"

namespace orrisbay::slots {

// A requested side length: absent, a whole number of pixels, or a
// fractional scale factor of the source's current side.
struct Absent {};
using SizeArgument = std::variant<Absent, std::int64_t, double>;

// `source` resampled to exactly width x height through `filter`, byte for
// byte as FreeImage_Rescale makes it: by our own kernel on up to `threads`
// threads for the bicubic filter and the bitmaps the kernel handles, by the
// library otherwise. Empty when no bitmap could be made.
freeimage_base::Bitmap ResizeBitmap(const FIBITMAP* source, int width, int height,
                                    FREE_IMAGE_FILTER filter, unsigned threads);

// Makes a resized copy of `source` with ResizeBitmap.
//
// Each side is given in pixels or as a factor (with `percent`, a factor is a
// percentage); a side that is absent or works out to 0 or less is derived from
// the other through the source's aspect ratio. When both are missing, a size
// does not fit 32 bits, or the library's rescale yields nothing, no rescale
// takes place.
//
// Ownership: when a new bitmap was made it is returned, and `source` is
// unloaded (left empty) if `releaseSource` is set. When no rescale took place,
// the source's own handle is moved into the result unreleased, whatever
// `releaseSource` says, and `source` is left empty; compare handles to tell
// the two cases apart.
freeimage_base::Bitmap RescaleBitmap(freeimage_base::Bitmap& source, SizeArgument width,
                                     SizeArgument height, bool percent, bool releaseSource,
                                     FREE_IMAGE_FILTER filter, unsigned threads = 1);

}  // namespace orrisbay::slots
