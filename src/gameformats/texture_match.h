#pragma once

#include <FreeImage.h>

#include "gameformats/mip_texture.h"

namespace orrisbay::gameformats {

// True when `picture` (any standard bitmap) shows, at full size, exactly the
// texture `stored` of a WAD of `kind`: the same size, every pixel the colour
// its index has (in `gamePalette` for WAD2, the texture's own for WAD3) and,
// in a see-through texture, holes (index 255) exactly where `mask` (of the
// picture's size, any depth; null for none) is below `threshold`. Such a
// picture, remade into a texture, would only lose the levels it holds.
bool ShowsTexture(const FIBITMAP* picture, const FIBITMAP* mask, int threshold,
                  const MipTexture& stored, WadKind kind,
                  const quake_palette::Palette& gamePalette);

}  // namespace orrisbay::gameformats
