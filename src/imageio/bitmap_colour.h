#pragma once

#include <FreeImage.h>

#include "imageio/colour_profile.h"

namespace orrisbay::imageio {

// Converts `dib` in place from `profile` to sRGB, at the bitmap's own depth:
// 24- and 32-bit and 16-bit-per-channel pixels directly, palettes by their
// colours, and 8-bit grey pixels through their 256 levels (they stay grey
// when the converted levels are grey). Once converted, the bitmap no longer
// carries a profile of its own.
Result<bool> ConvertBitmapToSrgb(FIBITMAP* dib, ProfileBytes profile);

// The profile the image library attached to `dib` while loading it; empty
// when there is none.
ProfileBytes AttachedProfile(const FIBITMAP* dib);

}  // namespace orrisbay::imageio
