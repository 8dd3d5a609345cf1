#pragma once

#include <FreeImage.h>

#include <optional>
#include <string>
#include <vector>

#include "console/result.h"
#include "gameformats/bsp_edit.h"
#include "gameformats/grid_fit.h"
#include "gameformats/texture_export.h"
#include "gameformats/texture_maker.h"

namespace orrisbay::gameformats {

// A texture to put into a compiled map in place of one it stores.
struct MapTextureRequest {
    std::string path;          // the map
    std::string textureName;   // as the map names it; case does not matter
    TextureOptions options{};  // conversion and see-through threshold, as for a WAD
    bool allowResize = false;  // replace a texture of another size too
};

// Puts the full-colour texture into the map at request.path in place of the
// texture it stores under that name, made as a WAD texture of the map's kind
// is (MakeMipTexture: the game's palette for a Quake map, which `palette`
// must then hold; a palette of its own for a Half-Life map), with holes where
// `coverage` (null for none) is below the threshold in a see-through texture.
// Refused, the map untouched: a map that cannot be read or is damaged; a
// texture it does not name or keeps only in a WAD; another size without
// request.allowResize; a picture off the 16-pixel grid. A picture that shows
// exactly the texture the map holds changes nothing and writes nothing.
// Otherwise the map is written whole beside the old one and renamed into
// place; every byte that is not the texture's stays as it was.
Result<BspTextureChange> ExportToMap(const FIBITMAP* fullColour, const FIBITMAP* coverage,
                                     const MapTextureRequest& request,
                                     const std::optional<quake_palette::Palette>& palette);

// The .bsp branch of ExportTexture: request.textureName's texture in the map
// at request.path replaced as ExportTexture describes.
Result<ExportWritten> ExportMapTexture(OutgoingTexture texture, const ExportRequest& request,
                                       const std::optional<quake_palette::Palette>& palette,
                                       const ExportAnswers& answers);

// The .bsp branch of ExportQuestionsFor: the rescale to the map's texture's
// size when the texture is of another, or, with request.allowResize, to the
// 16-pixel grid when it is off it. A map's texture is replaced without a
// question: the map holds it to be replaced.
Result<std::vector<ExportQuestion>> MapQuestions(
    const FIBITMAP* fullColour, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette);

}  // namespace orrisbay::gameformats
