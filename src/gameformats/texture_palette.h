#pragma once

#include "gameformats/linear_mips.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// The palette of one WAD3 texture, shared by its four mip levels: entries 0 to
// 254 are chosen from the pixels of every level that are not see-through,
// exactly when they hold no more than 255 colours, otherwise by the image
// library's neural-net quantizer; entry 255 is the see-through blue.
quake_palette::Palette ChooseTexturePalette(const LinearLevels& levels);

// The first of the entries a glowing Half-Life texture ("~" names) keeps for
// its glowing pixels; they run to 255, as Quake's fullbrights do.
inline constexpr std::size_t kFirstGlowingEntry = quake_palette::kFirstFullbright;

// The palette of a glowing Half-Life texture, from the same levels and the
// glowing flags of each (as MaskLevels gives them): entries 0 to 223 are
// chosen, as above, from the pixels of every level that do not glow, 224 to
// 255 from those that do. Such a texture has no holes, so 255 is a colour
// like the others. A half whose pixels are too few to fill it (none at all
// when the mask glows everywhere or nowhere) ends in black entries no pixel
// takes.
quake_palette::Palette ChooseGlowingTexturePalette(
    const LinearLevels& levels, const std::array<std::vector<bool>, kMipLevels>& glowing);

}  // namespace orrisbay::gameformats
