#pragma once

#include <FreeImage.h>

#include <string_view>

#include "gameformats/mip_texture.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

struct TextureOptions {
    quake_palette::ConversionOptions conversion;  // dithering, metric; fullbrights in WAD2
    int seeThroughThreshold = 128;                // mask values below it are see-through
    // The pixels where this grey mask (any bitmap of the texture's size) is
    // at least 128 glow. In a WAD2 they take only the game palette's
    // fullbright colours (its last `fullbrightCount`) and the others never
    // do; `conversion.allowFullbrights` then changes nothing. In a WAD3 only a
    // texture whose palette's last 32 entries glow ("~" names,
    // IsGlowingPaletteName) heeds it: its glowing pixels take 224 to 255 of
    // its own palette, chosen from them alone, and the others 0 to 223.
    const FIBITMAP* glow = nullptr;
    // The threads the mip levels are made on; 0: one per core.
    unsigned threads = 0;
};

// Makes the texture `name` for a WAD of `kind` from `fullColour`, whose sides
// must be multiples of 16. Every mip level is averaged from `fullColour` in
// linear light and then converted with the same options: to `gamePalette` in
// a WAD2, to a palette chosen for the texture in a WAD3. Index 255 is never
// chosen for a pixel that shows, save a glowing one in a glowing WAD3
// texture, which cannot be see-through. In a see-through texture (a name starting
// with "{"), the pixels where `mask` (any bitmap of the texture's size; null
// for none) is below the threshold become index 255 in every level, and
// dithering passes no error into or out of them. A mip pixel glows or is
// see-through when the mean of its block of the mask is.
Result<MipTexture> MakeMipTexture(const FIBITMAP* fullColour, const FIBITMAP* mask,
                                  std::string_view name, WadKind kind,
                                  const TextureOptions& options,
                                  const quake_palette::Palette& gamePalette);

}  // namespace orrisbay::gameformats
