#pragma once

#include "gameformats/linear_mips.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// The palette of one WAD3 texture, shared by its four mip levels: entries 0 to
// 254 are chosen from the pixels of every level that are not see-through,
// exactly when they hold no more than 255 colours, otherwise by the image
// library's neural-net quantizer; entry 255 is the see-through blue.
quake_palette::Palette ChooseTexturePalette(const LinearLevels& levels);

}  // namespace orrisbay::gameformats
