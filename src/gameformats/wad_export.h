#pragma once

#include <optional>
#include <vector>

#include "console/result.h"
#include "gameformats/grid_fit.h"
#include "gameformats/texture_export.h"

namespace orrisbay::gameformats {

// The .wad branch of ExportTexture: puts the texture into the WAD at
// request.path (made when missing), as ExportTexture describes.
Result<ExportWritten> ExportToWad(OutgoingTexture texture, const ExportRequest& request,
                                  const std::optional<quake_palette::Palette>& palette,
                                  const ExportAnswers& answers);

// The .wad branch of ExportQuestionsFor.
Result<std::vector<ExportQuestion>> WadQuestions(
    const FIBITMAP* fullColour, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette);

}  // namespace orrisbay::gameformats
