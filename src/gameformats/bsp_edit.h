#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/result.h"
#include "gameformats/bsp_file.h"
#include "gameformats/mip_texture.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// Edits of a map held in memory; write the result with WriteBspFile. Names
// are matched without regard to case, as the game matches them; `mapName`
// begins every message.

// What to do with a texture that the map keeps only in a WAD, when it was
// to be replaced.
inline constexpr std::string_view kUpdateTheWad = "update its WAD instead";

// The texture `name` as the map stores it. NotFound when the map names no
// such texture, or keeps it only in a WAD ("is not stored in the map: "
// followed by `advice`).
Result<MipTexture> StoredBspTexture(const BspFile& map, std::string_view name,
                                    const std::string& mapName,
                                    std::string_view advice = kUpdateTheWad);

// What replacing a texture did.
struct BspTextureChange {
    std::string name;  // as the map names it, which it keeps
    unsigned oldWidth = 0, oldHeight = 0;
    unsigned width = 0, height = 0;
    bool changed = false;  // false when the map held these very levels already
};

// Refuses a texture of `width` x `height` in place of `stored` (WrongUsage,
// naming both sizes: the faces' texture coordinates were laid out for the
// old one) unless the sizes agree or `allowResize`.
Result<void> CheckResize(const BspTexture& stored, unsigned width, unsigned height,
                         bool allowResize, const std::string& mapName);

// Puts `texture` (made for the map's kind of WAD) in place of every texture
// the map stores under `name`. At the same size only its levels and, in a
// Half-Life map, its palette are written; every other byte stays. A texture
// of another size is refused as CheckResize says; with `allowResize`, or
// when a palette of fewer colours leaves no room, the texture lump is laid out again, the lumps
// after it move and the directory follows. NotFound as StoredBspTexture.
Result<BspTextureChange> ReplaceBspTexture(BspFile& map, std::string_view name,
                                           const MipTexture& texture, bool allowResize,
                                           const std::string& mapName);

// What became of one texture of a WAD put into a map.
struct WadTextureOutcome {
    std::string name;  // the WAD's
    Result<BspTextureChange> result;
};

// Puts every texture of `wad` whose name the map has into the map, its
// levels and palette as the WAD holds them; one outcome per such texture, in
// the WAD's order. Refused when the WAD is of the other game's kind.
Result<std::vector<WadTextureOutcome>> ReplaceFromWad(BspFile& map, const WadFile& wad,
                                                      bool allowResize, const std::string& mapName,
                                                      const std::string& wadName);

// Writes the full-size level of the texture `name` as a picture at
// `picturePath` (its extension chooses the format), in `gamePalette` for a
// Quake map and in its own colours for a Half-Life map; index 255 of a
// see-through texture is transparent. The picture's failures are those of
// imageio::SaveImageFile.
Result<void> ExtractBspTexture(const BspFile& map, std::string_view name,
                               const quake_palette::Palette& gamePalette,
                               const std::string& picturePath, const std::string& mapName);

}  // namespace orrisbay::gameformats
