// Finders kept for reuse answer for the palette and the colours they were
// asked for, however the requests alternate: each conversion is checked
// against the nearest colour found by trying every entry.
#include "palette/finder_cache.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orrisbay::quake_palette {
namespace {

int Channel(ColourValue colour, int shift) {
    return static_cast<int>((colour >> shift) & 0xFF);
}

int Nearest(const Palette& palette, int count, const BYTE* pixel) {
    std::uint32_t best = UINT32_MAX;
    int index = 0;
    for (int i = 0; i < count; ++i) {
        const ColourValue c = palette[static_cast<std::size_t>(i)];
        const std::uint32_t d =
            ColourDistance(pixel[FI_RGBA_RED], pixel[FI_RGBA_GREEN], pixel[FI_RGBA_BLUE],
                           Channel(c, 0), Channel(c, 8), Channel(c, 16));
        if (d < best) {
            best = d;
            index = i;
        }
    }
    return index;
}

TEST(FinderCacheTest, KeptFindersAnswerForTheirOwnPaletteAndColours) {
    freeimage_base::InitialiseImageLibrary();
    Palette game = ReadPaletteFile(ORRISBAY_SOURCE_PALETTE).PaletteColors;
    Palette reversed = game;  // another palette of the same colours
    std::reverse(reversed.begin(), reversed.end());
    freeimage_base::Bitmap texture(FreeImage_Allocate(32, 32, 24));
    for (int y = 0; y < 32; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(texture.get(), y);
        for (int x = 0; x < 32; ++x, pixel += 3) {
            pixel[FI_RGBA_RED] = static_cast<BYTE>(8 * x);
            pixel[FI_RGBA_GREEN] = static_cast<BYTE>(8 * y);
            pixel[FI_RGBA_BLUE] = static_cast<BYTE>(255 - 4 * (x + y));
        }
    }
    KeepFinders(2);
    for (const Palette* palette : {&game, &reversed, &game, &game, &reversed, &game}) {
        for (const bool fullbrights : {false, true, false}) {
            const auto indexed =
                ConvertToQuakePalette(texture.get(), *palette, {false, fullbrights});
            const int count = fullbrights ? 256 : kFirstFullbright;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    ASSERT_EQ(
                        FreeImage_GetScanLine(indexed.get(), y)[x],
                        Nearest(*palette, count, FreeImage_GetScanLine(texture.get(), y) + 3 * x))
                        << "fullbrights " << fullbrights;
                }
            }
        }
    }
    KeepFinders(0);
}

}  // namespace
}  // namespace orrisbay::quake_palette
