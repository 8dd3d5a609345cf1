#pragma once

#include <FreeImage.h>

#include "imageio/freeimage_base.h"

namespace orrisbay::slots {

// How much of each pixel of the merged texture the two layers cover
// together: a = 255 - (255 - m1)(255 - m2) / 255, rounded to the nearest,
// from both masks brought to `width` x `height` as the merge brings them
// (bicubic, then 8-bit grey). Black where neither layer shows. An 8-bit grey
// bitmap; empty when a mask cannot be rescaled or made grey.
freeimage_base::Bitmap MergedCoverage(const FIBITMAP* mask1, const FIBITMAP* mask2, unsigned width,
                                      unsigned height);

}  // namespace orrisbay::slots
