#pragma once

#include <FreeImage.h>

#include <optional>

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

// Puts the texture (and its coverage with it) on the 16-pixel grid when it is
// off it and the caller agrees. Gives the result that ends the export when
// the grid is `required` and the caller said no, or the rescale failed.
// `game` names whose textures they are, for the question.
std::optional<ExportResult> FitToGrid(OutgoingTexture& texture, bool required,
                                      const ExportQuestions& questions,
                                      std::string_view game = "Quake");

}  // namespace orrisbay::gameformats
