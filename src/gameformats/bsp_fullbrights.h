#pragma once

#include <span>
#include <string>
#include <vector>

#include "console/result.h"
#include "gameformats/bsp_file.h"
#include "gameformats/texture_glow.h"

// Finding the glowing pixels of the textures a compiled map stores, and
// turning them into ordinary colours in place, as in a WAD.
namespace orrisbay::gameformats {

// Reads the map at `path` and tallies the glowing pixels of every texture it
// stores; those it only names, kept in a WAD, are counted in `elsewhere` and
// not looked into. A Half-Life map is read but not looked into, as a WAD3 is;
// a warning says so.
Result<FullbrightCheck> CheckBspFullbrights(const std::string& path, int fullbrightCount);

// Remaps the glowing pixels that `request` chooses in every stored texture of
// `map` named one of `names` (see RemoveTextureGlow), in every mip level, to
// the nearest ordinary colour of `palette`. Only those pixels' bytes change.
// Fails, leaving `map` as it was, when the map does not store a name (see
// StoredBspTexture) or is a Half-Life map.
Result<std::vector<GlowRemoved>> RemoveBspGlow(BspFile& map, std::span<const std::string> names,
                                               const GlowRemovalRequest& request,
                                               const quake_palette::Palette& palette,
                                               int fullbrightCount, const std::string& mapName);

// The same on the map at `path`, written back through WriteBspFile when any
// pixel changed; left untouched when none did or anything failed.
Result<std::vector<GlowRemoved>> RemoveGlowInBspFile(const std::string& path,
                                                     std::span<const std::string> names,
                                                     const GlowRemovalRequest& request,
                                                     const quake_palette::Palette& palette,
                                                     int fullbrightCount);

}  // namespace orrisbay::gameformats
