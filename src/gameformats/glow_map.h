#pragma once

#include <FreeImage.h>

#include <string>

#include "console/result.h"
#include "imageio/freeimage_base.h"
#include "palette/palette_conversion.h"

// The glow map engines with external textures load beside a texture: what
// glows in full colour, the rest black.
namespace orrisbay::gameformats {

// "DIR/NAME_glow.png" for the output "DIR/NAME.EXT".
std::string GlowMapPath(const std::string& outputPath);

// The pixels of `colour` where `glow` (8-bit grey of its size) is at least
// 128, on black, as a 24-bit picture.
freeimage_base::Bitmap MakeGlowMap(const FIBITMAP* colour, const FIBITMAP* glow);

// `fullColour` in `palette` as a picture output converts it (see
// quake_palette::ConvertPicture), with `glow` (any size, or null) scaled to it.
Result<freeimage_base::Bitmap> ConvertWithGlowMask(const FIBITMAP* fullColour,
                                                   const quake_palette::Palette& palette,
                                                   const quake_palette::ConversionOptions& options,
                                                   const FIBITMAP* glow);

// MakeGlowMap written to `path` as a PNG, beside it first and renamed into place.
Result<void> WriteGlowMap(const FIBITMAP* colour, const FIBITMAP* glow, const std::string& path);

}  // namespace orrisbay::gameformats
