#include "palette/palette_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "palette/blue_noise.h"
#include "palette/game_palette.h"
#include "palette/palette_gamut.h"
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

// FNV-1a over the indices of an 8-bit bitmap, row by row.
std::uint64_t IndexHash(const Bitmap& indexed) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned y = 0; y < FreeImage_GetHeight(indexed.get()); ++y) {
        const BYTE* line = FreeImage_GetScanLine(indexed.get(), static_cast<int>(y));
        for (unsigned x = 0; x < FreeImage_GetWidth(indexed.get()); ++x) {
            hash = (hash ^ line[x]) * 1099511628211ull;
        }
    }
    return hash;
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

const Dithering kEveryMode[] = {{DitherMode::None, {}},
                                {DitherMode::FloydSteinberg, {}},
                                {DitherMode::Diffusion, {}},
                                {DitherMode::Ordered, {}}};

TEST_F(PaletteConversionTest, TodaysOptionsGiveTodaysBytes) {
    // Hashes of what the conversion gave before dither modes and metrics existed.
    const struct {
        bool noise, dither, fullbrights;
        std::uint64_t hash;
    } cases[] = {
        {true, false, false, 0x4a18ffa0ee3cdc68ull},  {true, false, true, 0xc134af67597353afull},
        {true, true, false, 0xe838492aa10ef499ull},   {true, true, true, 0x0eae9ed13684f23aull},
        {false, false, false, 0x47ecf434146f5cb6ull}, {false, false, true, 0x5c7bce63e4c4a1bfull},
        {false, true, false, 0x537356a3d8e74a9dull},  {false, true, true, 0xa50c4b0e51a99616ull},
    };
    const Bitmap noise = RandomTexture(67, 45, 3), gradient = Gradient(61, 37);
    for (const auto& c : cases) {
        const FIBITMAP* texture = c.noise ? noise.get() : gradient.get();
        EXPECT_EQ(IndexHash(ConvertToQuakePalette(texture, palette, {c.dither, c.fullbrights})),
                  c.hash);
        ConversionOptions named{.allowFullbrights = c.fullbrights, .metric = ColourMetric::Rgb};
        named.dithering = {c.dither ? DitherMode::FloydSteinberg : DitherMode::None, {}};
        EXPECT_EQ(IndexHash(ConvertToQuakePalette(texture, palette, named)), c.hash);
    }
}

TEST_F(PaletteConversionTest, PerceptualFindersAgreeWithBruteForce) {
    // An allowed set with gaps, as a WAD's or a glow region's can be.
    const IndexSet allowed = IndexSet::Range(0, 223).Without(15).Without(100);
    std::mt19937 random(13);
    std::uniform_int_distribution<int> level(0, 255);
    for (const ColourMetric metric :
         {ColourMetric::Perceptual, ColourMetric::Oklab, ColourMetric::Cielab}) {
        const NearestColourFinder finder(palette, allowed, metric);
        for (int i = 0; i < 30000; ++i) {
            const int r = level(random), g = level(random), b = level(random);
            const Lab lab = LabOf(metric, r, g, b);
            int best = -1;
            for (int e = 0; e < 256; ++e) {
                const ColourValue c = palette[static_cast<std::size_t>(e)];
                if (allowed.Contains(e) &&
                    (best < 0 ||
                     LabDistance(lab, LabOf(metric, Red(c), Green(c), Blue(c))) <
                         LabDistance(lab, LabOf(metric, Red(palette[best]), Green(palette[best]),
                                                Blue(palette[best]))))) {
                    best = e;
                }
            }
            ASSERT_EQ(finder.Nearest(r, g, b), best) << r << " " << g << " " << b;
        }
    }
}

// The memory a conversion keeps of the finder's answers gives the finder's
// answers, black and the colours asked first among them, the second time too;
// in a palette whose black is its last entry, so an unused slot cannot pass.
TEST_F(PaletteConversionTest, RememberedAnswersAreTheFindersAnswers) {
    Palette reversed;
    std::reverse_copy(palette.begin(), palette.end(), reversed.begin());
    std::mt19937 random(5);
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<std::array<int, 3>> colours = {{0, 0, 0}, {0, 0, 1}, {255, 255, 255}};
    for (int i = 0; i < 20000; ++i) {
        colours.push_back({level(random), level(random), level(random)});
    }
    for (const ColourMetric metric : {ColourMetric::Rgb, ColourMetric::Perceptual}) {
        const NearestColourFinder finder(reversed, IndexSet::Range(0, 255), metric);
        RememberingFinder remembering(&finder, colours.size());
        for (int pass = 0; pass < 2; ++pass) {
            for (const auto& [r, g, b] : colours) {
                ASSERT_EQ(remembering.Nearest(r, g, b), finder.Nearest(r, g, b))
                    << r << " " << g << " " << b;
            }
        }
    }
}

// A glow mask of scattered rectangles, white where the pixel glows.
Bitmap GlowMask(int width, int height, unsigned seed) {
    Bitmap mask(FreeImage_Allocate(width, height, 8));
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(mask.get(), y);
        for (int x = 0; x < width; ++x) {
            line[x] = ((x / 7 + y / 5 + static_cast<int>(seed)) % 3 == 0) ? 200 : 60;
        }
    }
    return mask;
}

TEST_F(PaletteConversionTest, GlowingPixelsTakeFullbrightsAndNoOthersDo) {
    const Bitmap noise = RandomTexture(48, 32, 21), gradient = Gradient(48, 32);
    const Bitmap glow = GlowMask(48, 32, 1);
    for (const FIBITMAP* texture : {noise.get(), gradient.get()}) {
        for (const Dithering& dithering : kEveryMode) {
            for (const bool fullbrights : {false, true}) {
                const ConversionOptions options{.allowFullbrights = fullbrights,
                                                .dithering = dithering,
                                                .metric = ColourMetric::Perceptual};
                const Result<Bitmap> converted =
                    ConvertPicture(texture, palette, options, glow.get());
                ASSERT_TRUE(converted) << converted.problem().message;
                for (int y = 0; y < 32; ++y) {
                    for (int x = 0; x < 48; ++x) {
                        const bool glows = FreeImage_GetScanLine(glow.get(), y)[x] >= 128;
                        ASSERT_EQ(IndexAt(*converted, x, y) >= kFirstFullbright, glows)
                            << DitheringText(dithering) << " at " << x << ", " << y;
                    }
                }
            }
        }
    }
    const Palette none = *WithFullbrightCount(palette, 0);
    const Result<Bitmap> noFullbrights = ConvertPicture(noise.get(), none, {}, glow.get());
    EXPECT_FALSE(noFullbrights);
    EXPECT_NE(noFullbrights.problem().message.find("glowing"), std::string::npos);
    EXPECT_FALSE(ConvertPicture(noise.get(), palette, {}, GlowMask(16, 16, 1).get()));
}

TEST_F(PaletteConversionTest, NoDitherErrorCrossesARegionEdge) {
    // Left third ordinary, middle glowing, right see-through. Repainting one
    // region must leave every index of the others as it was.
    RegionMap regions(45, 30);
    for (unsigned y = 0; y < 30; ++y) {
        for (unsigned x = 0; x < 45; ++x) {
            regions.Set(x, y,
                        x < 15   ? PixelRegion::Ordinary
                        : x < 30 ? PixelRegion::Glowing
                                 : PixelRegion::SeeThrough);
        }
    }
    const PaletteConverter converter(palette,
                                     KeepForSeeThrough(PictureIndices(32, false, true), 255));
    const Bitmap before = Gradient(45, 30);
    for (const Dithering& dithering : kEveryMode) {
        const Bitmap first =
            std::move(converter.Convert(before.get(), &regions, dithering).value());
        for (const int painted : {0, 1, 2}) {
            Bitmap after = Gradient(45, 30);
            for (int y = 0; y < 30; ++y) {
                std::fill_n(FreeImage_GetScanLine(after.get(), y) + painted * 45, 45, BYTE(250));
            }
            const Bitmap second =
                std::move(converter.Convert(after.get(), &regions, dithering).value());
            for (int y = 0; y < 30; ++y) {
                for (int x = 0; x < 45; ++x) {
                    if (x / 15 != painted) {
                        ASSERT_EQ(IndexAt(first, x, y), IndexAt(second, x, y))
                            << DitheringText(dithering) << " region " << painted << " at " << x;
                    }
                    if (x >= 30) {
                        ASSERT_EQ(IndexAt(first, x, y), 255);
                    }
                }
            }
        }
    }
}

double Linear(int level) {
    const double v = level / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// Linear-light colours of a converted texture, blurred with sigma 1 around
// its edges, against the same of the picture: the mean colour distance in
// the two-pixel bands where a 2 x 2 tiling's copies meet, over the inside.
double SeamRatio(const Bitmap& picture, const Bitmap& indexed, const Palette& colours) {
    const int width = static_cast<int>(FreeImage_GetWidth(picture.get()));
    const int height = static_cast<int>(FreeImage_GetHeight(picture.get()));
    const auto linear = Linear;
    std::vector<double> difference(static_cast<std::size_t>(width * height * 3));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const BYTE* p = FreeImage_GetScanLine(picture.get(), y) + 3 * x;
            const ColourValue c = colours[IndexAt(indexed, x, y)];
            const int want[3] = {p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE]};
            const int got[3] = {Red(c), Green(c), Blue(c)};
            for (int k = 0; k < 3; ++k) {
                difference[static_cast<std::size_t>((y * width + x) * 3 + k)] =
                    linear(got[k]) - linear(want[k]);
            }
        }
    }
    double band = 0, inside = 0;
    int bandCount = 0, insideCount = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double blurred[3] = {0, 0, 0};
            for (int dy = -3; dy <= 3; ++dy) {
                for (int dx = -3; dx <= 3; ++dx) {
                    const double w = std::exp(-(dx * dx + dy * dy) / 2.0);
                    const int at =
                        ((y + dy + height) % height * width + (x + dx + width) % width) * 3;
                    for (int k = 0; k < 3; ++k) {
                        blurred[k] += w * difference[static_cast<std::size_t>(at + k)];
                    }
                }
            }
            const double d = std::hypot(blurred[0], blurred[1], blurred[2]);
            const bool seam = x < 2 || x >= width - 2 || y < 2 || y >= height - 2;
            (seam ? band : inside) += d;
            ++(seam ? bandCount : insideCount);
        }
    }
    return (band / bandCount) / (inside / insideCount);
}

TEST_F(PaletteConversionTest, TiledDiffusionAndOrderedPatternsHaveNoSeam) {
    // Flat colours between the palette's, where a dither pattern has to build up.
    for (const int grey : {70, 110, 150}) {
        const Bitmap flat = FlatTexture(64, 64, grey, grey - 20, grey - 35);
        const Bitmap today = ConvertToQuakePalette(flat.get(), palette, {.dither = true});
        EXPECT_GT(SeamRatio(flat, today, palette), 1.05) << "the measure sees today's seam";
        for (const DitherMode mode : {DitherMode::Diffusion, DitherMode::Ordered}) {
            const ConversionOptions options{.dithering = {mode, {}}};
            const Bitmap tiled = ConvertToQuakePalette(flat.get(), palette, options);
            EXPECT_LE(SeamRatio(flat, tiled, palette), 1.05) << grey << " " << int(mode);
        }
    }
}

TEST_F(PaletteConversionTest, DiffusionAimsAtMixesAsTheyAreAndElseAtAMixWithinReach) {
    const GamutMap gamut(palette, IndexSet::Range(0, 223));
    const auto aim = [&gamut](const LinearColour& linear) {
        const std::array<int, 3> srgb{SrgbFromLinear(linear[0]), SrgbFromLinear(linear[1]),
                                      SrgbFromLinear(linear[2])};
        return gamut.Aim(srgb, linear);
    };
    const auto colourOf = [this](int index) {
        const ColourValue c = palette[static_cast<std::size_t>(index)];
        return LinearColour{float(Linear(Red(c))), float(Linear(Green(c))), float(Linear(Blue(c)))};
    };
    std::mt19937 random(7);
    std::uniform_int_distribution<int> index(0, 223);
    std::uniform_real_distribution<float> share(0, 1);
    for (int i = 0; i < 2000; ++i) {
        // A mix of four ordinary colours, which dithering can reach.
        LinearColour mix{0, 0, 0};
        float total = 0;
        for (int k = 0; k < 4; ++k) {
            const float w = share(random);
            const LinearColour c = colourOf(index(random));
            total += w;
            for (std::size_t ch = 0; ch < 3; ++ch) {
                mix[ch] += w * c[ch];
            }
        }
        for (float& ch : mix) {
            ch /= total;
        }
        EXPECT_EQ(aim(mix), mix);
    }
    // Colours beyond every ordinary one: the aim is within reach, so aiming at it again keeps it.
    for (const LinearColour far :
         {LinearColour{0, 1, 1}, LinearColour{1, 0, 1}, LinearColour{0, 1, 0},
          LinearColour{0.61f, 0.75f, 1}, LinearColour{1, 1, 1}}) {
        const LinearColour first = aim(far), second = aim(first);
        EXPECT_NE(first, far);
        for (std::size_t ch = 0; ch < 3; ++ch) {
            EXPECT_NEAR(second[ch], first[ch], 2e-3f) << far[0] << " " << far[1] << " " << far[2];
        }
    }
}

TEST_F(PaletteConversionTest, OrderedFramesOfOnePictureGetOnePattern) {
    // Two frames of an animation that differ only in their top rows.
    Bitmap first = Gradient(32, 32), second = Gradient(32, 32);
    for (int y = 28; y < 32; ++y) {
        std::fill_n(FreeImage_GetScanLine(second.get(), y), 32 * 3, BYTE(30));
    }
    const ConversionOptions options{.dithering = {DitherMode::Ordered, {}}};
    const Bitmap a = ConvertToQuakePalette(first.get(), palette, options);
    const Bitmap b = ConvertToQuakePalette(second.get(), palette, options);
    EXPECT_EQ(IndexHash(a), IndexHash(ConvertToQuakePalette(first.get(), palette, options)));
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(IndexAt(a, x, y), IndexAt(b, x, y));
        }
    }
    EXPECT_EQ(BlueNoiseSide(48), 48);
    EXPECT_EQ(BlueNoiseSide(1024), 64);
    EXPECT_EQ(BlueNoiseSide(80), 40);
}

TEST(ConversionOptionText, ModesStrengthsAndMetricsAreReadOrRefusedWithTheChoices) {
    const struct {
        const char* text;
        DitherMode mode;
        float strength;  // negative: the mode's default; NaN: refused
    } cases[] = {
        {"none", DitherMode::None, -1},
        {"Floyd-Steinberg", DitherMode::FloydSteinberg, -1},
        {"diffusion", DitherMode::Diffusion, -1},
        {" diffusion:0.75 ", DitherMode::Diffusion, 0.75f},
        {"ordered:1", DitherMode::Ordered, 1},
        {"ordered:1.5", {}, NAN},
        {"none:0.5", {}, NAN},
        {"diffusion:", {}, NAN},
        {"riemersma", {}, NAN},
        {"diffusion:x", {}, NAN},
    };
    for (const auto& c : cases) {
        const Result<Dithering> read = ParseDithering(c.text);
        if (std::isnan(c.strength)) {
            ASSERT_FALSE(read) << c.text;
            EXPECT_NE(read.problem().message.find("diffusion[:STRENGTH]"), std::string::npos);
            continue;
        }
        ASSERT_TRUE(read) << c.text << ": " << read.problem().message;
        EXPECT_EQ(read->mode, c.mode);
        EXPECT_EQ(read->strength.has_value(), c.strength >= 0) << c.text;
        EXPECT_EQ(ParseDithering(DitheringText(*read)).value(), *read);
    }
    EXPECT_EQ(ParseColourMetric("RGB").value(), ColourMetric::Rgb);
    EXPECT_EQ(ParseColourMetric("perceptual").value(), ColourMetric::Perceptual);
    EXPECT_NE(ParseColourMetric("lab").problem().message.find("rgb or perceptual"),
              std::string::npos);
    EXPECT_EQ((ConversionOptions{.dither = true}.EffectiveDithering().mode),
              DitherMode::FloydSteinberg);
}

}  // namespace
}  // namespace orrisbay::quake_palette
