// The colour map checked against one worked out here from the palette file,
// read by the test's own parser and lit in floating point.
#include "palette/colour_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace orrisbay::quake_palette {
namespace {

struct Rgb {
    int r, g, b;
};

// The 256 colours of a JASC-PAL file: three head lines, then "R G B" lines.
std::array<Rgb, 256> ReadPaletteText(const std::string& path) {
    std::ifstream in(path);
    in.ignore(1000, '\n').ignore(1000, '\n').ignore(1000, '\n');
    std::array<Rgb, 256> colours{};
    for (Rgb& colour : colours) {
        in >> colour.r >> colour.g >> colour.b;
    }
    EXPECT_TRUE(in) << path;
    return colours;
}

// What an ordinary `index` is drawn as at `level`, by trying 0 to 254 in turn.
int ExpectedLit(const std::array<Rgb, 256>& colours, int level, int index) {
    const double scale = 2.0 - 2.0 * level / 63.0;
    const Rgb c = colours[static_cast<std::size_t>(index)];
    const double r = std::round(c.r * scale), g = std::round(c.g * scale),
                 b = std::round(c.b * scale);
    int best = 0;
    for (int i = 0; i <= 254; ++i) {
        const auto distance = [&](const Rgb& p) {
            return (r - p.r) * (r - p.r) + (g - p.g) * (g - p.g) + (b - p.b) * (b - p.b);
        };
        best = distance(colours[i]) < distance(colours[best]) ? i : best;
    }
    return best;
}

TEST(ColourMapTest, LevelsLightThePaletteAsTheGameDoesWithTheFullbrightsUnchanged) {
    const auto colours = ReadPaletteText(ORRISBAY_SOURCE_PALETTE);
    Palette palette{};
    for (std::size_t i = 0; i < 256; ++i) {
        palette[i] = MakeColour(colours[i].r, colours[i].g, colours[i].b);
    }
    for (const int fullbrights : {32, 0}) {
        const ColourMap map(palette, fullbrights);
        for (int level = 0; level < kLightLevels; ++level) {
            for (int index = 0; index < 256; ++index) {
                ASSERT_EQ(map.Lit(level, static_cast<std::uint8_t>(index)),
                          index >= 256 - fullbrights ? index : ExpectedLit(colours, level, index))
                    << "level " << level << ", index " << index << ", " << fullbrights;
            }
        }
    }
    // At normal light (a scale of 0.984) a colour comes out as itself, one equal
    // to it earlier in the palette, or a shade at most 4 steps away in all; in
    // darkness as black.
    const ColourMap map(palette, 32);
    for (std::uint8_t index = 0; index < 224; ++index) {
        const Rgb own = colours[index], lit = colours[map.Lit(kNormalLightLevel, index)];
        EXPECT_LE(std::abs(lit.r - own.r) + std::abs(lit.g - own.g) + std::abs(lit.b - own.b), 4);
        const Rgb dark = colours[map.Lit(kLightLevels - 1, index)];
        EXPECT_EQ(dark.r + dark.g + dark.b, 0) << int(index);
    }
}

}  // namespace
}  // namespace orrisbay::quake_palette
