#include "gameformats/mip_levels.h"

#include <cstring>

#include "gameformats/grid_fit.h"
#include "gameformats/texture_maker.h"
#include "gameformats/texture_rules.h"

namespace orrisbay::gameformats {

namespace {

using freeimage_base::Bitmap;

// An 8-bit bitmap of `indices` (rows from the top down, as the game stores
// them) with `palette` as its colour table.
Bitmap IndexedBitmap(const std::vector<std::uint8_t>& indices, unsigned width, unsigned height,
                     const quake_palette::Palette& palette) {
    Bitmap bitmap(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 8));
    if (!bitmap) {
        return bitmap;
    }
    RGBQUAD* colours = FreeImage_GetPalette(bitmap.get());
    for (std::size_t i = 0; i < palette.size(); ++i) {
        colours[i].rgbRed = static_cast<BYTE>(palette[i]);
        colours[i].rgbGreen = static_cast<BYTE>(palette[i] >> 8);
        colours[i].rgbBlue = static_cast<BYTE>(palette[i] >> 16);
    }
    for (unsigned row = 0; row < height; ++row) {
        std::memcpy(FreeImage_GetScanLine(bitmap.get(), static_cast<int>(height - 1 - row)),
                    indices.data() + static_cast<std::size_t>(row) * width, width);
    }
    return bitmap;
}

}  // namespace

std::optional<MipLevels> MakeMipLevels(const FIBITMAP* fullColour,
                                       quake_palette::ConversionOptions options,
                                       const quake_palette::Palette& palette,
                                       const FIBITMAP* glow) {
    if (fullColour == nullptr) {
        return std::nullopt;
    }
    MipLevels made;
    Bitmap rescaled;
    const FIBITMAP* texture = fullColour;
    if (!IsWadTextureSize(freeimage_base::Width(texture), freeimage_base::Height(texture))) {
        rescaled = RescaleToMultipleOf16(texture);
        texture = rescaled.get();
        made.rescaled = true;
    }
    Bitmap glowOfSize;
    if (glow != nullptr) {
        Result<Bitmap> grey =
            GreyMaskOfSize(glow, freeimage_base::Width(texture), freeimage_base::Height(texture));
        if (!grey) {
            return std::nullopt;
        }
        glowOfSize = std::move(*grey);
    }
    const auto wad = MakeMipTexture(texture, nullptr, "mips", WadKind::Wad2,
                                    {options, 128, glowOfSize.get()}, palette);
    if (!wad) {
        return std::nullopt;
    }
    for (int level = 0; level < kMipLevels; ++level) {
        Bitmap& bitmap = made.levels[static_cast<std::size_t>(level)];
        bitmap = IndexedBitmap(wad->mips[static_cast<std::size_t>(level)], wad->width >> level,
                               wad->height >> level, palette);
        if (!bitmap) {
            return std::nullopt;
        }
    }
    return made;
}

}  // namespace orrisbay::gameformats
