#pragma once

#include <FreeImage.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "console/result.h"
#include "gameformats/fullbright_pixels.h"
#include "gameformats/wad_file.h"

// Finding the glowing pixels of a WAD's textures, and turning them into
// ordinary colours in place.
namespace orrisbay::gameformats {

// What a check of a WAD found.
struct WadFullbrights {
    WadKind kind = WadKind::Wad2;
    std::size_t textures = 0;              // the textures looked into
    std::vector<FullbrightTally> glowing;  // those with glowing pixels, in directory order
};

// Reads the WAD at `path` and tallies the glowing pixels of every Quake
// texture in it. A Half-Life WAD3 is read but not looked into: its textures
// carry their own colours, none of which the game draws at full brightness;
// a warning says so.
Result<WadFullbrights> CheckWadFullbrights(const std::string& path, int fullbrightCount);

// Which glowing pixels become ordinary colours.
enum class GlowRemoval {
    Specks,       // the isolated specks; clusters keep their glow
    All,          // every one
    OutsideMask,  // all but those where the mask is at least kKeepGlowLevel
};
inline constexpr int kKeepGlowLevel = 128;

struct GlowRemovalRequest {
    GlowRemoval removal = GlowRemoval::Specks;
    // For OutsideMask: any picture, made grey and, when its size differs,
    // scaled to each texture's as the merge scales masks (bicubic).
    const FIBITMAP* mask = nullptr;
};

// What became of one texture's glow.
struct GlowRemoved {
    std::string name;
    std::array<std::size_t, kMipLevels> changed{};  // pixels remapped, per mip level

    std::size_t InSmallerMips() const { return changed[1] + changed[2] + changed[3]; }
};

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
