// Textures made for WADs: see-through holes, mips in linear light, names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <vector>

#include "gameformats/linear_mips.h"
#include "gameformats/texture_maker.h"
#include "gameformats/texture_names.h"
#include "gameformats/wad2_reader.h"
#include "support/image_files.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;
using quake_palette::ColourValue;

// A 24-bit picture of one colour, or an 8-bit grey one of one level.
Bitmap Filled(int width, int height, int bpp, ColourValue colour) {
    Bitmap dib(FreeImage_Allocate(width, height, bpp));
    for (int y = 0; y < height; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(dib.get(), y);
        for (int x = 0; x < width; ++x, pixel += bpp / 8) {
            pixel[0] = static_cast<BYTE>(colour);
            if (bpp == 24) {
                pixel[FI_RGBA_RED] = static_cast<BYTE>(colour);
                pixel[FI_RGBA_GREEN] = static_cast<BYTE>(colour >> 8);
                pixel[FI_RGBA_BLUE] = static_cast<BYTE>(colour >> 16);
            }
        }
    }
    return dib;
}

// Paints the pixels at columns [x0, x1) and rows [y0, y1), counted from the top.
void Paint(FIBITMAP* dib, int x0, int x1, int y0, int y1, BYTE value) {
    const int height = static_cast<int>(freeimage_base::Height(dib));
    const int bytes = static_cast<int>(freeimage_base::Bpp(dib)) / 8;
    for (int y = y0; y < y1; ++y) {
        std::fill_n(FreeImage_GetScanLine(dib, height - 1 - y) + x0 * bytes, (x1 - x0) * bytes,
                    value);
    }
}

class WadTextureTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { freeimage_base::InitialiseImageLibrary(); }
    const quake_palette::Palette game = *quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
};

// A grate of the one colour the palette has at 255 (pure blue in a WAD3),
// with a black hole of 11 x 32 pixels: a mip pixel is a hole where at least
// half its block is, and the black never darkens the grate around it.
TEST_F(WadTextureTest, AHoleIsIndex255InEveryMipAndNothingElseIs) {
    for (const WadKind kind : {WadKind::Wad2, WadKind::Wad3}) {
        const ColourValue grateColour = kind == WadKind::Wad3 ? kSeeThroughBlue : game[255];
        Bitmap grate = Filled(64, 64, 24, grateColour);
        Paint(grate.get(), 16, 27, 8, 40, 0);
        Bitmap mask = Filled(64, 64, 8, 255);
        Paint(mask.get(), 16, 27, 8, 40, 0);
        const TextureOptions options{{false, true}, 128};
        const auto made = MakeMipTexture(grate.get(), mask.get(), "{grate", kind, options, game);
        ASSERT_TRUE(made) << made.problem().message;
        const std::uint8_t solid = made.value().mips[0][0];
        EXPECT_NE(solid, 255);
        for (int level = 0; level < 4; ++level) {
            const int side = 64 >> level, block = 1 << level;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    int holes = 0;
                    for (int by = y * block; by < (y + 1) * block; ++by) {
                        for (int bx = x * block; bx < (x + 1) * block; ++bx) {
                            holes += bx >= 16 && bx < 27 && by >= 8 && by < 40;
                        }
                    }
                    const bool hole = 2 * holes >= block * block;
                    ASSERT_EQ(made.value().mips[level][y * side + x], hole ? 255 : solid)
                        << "level " << level << " at " << x << ", " << y;
                }
            }
        }
        if (kind == WadKind::Wad3) {
            EXPECT_EQ(made.value().palette[255], kSeeThroughBlue);
        }
    }
}

// Smooth colours, what dithering is for.
Bitmap Gradient(int width, int height) {
    Bitmap dib(FreeImage_Allocate(width, height, 24));
    for (int y = 0; y < height; ++y) {
        BYTE* p = FreeImage_GetScanLine(dib.get(), y);
        for (int x = 0; x < width; ++x, p += 3) {
            p[FI_RGBA_RED] = static_cast<BYTE>(x * 255 / (width - 1));
            p[FI_RGBA_GREEN] = static_cast<BYTE>(y * 255 / (height - 1));
            p[FI_RGBA_BLUE] = static_cast<BYTE>(255 - (x + y) * 255 / (width + height - 2));
        }
    }
    return dib;
}

std::uint64_t MipHash(const MipTexture& texture) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const auto& mip : texture.mips) {
        for (const std::uint8_t index : mip) {
            hash = (hash ^ index) * 1099511628211ull;
        }
    }
    return hash;
}

TEST_F(WadTextureTest, TodaysOptionsGiveTodaysMips) {
    // Hashes of the mips made before dither modes and glow masks existed.
    const struct {
        WadKind kind;
        bool dither, fullbrights;
        std::uint64_t hash;
    } cases[] = {
        {WadKind::Wad2, false, false, 0xf4ea796790a20142ull},
        {WadKind::Wad2, false, true, 0xe25292bdf5424f0eull},
        {WadKind::Wad2, true, false, 0x2c3b16d517be5643ull},
        {WadKind::Wad2, true, true, 0xe3d7ce3874d115bbull},
        {WadKind::Wad3, false, false, 0x04d76421659a70c7ull},
        {WadKind::Wad3, true, false, 0xc2e81aab584c19a4ull},
    };
    const Bitmap texture = Gradient(64, 32);
    for (const auto& c : cases) {
        const auto made = MakeMipTexture(texture.get(), nullptr, "grad", c.kind,
                                         {{c.dither, c.fullbrights}, 128}, game);
        ASSERT_TRUE(made);
        EXPECT_EQ(MipHash(*made), c.hash);
    }
}

// A glow mask over a see-through grate: in every mip and dithering mode the
// holes are 255, the glowing pixels 224 to 254, the others below 224.
TEST_F(WadTextureTest, GlowingMipPixelsTakeFullbrightsAndHolesStay255) {
    const Bitmap texture = Gradient(64, 64);
    Bitmap mask = Filled(64, 64, 8, 255), glow = Filled(64, 64, 8, 0);
    Paint(mask.get(), 40, 56, 0, 64, 0);
    Paint(glow.get(), 8, 32, 16, 48, 255);
    Paint(glow.get(), 44, 52, 0, 64, 255);  // glow inside a hole stays a hole
    using quake_palette::DitherMode;
    for (const DitherMode mode : {DitherMode::None, DitherMode::FloydSteinberg,
                                  DitherMode::Diffusion, DitherMode::Ordered}) {
        TextureOptions options;
        options.conversion.dithering = {mode, {}};
        options.conversion.allowFullbrights = true;  // changes nothing with a glow mask
        options.glow = glow.get();
        const auto made =
            MakeMipTexture(texture.get(), mask.get(), "{glow", WadKind::Wad2, options, game);
        ASSERT_TRUE(made) << made.problem().message;
        for (int level = 0; level < 4; ++level) {
            const int side = 64 >> level, block = 1 << level;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    const int index = made->mips[level][y * side + x];
                    const int left = x * block;  // blocks lie wholly in or out of each area
                    const bool hole = left >= 40 && left < 56;
                    const bool glows = left >= 8 && left < 32 && y * block >= 16 && y * block < 48;
                    ASSERT_EQ(index == 255, hole) << level << " " << x << " " << y;
                    ASSERT_EQ(index >= 224 && index < 255, glows && !hole)
                        << level << " " << x << " " << y << " " << index;
                }
            }
        }
    }
    TextureOptions wrongSize;
    const Bitmap small = Filled(32, 32, 8, 255);
    wrongSize.glow = small.get();
    EXPECT_NE(MakeMipTexture(texture.get(), nullptr, "glow", WadKind::Wad2, wrongSize, game)
                  .problem()
                  .message.find("glow mask is 32 x 32"),
              std::string::npos);
}

// Lamps glowing left of a blue wall, each more colours than its half of the
// palette holds: read back, a "~" texture's lamps take 224 to 255 and the
// wall the rest, each near its entry; without "~" the mask changes nothing.
TEST_F(WadTextureTest, AGlowingHalfLifeTextureKeepsItsLastEntriesForTheGlow) {
    Bitmap picture = Filled(64, 64, 24, 0), glow = Filled(64, 64, 8, 0);
    for (int i = 0; i < 64 * 64; ++i) {
        const int x = i % 64, y = i / 64;
        RGBQUAD colour = x < 32 ? RGBQUAD{20, BYTE(60 + y / 2), BYTE(200 + x), 0}
                                : RGBQUAD{BYTE(120 + 2 * y), BYTE(60 + y), BYTE(40 + x / 4), 0};
        FreeImage_SetPixelColor(picture.get(), x, y, &colour);
    }
    Paint(glow.get(), 0, 32, 0, 64, 255);
    const auto read = [&](const char* name, const FIBITMAP* mask) {
        const auto made =
            MakeMipTexture(picture.get(), nullptr, name, WadKind::Wad3, {{}, 128, mask}, game);
        if (!made) {
            throw std::runtime_error(made.problem().message);
        }
        const auto wad = EncodeWad({WadKind::Wad3, {EncodeMipTexture(*made, WadKind::Wad3)}});
        return testing::Wad2Reader(wad.value()).Read().value().lumps.at(0);
    };
    const testing::ReadLump lump = read("+1~lamp", glow.get());
    ASSERT_EQ(lump.palette.size(), 768u);
    for (int i = 0; i < 64 * 64; ++i) {  // the reader's rows run from the top
        RGBQUAD want;
        FreeImage_GetPixelColor(picture.get(), i % 64, 63 - i / 64, &want);
        const std::uint8_t index = lump.mips[0][i], *got = &lump.palette[3 * index];
        ASSERT_EQ(index >= 224, i % 64 < 32) << "pixel " << i;
        const int off = std::abs(got[0] - want.rgbRed) + std::abs(got[1] - want.rgbGreen) +
                        std::abs(got[2] - want.rgbBlue);
        ASSERT_LE(off, 12) << "pixel " << i;
    }
    EXPECT_EQ(read("lamp", glow.get()).raw, read("lamp", nullptr).raw);
}

TEST_F(WadTextureTest, MipsAreAveragedInLinearLight) {
    Bitmap checker = Filled(16, 16, 24, 0);
    for (int y = 0; y < 16; ++y) {
        for (int x = y % 2; x < 16; x += 2) {
            Paint(checker.get(), x, x + 1, y, y + 1, 255);
        }
    }
    const auto made = MakeMipTexture(checker.get(), nullptr, "checker", WadKind::Wad3, {}, game);
    ASSERT_TRUE(made);
    for (int level = 1; level < 4; ++level) {
        for (const std::uint8_t index : made.value().mips[level]) {
            const ColourValue grey = made.value().palette[index];
            ASSERT_EQ(grey, quake_palette::MakeColour(188, 188, 188)) << "level " << level;
        }
    }
    for (int value = 0; value < 256; ++value) {
        ASSERT_EQ(EncodeSrgb(DecodeSrgb(static_cast<std::uint8_t>(value))), value);
    }
}

// The sRGB encoding as its standard writes it, rounded to the nearest byte.
TEST(SrgbEncodingTest, GivesTheFormulasByteOnBothSidesOfEveryStep) {
    const auto formula = [](double linear) {
        const double v =
            linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
        return static_cast<int>(std::nearbyint(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    std::vector<double> values = {0.0, 1.0, 0.0031308, 1e-300, 2.0, -1.0};
    for (int byte = 0; byte < 256; ++byte) {
        // Where the formula steps from byte to byte + 1, a few steps of a double either side.
        const double v = (byte + 0.5) / 255.0;
        double step = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        for (int i = 0; i < 64; ++i) {
            step = std::nextafter(step, 0.0);
        }
        for (int i = 0; i < 128; ++i, step = std::nextafter(step, 2.0)) {
            values.push_back(step);
        }
    }
    std::mt19937 random(7);
    for (int i = 0; i < 100000; ++i) {
        values.push_back(std::uniform_real_distribution<double>(0, 1)(random));
    }
    for (const double value : values) {
        ASSERT_EQ(EncodeSrgb(value), formula(value)) << std::hexfloat << value;
    }
}

TEST_F(WadTextureTest, NamesFollowTheGamesRules) {
    const struct {
        const char* name;
        WadKind kind;
        const char* stored;  // or the rule broken
    } cases[] = {
        {"Brick_1", WadKind::Wad2, "Brick_1"},
        {"Brick_1", WadKind::Wad3, "brick_1"},
        {"{Grate", WadKind::Wad3, "{grate"},
        {"+aSwitch", WadKind::Wad2, "+aSwitch"},
        {"", WadKind::Wad2, "needs a name"},
        {"sixteen_letters_", WadKind::Wad2, "at most 15"},
        {"two words", WadKind::Wad2, "without spaces"},
        {"caf\xc3\xa9", WadKind::Wad3, "plain ASCII"},
        {"+klava", WadKind::Wad2, "0 to 9"},
        {"+0", WadKind::Wad2, "then the name"},
    };
    for (const auto& c : cases) {
        const auto checked = CheckTextureName(c.name, c.kind);
        const std::string& said = checked ? checked.value() : checked.problem().message;
        EXPECT_NE(said.find(c.stored), std::string::npos) << c.name << ": " << said;
    }
    EXPECT_FALSE(PrefixExplanation("*lava", WadKind::Wad2).empty());
    EXPECT_TRUE(IsGlowingPaletteName("~lamp") && !IsGlowingPaletteName("lamp~"));
    EXPECT_NE(SkySizeWarning("Sky4", WadKind::Wad2, 128, 128).find("256 x 128"), std::string::npos);
    EXPECT_EQ(SkySizeWarning("sky4", WadKind::Wad2, 256, 128), "");

    WadFile wad{WadKind::Wad2, {}};
    for (const char* name : {"+0Lava", "+1lava", "+3LAVA", "+alava", "+blava"}) {
        wad.lumps.push_back({name, 0x44, 0, 0, {}});
    }
    EXPECT_NE(AnimationGapWarning(wad, "+0lava").find("no frame +2"), std::string::npos);
    wad.lumps.erase(wad.lumps.begin() + 2);
    EXPECT_EQ(AnimationGapWarning(wad, "+blava"), "");
}

}  // namespace
}  // namespace orrisbay::gameformats
