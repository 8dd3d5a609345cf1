#pragma once

#include "imageio/freeimage_base.h"

namespace orrisbay::bench {

// A square bitmap with a simple gradient, so the rescale and the picture
// scaling have real data to filter.
freeimage_base::Bitmap Gradient(int side, int bpp);

// A square bitmap of pseudo-random bytes, the same on every run.
freeimage_base::Bitmap Noise(int side, int bpp);

}  // namespace orrisbay::bench
