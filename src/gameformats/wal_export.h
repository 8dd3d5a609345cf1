#pragma once

#include <optional>
#include <vector>

#include "console/result.h"
#include "gameformats/grid_fit.h"
#include "gameformats/texture_export.h"

namespace orrisbay::gameformats {

// The .wal branch of ExportTexture: writes the texture as a Quake II .wal at
// request.path, in the game's palette, named by its path below textures/.
Result<ExportWritten> ExportToWal(OutgoingTexture texture, const ExportRequest& request,
                                  const std::optional<quake_palette::Palette>& palette,
                                  const ExportAnswers& answers);

// The .wal branch of ExportQuestionsFor.
Result<std::vector<ExportQuestion>> WalQuestions(
    const FIBITMAP* fullColour, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette);

}  // namespace orrisbay::gameformats
