#pragma once

#include <span>
#include <string>
#include <vector>

#include "console/result.h"
#include "gameformats/texture_glow.h"
#include "gameformats/wad_file.h"

// Finding the glowing pixels of a WAD's textures, and turning them into
// ordinary colours in place.
namespace orrisbay::gameformats {

// Reads the WAD at `path` and tallies the glowing pixels of every Quake
// texture in it. A Half-Life WAD3 is read but not looked into: its textures
// carry their own colours, none of which the game draws at full brightness;
// a warning says so.
Result<FullbrightCheck> CheckWadFullbrights(const std::string& path, int fullbrightCount);

// Remaps the glowing pixels that `request` chooses in the textures `names` of
// `wad` (see RemoveGlow), in every mip level, to the nearest ordinary colour
// of `palette`. Every other byte of every lump stays as it is. Fails, leaving
// `wad` as it was, when a name is no texture of it or `wad` is a WAD3.
Result<std::vector<GlowRemoved>> RemoveWadGlow(WadFile& wad, std::span<const std::string> names,
                                               const GlowRemovalRequest& request,
                                               const quake_palette::Palette& palette,
                                               int fullbrightCount);

// The same on the WAD at `path`, written back whole beside itself and renamed
// into place (see WriteWadFile) when any pixel changed; left untouched when
// none did or anything failed.
Result<std::vector<GlowRemoved>> RemoveGlowInWadFile(const std::string& path,
                                                     std::span<const std::string> names,
                                                     const GlowRemovalRequest& request,
                                                     const quake_palette::Palette& palette,
                                                     int fullbrightCount);

}  // namespace orrisbay::gameformats
