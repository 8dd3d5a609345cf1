// The colour map checked against one worked out here from the palette file,
// read by the test's own parser and lit in floating point.
#include "palette/colour_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

namespace orrisbay::quake_palette {
namespace {

struct Rgb {
    int r, g, b;
};

// The 256 colours of a JASC-PAL file: three head lines, then "R G B" lines.
std::array<Rgb, 256> ReadPaletteText(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    for (int i = 0; i < 3; ++i) {
        std::getline(in, line);
    }
    std::array<Rgb, 256> colours{};
    for (Rgb& colour : colours) {
        in >> colour.r >> colour.g >> colour.b;
    }
    EXPECT_TRUE(in) << path;
    return colours;
}

Palette AsPalette(const std::array<Rgb, 256>& colours) {
    Palette palette{};
    for (std::size_t i = 0; i < 256; ++i) {
        palette[i] = MakeColour(colours[i].r, colours[i].g, colours[i].b);
    }
    return palette;
}

// The index `index` is drawn as at `level`, by trying 0 to 254 in turn.
int ExpectedLit(const std::array<Rgb, 256>& colours, int firstFullbright, int level, int index) {
    if (index >= firstFullbright) {
        return index;
    }
    const double scale = 2.0 - 2.0 * level / 63.0;
    const Rgb c = colours[static_cast<std::size_t>(index)];
    const double r = std::floor(c.r * scale + 0.5), g = std::floor(c.g * scale + 0.5),
                 b = std::floor(c.b * scale + 0.5);
    int best = 0;
    double bestDistance = std::numeric_limits<double>::max();
    for (int i = 0; i <= 254; ++i) {
        const Rgb p = colours[static_cast<std::size_t>(i)];
        const double d = (r - p.r) * (r - p.r) + (g - p.g) * (g - p.g) + (b - p.b) * (b - p.b);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

TEST(ColourMapTest, EveryLevelLightsTheGamePaletteAsWorkedOutFromTheFile) {
    const auto colours = ReadPaletteText(ORRISBAY_SOURCE_PALETTE);
    for (const int fullbrights : {32, 0}) {
        const ColourMap map(AsPalette(colours), fullbrights);
        for (int level = 0; level < kLightLevels; ++level) {
            for (int index = 0; index < 256; ++index) {
                ASSERT_EQ(map.Lit(level, static_cast<std::uint8_t>(index)),
                          ExpectedLit(colours, 256 - fullbrights, level, index))
                    << "level " << level << ", index " << index << ", " << fullbrights;
            }
        }
    }
}

TEST(ColourMapTest, NormalLightKeepsColoursNearDarknessMakesThemBlackFullbrightsStay) {
    const auto colours = ReadPaletteText(ORRISBAY_SOURCE_PALETTE);
    const ColourMap map(AsPalette(colours), 32);
    for (int index = 0; index < 256; ++index) {
        const auto i = static_cast<std::uint8_t>(index);
        if (map.IsFullbright(i)) {
            for (int level = 0; level < kLightLevels; ++level) {
                ASSERT_EQ(map.Lit(level, i), i) << level;
            }
            continue;
        }
        // At normal light (a scale of 0.984) a colour comes out as itself, one equal
        // to it earlier in the palette, or a shade at most 4 steps away in all.
        const Rgb own = colours[i], lit = colours[map.Lit(kNormalLightLevel, i)];
        EXPECT_LE(std::abs(lit.r - own.r) + std::abs(lit.g - own.g) + std::abs(lit.b - own.b), 4)
            << index;
        const Rgb black = colours[map.Lit(kLightLevels - 1, i)];
        EXPECT_EQ(black.r + black.g + black.b, 0) << index;
    }
}

}  // namespace
}  // namespace orrisbay::quake_palette
