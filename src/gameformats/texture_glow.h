#pragma once

#include <FreeImage.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "console/result.h"
#include "gameformats/fullbright_pixels.h"
#include "gameformats/wad_file.h"

// What the checks and glow removals of a WAD and of a map share: the tally of
// a file's textures, and one texture's glowing pixels turned ordinary.
namespace orrisbay::gameformats {

// What a check of a file's textures found.
struct FullbrightCheck {
    WadKind kind = WadKind::Wad2;          // the kind of texture the file holds
    std::size_t textures = 0;              // the textures looked into
    std::vector<FullbrightTally> glowing;  // those with glowing pixels, in the file's order
    std::size_t elsewhere = 0;             // a map's textures it only names, kept in a WAD

    // Looks into `texture`: counts it, and keeps its tally when it glows.
    void Add(const MipTexture& texture, int fullbrightCount);
};

// The reason a Half-Life file has no glow: "a Half-Life WAD3" or "a Half-Life map".
std::string NoGlowIn(const std::string& what);

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
    std::size_t Total() const { return changed[0] + InSmallerMips(); }
};

// True when any pixel of any of `removed` changed.
bool AnyRemoved(std::span<const GlowRemoved> removed);

// Remaps the glowing pixels of `texture` that `request` chooses (see
// RemoveGlow) to `ordinary[index]` (see NearestOrdinaryColours). Fails,
// leaving `texture` as it was, when the mask cannot be brought to its size.
Result<GlowRemoved> RemoveTextureGlow(MipTexture& texture, const GlowRemovalRequest& request,
                                      const std::array<std::uint8_t, 256>& ordinary,
                                      int fullbrightCount);

}  // namespace orrisbay::gameformats
