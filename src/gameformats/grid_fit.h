#pragma once

#include <FreeImage.h>

#include <string_view>

#include "console/result.h"
#include "gameformats/texture_export.h"
#include "imageio/freeimage_base.h"

namespace orrisbay::gameformats {

// A texture on its way to a file, with its coverage and its glow mask (each
// of its size, or null), and the rescaled copies made for them.
struct OutgoingTexture {
    OutgoingTexture(const FIBITMAP* picture, const FIBITMAP* alpha,
                    const FIBITMAP* glowMask = nullptr)
        : colour(picture), coverage(alpha), glow(glowMask) {}

    const FIBITMAP* colour = nullptr;
    const FIBITMAP* coverage = nullptr;
    const FIBITMAP* glow = nullptr;
    freeimage_base::Bitmap rescaledColour;
    freeimage_base::Bitmap rescaledCoverage;
    freeimage_base::Bitmap rescaledGlow;
};

// `mask` (any standard bitmap) as 8-bit grey of `width` x `height`: scaled
// as the merge scales its masks (bicubic) when its size differs.
Result<freeimage_base::Bitmap> GreyMaskOfSize(const FIBITMAP* mask, unsigned width,
                                              unsigned height);

// Brings the glow mask, of any size, to the texture's as 8-bit grey.
Result<void> FitGlowToTexture(OutgoingTexture& texture);

// The question asked when `texture` is off the 16-pixel grid, or empty when
// it is on it; `required` when its file cannot hold it otherwise, `game`
// names whose textures they are.
std::optional<RescaleQuestion> GridQuestion(const FIBITMAP* texture, bool required,
                                            std::string_view game = "Quake");

// Rescales the texture, and its coverage and glow mask with it, to `width` x `height`
// (bicubic, as the merge does). Failed when the rescale made nothing.
Result<void> RescaleTo(OutgoingTexture& texture, int width, int height);

// Puts the texture (and its coverage and glow mask with it) on the 16-pixel grid when it is
// off it and `rescale` was agreed. Fails the export when the grid is
// `required` and the rescale was not agreed (NotOnGrid), or the rescale made
// nothing.
Result<void> FitToGrid(OutgoingTexture& texture, bool required, bool rescale,
                       std::string_view game = "Quake");

}  // namespace orrisbay::gameformats
