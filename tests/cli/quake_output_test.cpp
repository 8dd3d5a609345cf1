// orrisbay-blend --quake: 8-bit pictures and WAD2 files in the game's palette,
// sizes off the 16-pixel grid, and a palette file that is missing or wrong.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "cli/blend_command.h"
#include "gameformats/wad2_reader.h"
#include "support/image_files.h"

namespace orrisbay::cli {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::TemporaryFolder;

struct RunResult {
    int code = -1;
    std::string out, err;
};

RunResult Blend(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = RunBlend(arguments, out, err);
    return {code, out.str(), err.str()};
}

// Mip level 0 of a WAD holds rows from the top down; FreeImage from the bottom up.
std::vector<std::uint8_t> TopDownPixels(const FIBITMAP* indexed) {
    std::vector<std::uint8_t> pixels;
    for (unsigned y = freeimage_base::Height(indexed); y-- > 0;) {
        const BYTE* row = freeimage_base::ScanLine(indexed, y);
        pixels.insert(pixels.end(), row, row + freeimage_base::Width(indexed));
    }
    return pixels;
}

class QuakeOutputTest : public ::testing::Test {
  protected:
    // The expected pictures are converted with the palette the command reads.
    void SetUp() override {
        const Result<quake_palette::Palette> game = ReadGamePalette();
        ASSERT_TRUE(game);
        palette = *game;
    }

    // The built-in merge in full colour, as the command writes it without --quake.
    freeimage_base::Bitmap FullColourMerge() {
        const std::string path = folder.file("full.png");
        EXPECT_EQ(Blend({"--builtin", "-o", path}).code, kExitSuccess);
        return LoadAs(FIF_PNG, path);
    }

    TemporaryFolder folder{"orrisbay-blend-quake"};
    std::optional<quake_palette::Palette> palette;
};

TEST_F(QuakeOutputTest, WritesEightBitPicturesWithThePalette) {
    const freeimage_base::Bitmap full = FullColourMerge();
    const freeimage_base::Bitmap expected =
        quake_palette::ConvertToQuakePalette(full.get(), *palette);
    for (const auto& [name, format] : {std::pair{"quake.png", FIF_PNG}, {"quake.bmp", FIF_BMP}}) {
        SCOPED_TRACE(name);
        const RunResult run = Blend({"--builtin", "--quake", "-o", folder.file(name)});
        ASSERT_EQ(run.code, kExitSuccess) << run.err;
        const freeimage_base::Bitmap written = LoadAs(format, folder.file(name));
        EXPECT_TRUE(SamePixels(expected.get(), written.get()));
        const RGBQUAD* table = FreeImage_GetPalette(written.get());
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(
            quake_palette::MakeColour(table[254].rgbRed, table[254].rgbGreen, table[254].rgbBlue),
            (*palette)[254]);
    }
}

TEST_F(QuakeOutputTest, AWadOutputHoldsTheMergeInThePaletteWithTheChosenOptions) {
    const freeimage_base::Bitmap full = FullColourMerge();
    const std::string wad = folder.file("grass.wad");
    const RunResult run = Blend({"--builtin", "--dither", "--fullbrights", "-o", wad});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    const auto read = gameformats::testing::Wad2Reader(gameformats::testing::FileBytes(wad)).Read();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->magic, "WAD2");
    ASSERT_EQ(read->lumps.size(), 1u);
    EXPECT_EQ(read->lumps[0].textureName, "grass");
    const freeimage_base::Bitmap expected = quake_palette::ConvertToQuakePalette(
        full.get(), *palette, {.dither = true, .allowFullbrights = true});
    EXPECT_EQ(read->lumps[0].mips[0], TopDownPixels(expected.get()));
}

TEST_F(QuakeOutputTest, SizesOffTheGridFailUnlessRescaleIsGiven) {
    std::vector<std::string> arguments;
    for (int i = 0; i < 4; ++i) {
        arguments.push_back(
            SavePattern(folder.file("in" + std::to_string(i) + ".png"), FIF_PNG, 100, 70, 24, i));
    }
    const std::string wad = folder.file("odd.wad");
    arguments.insert(arguments.end(), {"-o", wad});
    const RunResult refused = Blend(arguments);
    EXPECT_EQ(refused.code, kExitNotWadSize);
    EXPECT_NE(refused.err.find("Quake textures must be a multiple of 16 pixels wide and high, and "
                               "this one is 100 x 70. Rescale it to the nearest multiples, 96 x "
                               "64?"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(wad));

    arguments.push_back("--rescale");
    ASSERT_EQ(Blend(arguments).code, kExitSuccess);
    const auto read = gameformats::testing::Wad2Reader(gameformats::testing::FileBytes(wad)).Read();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->lumps[0].width, 96u);
    EXPECT_EQ(read->lumps[0].height, 64u);
}

TEST_F(QuakeOutputTest, HelpNamesTheFlagsAndPaletteOptionsNeedAConversion) {
    const std::string help = Blend({"--help"}).out;
    for (const char* text :
         {"--quake", "--dither", "--fullbrights", "--rescale", ".wad", "  67  ", "  69  "}) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
    }
    const std::string png = folder.file("out.png");
    const RunResult dither = Blend({"--builtin", "--dither", "-o", png});
    EXPECT_EQ(dither.code, kExitUsage);
    EXPECT_NE(dither.err.find("--dither needs --quake, or a .wad, .bsp or .wal output"),
              std::string::npos);
    const RunResult jpeg = Blend({"--builtin", "--quake", "-o", folder.file("out.jpg")});
    EXPECT_EQ(jpeg.code, kExitUsage);
    EXPECT_TRUE(folder.entries().empty());
}

#ifdef ORRISBAY_BLEND_PROGRAM
// The program reads the palette from its own folder: a copy of it beside a
// wrong palette file, or none, refuses --quake and still blends without it.
TEST_F(QuakeOutputTest, WithoutAGoodPaletteBesideTheProgramQuakeFails) {
    const std::string program = folder.file("orrisbay-blend");
    std::filesystem::copy_file(ORRISBAY_BLEND_PROGRAM, program);
    const std::string palette = folder.file("quake_palette_jasc.pal");
    orrisbay::testing::WriteFile(palette, "JASC-PAL\n0100\n256\n0 0 0\n");  // LF lines
    const std::string errors = folder.file("stderr.txt");
    const auto run = [&](const std::string& output, const char* flags) {
        const std::string command = "'" + program + "' --builtin " + flags + " -o '" +
                                    folder.file(output) + "' 2>'" + errors + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("wrong.png", "--quake"), kExitNoPalette);
    EXPECT_EQ(orrisbay::testing::ReadFile(errors).rfind(
                  "orrisbay-blend: Quake palette conversion is not available. ", 0),
              0u);
    std::filesystem::remove(palette);
    EXPECT_EQ(run("missing.wad", ""), kExitNoPalette);
    EXPECT_FALSE(std::filesystem::exists(folder.file("wrong.png")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("missing.wad")));
    EXPECT_EQ(run("plain.png", ""), kExitSuccess);
}
#endif

}  // namespace
}  // namespace orrisbay::cli
