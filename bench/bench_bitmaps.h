#pragma once

#include "imageio/freeimage_base.h"

namespace orrisbay::bench {

// A square bitmap with a simple gradient, so the rescale and the picture
// scaling have real data to filter.
freeimage_base::Bitmap Gradient(int side, int bpp);

// A square bitmap of pseudo-random bytes, the same on every run.
freeimage_base::Bitmap Noise(int side, int bpp);

// A 24-bit texture made of `tile` (24 bits, square) repeated to `side`,
// warped and shaded by smooth noise so that it does not visibly repeat.
freeimage_base::Bitmap WarpedLayer(const FIBITMAP* tile, int side, unsigned seed);

// A grey mask stored in 24 bits, as paint programs save one: smooth noise
// through a soft threshold, mostly black or white with soft edges between.
freeimage_base::Bitmap PaintedMask(int side, unsigned seed);

}  // namespace orrisbay::bench
