#pragma once

#include <optional>

#include "gameformats/grid_fit.h"
#include "gameformats/texture_export.h"

namespace orrisbay::gameformats {

// The .wad branch of ExportTexture: puts the texture into the WAD at
// request.path (made when missing), as ExportTexture describes.
ExportResult ExportToWad(OutgoingTexture texture, const ExportRequest& request,
                         const std::optional<quake_palette::Palette>& palette,
                         const ExportQuestions& questions);

}  // namespace orrisbay::gameformats
