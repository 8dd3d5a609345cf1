#pragma once

#include <FreeImage.h>

#include <string_view>

#include "console/result.h"
#include "gameformats/texture_export.h"
#include "imageio/freeimage_base.h"

namespace orrisbay::gameformats {

// A texture on its way to a file, with its coverage (or null), and the
// rescaled copies made for it.
struct OutgoingTexture {
    OutgoingTexture(const FIBITMAP* picture, const FIBITMAP* alpha)
        : colour(picture), coverage(alpha) {}

    const FIBITMAP* colour = nullptr;
    const FIBITMAP* coverage = nullptr;
    freeimage_base::Bitmap rescaledColour;
    freeimage_base::Bitmap rescaledCoverage;
};

// The question asked when `texture` is off the 16-pixel grid, or empty when
// it is on it; `required` when its file cannot hold it otherwise, `game`
// names whose textures they are.
std::optional<RescaleQuestion> GridQuestion(const FIBITMAP* texture, bool required,
                                            std::string_view game = "Quake");

// Puts the texture (and its coverage with it) on the 16-pixel grid when it is
// off it and `rescale` was agreed. Fails the export when the grid is
// `required` and the rescale was not agreed (NotOnGrid), or the rescale made
// nothing.
Result<void> FitToGrid(OutgoingTexture& texture, bool required, bool rescale,
                       std::string_view game = "Quake");

}  // namespace orrisbay::gameformats
