#pragma once

#include <FreeImage.h>

#include <array>
#include <optional>

#include "gameformats/mip_texture.h"
#include "imageio/freeimage_base.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// The mip levels a WAD gets for a texture, as pictures to look at.
struct MipLevels {
    // 8-bit bitmaps whose colour table is the palette, full size first.
    std::array<freeimage_base::Bitmap, kMipLevels> levels;
    bool rescaled = false;  // the texture was off the 16-pixel grid and rescaled first
};

// Makes the mip levels of `fullColour` with the same code and options a WAD
// export uses; a texture off the 16-pixel grid is first rescaled to the
// nearest multiples of 16, as the export does when the user agrees; `glow`
// (any size, or null) says where it glows, as for the export. Empty when
// there is no texture or the library cannot rescale or convert it.
std::optional<MipLevels> MakeMipLevels(const FIBITMAP* fullColour,
                                       quake_palette::ConversionOptions options,
                                       const quake_palette::Palette& palette,
                                       const FIBITMAP* glow = nullptr);

}  // namespace orrisbay::gameformats
