// --glow through the commands: where the glow mask, scaled by the image
// library's own bicubic filter, is at least 128 every pixel takes a
// fullbright colour and no other pixel does, in every dithering mode, into
// a picture and a WAD; and --glow-output writes the glowing pixels on black.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cli/blend_command.h"
#include "cli/wad_command.h"
#include "gameformats/wad2_reader.h"
#include "support/image_files.h"

namespace orrisbay::cli {
namespace {

using freeimage_base::Bitmap;
using orrisbay::testing::TemporaryFolder;

template <auto Command>
int Ran(std::vector<std::string> arguments, std::string* errors = nullptr) {
    std::ostringstream out, err;
    const int code = Command(arguments, out, err);
    if (errors != nullptr) {
        *errors = err.str();
    }
    return code;
}

// Where the mask at `path` glows at `width` x `height`, rows from the top.
std::vector<bool> Glowing(const std::string& path, unsigned width, unsigned height) {
    const Bitmap mask(FreeImage_Load(FIF_PNG, path.c_str()));
    const Bitmap scaled(FreeImage_Rescale(mask.get(), static_cast<int>(width),
                                          static_cast<int>(height), FILTER_BICUBIC));
    const Bitmap grey(FreeImage_ConvertToGreyscale(scaled.get()));
    std::vector<bool> glowing;
    for (unsigned y = height; y-- > 0;) {
        const BYTE* row = FreeImage_GetScanLine(grey.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            glowing.push_back(row[x] >= 128);
        }
    }
    return glowing;
}

// The indices of an 8-bit picture file, rows from the top.
std::vector<std::uint8_t> Indices(const std::string& path, unsigned& width, unsigned& height) {
    const Bitmap picture(FreeImage_Load(FIF_PNG, path.c_str()));
    width = FreeImage_GetWidth(picture.get());
    height = FreeImage_GetHeight(picture.get());
    std::vector<std::uint8_t> indices;
    for (unsigned y = height; y-- > 0;) {
        const BYTE* row = FreeImage_GetScanLine(picture.get(), static_cast<int>(y));
        indices.insert(indices.end(), row, row + width);
    }
    return indices;
}

::testing::AssertionResult GlowsExactlyWhereMasked(const std::vector<std::uint8_t>& indices,
                                                   const std::vector<bool>& glowing, int last) {
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (glowing[i] != (indices[i] >= 224 && indices[i] <= last)) {
            return ::testing::AssertionFailure()
                   << "pixel " << i << " has index " << int{indices[i]}
                   << (glowing[i] ? " inside" : " outside") << " the glow mask";
        }
    }
    return ::testing::AssertionSuccess();
}

class GlowCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Smaller than the textures, so the commands scale it as the test does.
        const Bitmap mask = orrisbay::testing::RandomMask(40, 24, 9);
        ASSERT_TRUE(FreeImage_Save(FIF_PNG, mask.get(), glow.c_str()));
        orrisbay::testing::SavePattern(picture, FIF_PNG, 48, 32, 24, 3);
    }

    TemporaryFolder folder{"orrisbay-glow-command"};
    const std::string glow = folder.file("glow.png");
    const std::string picture = folder.file("wall.png");
};

TEST_F(GlowCommandTest, GlowingPixelsAndOnlyThoseTakeFullbrightsInEveryDitheringMode) {
    for (const char* mode : {"none", "floyd-steinberg", "diffusion", "ordered"}) {
        SCOPED_TRACE(mode);
        const std::string png = folder.file(std::string(mode) + ".png");
        const std::string wad = folder.file(std::string(mode) + ".wad");
        ASSERT_EQ(Ran<RunBlend>({"--builtin", "--quake", "--fullbrights", "--dither", mode,
                                 "--glow", glow, "-o", png}),
                  kExitSuccess);
        unsigned width = 0, height = 0;
        const std::vector<std::uint8_t> indices = Indices(png, width, height);
        EXPECT_TRUE(GlowsExactlyWhereMasked(indices, Glowing(glow, width, height), 255));

        ASSERT_EQ(
            Ran<RunWad>({"add", wad, picture, "--name", "lamp", "--dither", mode, "--glow", glow}),
            kExitSuccess);
        const auto read =
            gameformats::testing::Wad2Reader(gameformats::testing::FileBytes(wad)).Read();
        ASSERT_TRUE(read && read->lumps.size() == 1);
        const auto& lamp = read->lumps[0];
        EXPECT_TRUE(
            GlowsExactlyWhereMasked(lamp.mips[0], Glowing(glow, lamp.width, lamp.height), 254));
    }
}

TEST_F(GlowCommandTest, GlowOutputHoldsTheGlowingPixelsOnBlack) {
    const std::string png = folder.file("lamp.png");
    ASSERT_EQ(Ran<RunBlend>({"--builtin", "--glow", glow, "--glow-output", "-o", png}),
              kExitSuccess);
    const Bitmap texture(FreeImage_Load(FIF_PNG, png.c_str()));
    const Bitmap map(FreeImage_Load(FIF_PNG, folder.file("lamp_glow.png").c_str()));
    ASSERT_TRUE(texture && map);
    const unsigned width = FreeImage_GetWidth(texture.get());
    const unsigned height = FreeImage_GetHeight(texture.get());
    const std::vector<bool> glowing = Glowing(glow, width, height);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            RGBQUAD colour{}, shown{};
            FreeImage_GetPixelColor(texture.get(), x, y, &colour);
            FreeImage_GetPixelColor(map.get(), x, y, &shown);
            const bool glows = glowing[(height - 1 - y) * width + x];
            ASSERT_EQ(shown.rgbRed, glows ? colour.rgbRed : 0) << x << " " << y;
            ASSERT_EQ(shown.rgbGreen + shown.rgbBlue, glows ? colour.rgbGreen + colour.rgbBlue : 0);
        }
    }
    std::string errors;
    EXPECT_EQ(Ran<RunBlend>({"--builtin", "--glow", glow, "-o", png}, &errors), kExitUsage);
    EXPECT_NE(errors.find("--glow needs --quake"), std::string::npos) << errors;
}

}  // namespace
}  // namespace orrisbay::cli
