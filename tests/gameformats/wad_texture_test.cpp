// Textures made for WADs: see-through holes, mips in linear light, names.
#include <gtest/gtest.h>

#include "gameformats/linear_mips.h"
#include "gameformats/texture_maker.h"
#include "gameformats/texture_names.h"
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
