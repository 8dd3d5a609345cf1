// Finders kept for reuse convert as a finder made afresh does, however the
// palettes and allowed colours asked for alternate.
#include "palette/finder_cache.h"

#include "support/image_files.h"

namespace orrisbay::quake_palette {
namespace {

TEST(FinderCacheTest, KeptFindersAnswerForTheirOwnPaletteAndColours) {
    Palette game = ReadPaletteFile(ORRISBAY_SOURCE_PALETTE).PaletteColors;
    Palette reversed;  // the same colours at other indices
    std::copy(game.rbegin(), game.rend(), reversed.begin());
    const freeimage_base::Bitmap texture = orrisbay::testing::RandomTexture(64, 64, 3);
    KeepFinders(2);
    for (const Palette* palette : {&game, &reversed, &game, &game, &reversed}) {
        for (const bool fullbrights : {false, true, false}) {
            const NearestColourFinder fresh(*palette, fullbrights);
            EXPECT_TRUE(orrisbay::testing::SamePixels(
                ConvertToQuakePalette(texture.get(), *palette, {false, fullbrights}).get(),
                ConvertToPalette(texture.get(), fresh, false).get()));
        }
    }
    KeepFinders(0);
}

}  // namespace
}  // namespace orrisbay::quake_palette
