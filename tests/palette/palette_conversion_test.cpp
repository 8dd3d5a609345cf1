#include "palette/palette_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "palette_test_support.h"
#include "support/image_files.h"

namespace orrisbay::quake_palette {
namespace {

using orrisbay::testing::RandomTexture;
using testing::LoadSwatches;
using testing::PaletteRead;
using testing::ReadPalette;

using freeimage_base::Bitmap;
using testing::ReportRecorder;
using testing::TempFolder;

int Red(ColourValue c) {
    return static_cast<int>(c & 0xFF);
}
int Green(ColourValue c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(ColourValue c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// The shipped palette, read through the program's own reader.
Palette ShippedPalette() {
    ReportRecorder recorder;
    const PaletteRead read = ReadPalette(ORRISBAY_SOURCE_PALETTE);
    EXPECT_TRUE(read.headerMatched);
    EXPECT_EQ(read.entriesSet, 256);
    return read.PaletteColors;
}

// Nearest allowed index by trying every entry, lowest index on ties.
int BruteForceNearest(const Palette& palette, int count, int r, int g, int b) {
    int best = 0;
    std::uint32_t bestDistance = UINT32_MAX;
    for (int i = 0; i < count; ++i) {
        const ColourValue c = palette[static_cast<std::size_t>(i)];
        const std::uint32_t d = ColourDistance(r, g, b, Red(c), Green(c), Blue(c));
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

Bitmap FlatTexture(int width, int height, int r, int g, int b) {
    Bitmap dib(FreeImage_Allocate(width, height, 24));
    for (int y = 0; y < height; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(dib.get(), y);
        for (int x = 0; x < width; ++x, pixel += 3) {
            pixel[FI_RGBA_RED] = static_cast<BYTE>(r);
            pixel[FI_RGBA_GREEN] = static_cast<BYTE>(g);
            pixel[FI_RGBA_BLUE] = static_cast<BYTE>(b);
        }
    }
    return dib;
}

int IndexAt(const Bitmap& indexed, int x, int y) {
    return FreeImage_GetScanLine(indexed.get(), y)[x];
}

class PaletteConversionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { freeimage_base::InitialiseImageLibrary(); }
    const Palette palette = ShippedPalette();
};

TEST_F(PaletteConversionTest, FinderAgreesWithBruteForceOnEveryCellCorner) {
    // The cell bounds are the risky part: try both ends of every cell along
    // each channel, plus random colours, with and without fullbrights.
    for (bool fullbrights : {false, true}) {
        const NearestColourFinder finder(palette, fullbrights);
        const int count = fullbrights ? 256 : kFirstFullbright;
        for (int r = 0; r < 256; r += 7) {
            for (int g = 0; g < 256; g += 7) {
                for (int b = 0; b < 256; b += 7) {
                    ASSERT_EQ(finder.Nearest(r, g, b), BruteForceNearest(palette, count, r, g, b))
                        << r << " " << g << " " << b;
                }
            }
        }
        std::mt19937 random(7);
        std::uniform_int_distribution<int> level(0, 255);
        for (int i = 0; i < 100000; ++i) {
            const int r = level(random), g = level(random), b = level(random);
            ASSERT_EQ(finder.Nearest(r, g, b), BruteForceNearest(palette, count, r, g, b));
        }
    }
}

TEST_F(PaletteConversionTest, TiesAndCrowdedPalettesGoToTheLowestIndex) {
    // A palette of a few repeated colours: ties everywhere.
    Palette crowded{};
    for (std::size_t i = 0; i < crowded.size(); ++i) {
        crowded[i] = MakeColour(static_cast<int>(i % 5) * 60, static_cast<int>(i % 3) * 100, 128);
    }
    const NearestColourFinder finder(crowded, true);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> level(0, 255);
    for (int i = 0; i < 20000; ++i) {
        const int r = level(random), g = level(random), b = level(random);
        ASSERT_EQ(finder.Nearest(r, g, b), BruteForceNearest(crowded, 256, r, g, b));
    }
}

TEST_F(PaletteConversionTest, EveryPixelGetsTheNearestAllowedIndex) {
    const Bitmap texture = RandomTexture(67, 45, 3);
    for (bool fullbrights : {false, true}) {
        const Bitmap indexed = ConvertToQuakePalette(texture.get(), palette, {false, fullbrights});
        ASSERT_TRUE(indexed);
        ASSERT_EQ(FreeImage_GetBPP(indexed.get()), 8u);
        ASSERT_EQ(FreeImage_GetWidth(indexed.get()), 67u);
        ASSERT_EQ(FreeImage_GetHeight(indexed.get()), 45u);
        const int count = fullbrights ? 256 : kFirstFullbright;
        for (int y = 0; y < 45; ++y) {
            const BYTE* pixel = FreeImage_GetScanLine(texture.get(), y);
            for (int x = 0; x < 67; ++x, pixel += 3) {
                ASSERT_EQ(IndexAt(indexed, x, y),
                          BruteForceNearest(palette, count, pixel[FI_RGBA_RED],
                                            pixel[FI_RGBA_GREEN], pixel[FI_RGBA_BLUE]));
            }
        }
    }
}

TEST_F(PaletteConversionTest, PaletteColoursConvertToThemselvesAndFullbrightsOnlyWhenAllowed) {
    // One pixel per palette entry, in index order.
    Bitmap texture(FreeImage_Allocate(256, 1, 24));
    BYTE* pixel = FreeImage_GetScanLine(texture.get(), 0);
    for (const ColourValue c : palette) {
        pixel[FI_RGBA_RED] = static_cast<BYTE>(Red(c));
        pixel[FI_RGBA_GREEN] = static_cast<BYTE>(Green(c));
        pixel[FI_RGBA_BLUE] = static_cast<BYTE>(Blue(c));
        pixel += 3;
    }
    for (bool dither : {false, true}) {
        const Bitmap plain = ConvertToQuakePalette(texture.get(), palette, {dither, false});
        const Bitmap bright = ConvertToQuakePalette(texture.get(), palette, {dither, true});
        for (int x = 0; x < 256; ++x) {
            EXPECT_LT(IndexAt(plain, x, 0), kFirstFullbright);
            if (x < kFirstFullbright) {
                // Exact colours leave no error to diffuse, so dithering agrees.
                EXPECT_EQ(palette[IndexAt(plain, x, 0)], palette[x]) << x;
            }
            EXPECT_EQ(palette[IndexAt(bright, x, 0)], palette[x]) << x;
        }
    }
    const Bitmap noisy =
        ConvertToQuakePalette(RandomTexture(64, 64, 5).get(), palette, {true, false});
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            ASSERT_LT(IndexAt(noisy, x, y), kFirstFullbright);
        }
    }
}

// Distance from the mean colour of a converted area to the colour asked for.
double MeanColourError(const Bitmap& indexed, const Palette& palette, int r, int g, int b) {
    const int width = static_cast<int>(FreeImage_GetWidth(indexed.get()));
    const int height = static_cast<int>(FreeImage_GetHeight(indexed.get()));
    double sum[3] = {0, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const ColourValue c = palette[IndexAt(indexed, x, y)];
            sum[0] += Red(c), sum[1] += Green(c), sum[2] += Blue(c);
        }
    }
    const double n = static_cast<double>(width) * height;
    return std::hypot(sum[0] / n - r, sum[1] / n - g, sum[2] / n - b);
}

TEST_F(PaletteConversionTest, DitheringKeepsTheMeanOfAFlatAreaCloser) {
    const int colours[][3] = {{100, 100, 100}, {90, 140, 60}, {200, 60, 150}, {20, 40, 90}};
    for (const auto& c : colours) {
        const Bitmap flat = FlatTexture(64, 64, c[0], c[1], c[2]);
        const Bitmap plain = ConvertToQuakePalette(flat.get(), palette, {false, false});
        const Bitmap dithered = ConvertToQuakePalette(flat.get(), palette, {true, false});
        EXPECT_LT(MeanColourError(dithered, palette, c[0], c[1], c[2]),
                  MeanColourError(plain, palette, c[0], c[1], c[2]))
            << c[0] << " " << c[1] << " " << c[2];
    }
}

TEST_F(PaletteConversionTest, OtherDepthsAreReadAsRgbAndMissingInputGivesNothing) {
    const Bitmap texture = RandomTexture(16, 16, 9);
    const Bitmap withAlpha(FreeImage_ConvertTo32Bits(texture.get()));
    const Bitmap fromRgb = ConvertToQuakePalette(texture.get(), palette, {});
    const Bitmap fromRgba = ConvertToQuakePalette(withAlpha.get(), palette, {});
    ASSERT_TRUE(fromRgba);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(IndexAt(fromRgb, x, y), IndexAt(fromRgba, x, y));
        }
    }
    const Bitmap grey(FreeImage_ConvertToGreyscale(texture.get()));
    EXPECT_TRUE(ConvertToQuakePalette(grey.get(), palette, {true, false}));
    EXPECT_FALSE(ConvertToQuakePalette(nullptr, palette, {}));
    const Bitmap floats(FreeImage_AllocateT(FIT_FLOAT, 4, 4));
    EXPECT_FALSE(ConvertToQuakePalette(floats.get(), palette, {}));
}

TEST(PaletteConversionAvailability, OnlyAWholeFileWithItsHeaderGivesAPalette) {
    const TempFolder folder;
    ReportRecorder recorder;
    const std::vector<std::string> entries(256, "1 2 3");
    const std::string path = folder.WritePalette(testing::PaletteText("256", entries));
    const PaletteRead whole = ReadPalette(path);
    EXPECT_EQ(whole.ConversionPalette(), whole.PaletteColors);
    EXPECT_EQ(whole.Problem(), "");
    folder.WritePalette(testing::PaletteText("256", entries, "jasc-pal"));
    const PaletteRead wrongHeader = ReadPalette(path);
    EXPECT_FALSE(wrongHeader.ConversionPalette());
    EXPECT_EQ(wrongHeader.Problem(), path + " does not begin with JASC-PAL");
    folder.WritePalette(testing::PaletteText("256", {"1 2 3"}));
    const PaletteRead early = ReadPalette(path);
    EXPECT_FALSE(early.ConversionPalette()) << "a palette that ended early";
    EXPECT_EQ(early.Problem(), path + " ends early");
    const PaletteRead missing = ReadPalette(folder.Path() + "/missing.pal");
    EXPECT_FALSE(missing.ConversionPalette());
    EXPECT_EQ(missing.Problem(), "cannot open " + folder.Path() + "/missing.pal");
}

}  // namespace
}  // namespace orrisbay::quake_palette
