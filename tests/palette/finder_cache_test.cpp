// Finders kept for reuse convert as a finder made afresh does, however the
// palettes, allowed colours and metrics asked for alternate.
#include "palette/finder_cache.h"

#include "palette/palette_conversion.h"
#include "support/image_files.h"

namespace orrisbay::quake_palette {
namespace {

TEST(FinderCacheTest, KeptFindersAnswerForTheirOwnPaletteColoursAndMetric) {
    Palette game = *ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
    Palette reversed;  // the same colours at other indices
    std::copy(game.colours.rbegin(), game.colours.rend(), reversed.begin());
    const freeimage_base::Bitmap texture = orrisbay::testing::RandomTexture(64, 64, 3);
    KeepFinders(2);
    for (const Palette* palette : {&game, &reversed, &game, &game, &reversed}) {
        for (const bool fullbrights : {false, true, false}) {
            for (const ColourMetric metric : {ColourMetric::Rgb, ColourMetric::Perceptual}) {
                const IndexSet allowed =
                    PictureIndices(kQuakeFullbrightCount, fullbrights, false).ordinary;
                const NearestColourFinder fresh(*palette, allowed, metric);
                ConversionOptions options;
                options.allowFullbrights = fullbrights;
                options.metric = metric;
                EXPECT_TRUE(orrisbay::testing::SamePixels(
                    ConvertToQuakePalette(texture.get(), *palette, options).get(),
                    ConvertToPalette(texture.get(), fresh, false).get()));
            }
        }
    }
    KeepFinders(0);
}

}  // namespace
}  // namespace orrisbay::quake_palette
