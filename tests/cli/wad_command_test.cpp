// orrisbay-wad run in-process on real files: a WAD edited step by step, read
// back through the test's own reader, and failures that leave it alone.
#include "cli/wad_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/blend_command.h"
#include "cli/command_support.h"
#include "gameformats/texture_maker.h"
#include "gameformats/wad2_reader.h"
#include "gameformats/wad_file.h"
#include "support/drawn_texture.h"
#include "support/image_files.h"

namespace orrisbay::cli {
namespace {

using gameformats::testing::FileBytes;
using gameformats::testing::Wad2Reader;
using orrisbay::testing::ReadFile;

struct Outcome {
    int code = -1;
    std::string out, err;
};

Outcome Wad(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = RunWad(arguments, out, err);
    return {code, out.str(), err.str()};
}

class WadCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A 32-bit grate whose alpha has an 8 x 8 hole, and a plain 16 x 16 brick.
        freeimage_base::Bitmap grate = orrisbay::testing::Pattern(32, 32, 32, 1);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const bool hole = y >= 16 && y < 24 && x >= 8 && x < 16;
                FreeImage_GetScanLine(grate.get(), y)[4 * x + FI_RGBA_ALPHA] = hole ? 0 : 255;
            }
        }
        ASSERT_TRUE(FreeImage_Save(FIF_PNG, grate.get(), folder.file("grate.png").c_str(), 0));
        orrisbay::testing::SavePattern(folder.file("brick.bmp"), FIF_BMP, 16, 16, 24, 2);
        orrisbay::testing::SavePattern(folder.file("odd.bmp"), FIF_BMP, 20, 16, 24, 3);
    }

    orrisbay::testing::TemporaryFolder folder{"orrisbay-wad-command"};
    const std::string wad = folder.file("pack.wad");
};

TEST_F(WadCommandTest, AddsListsRenamesExtractsAndRemovesTextures) {
    EXPECT_EQ(Wad({"add", wad, folder.file("grate.png"), "--name", "{grate"}).out,
              "added {grate (32 x 32) to " + wad + "\n");
    EXPECT_EQ(Wad({"add", wad, folder.file("brick.bmp")}).code, kExitSuccess);
    EXPECT_EQ(Wad({"rename", wad, "BRICK", "+0Brick"}).code, kExitSuccess);
    EXPECT_EQ(Wad({"list", wad}).out,
              "{grate           texture       1400  32 x 32\n"
              "+0Brick          texture        380  16 x 16\n");
    const auto read = Wad2Reader(FileBytes(wad)).Read();
    ASSERT_TRUE(read && read->magic == "WAD2" && read->lumps.size() == 2);
    EXPECT_EQ(read->lumps[1].textureName, "+0Brick");

    const std::string png = folder.file("out.png");
    ASSERT_EQ(Wad({"extract", wad, "{GRATE", "-o", png}).code, kExitSuccess);
    const auto extracted = orrisbay::testing::LoadAs(FIF_PNG, png);
    ASSERT_EQ(freeimage_base::Bpp(extracted.get()), 8u);
    const BYTE* alpha = FreeImage_GetTransparencyTable(extracted.get());
    ASSERT_TRUE(alpha != nullptr && FreeImage_GetTransparencyCount(extracted.get()) == 256);
    for (unsigned row = 0; row < 32; ++row) {
        const BYTE* line = freeimage_base::ScanLine(extracted.get(), 31 - row);
        for (unsigned x = 0; x < 32; ++x) {
            const bool hole = row >= 8 && row < 16 && x >= 8 && x < 16;
            ASSERT_EQ(line[x], read->lumps[0].mips[0][row * 32 + x]);
            ASSERT_EQ(alpha[line[x]] == 0, hole) << x << ", " << row;
        }
    }
    EXPECT_EQ(Wad({"remove", wad, "+0brick"}).code, kExitSuccess);
    EXPECT_EQ(Wad({"list", wad}).out, "{grate           texture       1400  32 x 32\n");
}

TEST_F(WadCommandTest, FailuresSayWhyAndLeaveTheWadAsItWas) {
    ASSERT_EQ(Wad({"add", wad, folder.file("brick.bmp")}).code, kExitSuccess);
    orrisbay::testing::WriteFile(folder.file("damaged.wad"),
                                 std::string("WAD2\x05\0\0\0\x0c\0\0\0", 12));
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string says;
    } cases[] = {
        {{"frobnicate", wad}, kExitUsage, "unknown command frobnicate"},
        {{"rename", wad, "brick"}, kExitUsage, "usage: orrisbay-wad rename WAD OLD NEW"},
        {{"extract", wad, "brick"}, kExitUsage, "extract needs -o FILE"},
        {{"remove", wad, "brick", "--wad3"}, kExitUsage, "are for add"},
        {{"list", wad, "--metric", "rgb"}, kExitUsage, "are for add"},
        {{"add", wad, folder.file("brick.bmp"), "--dither=ordered:x"},
         kExitUsage,
         "needs a strength from 0 to 1"},
        {{"rename", wad, "brick", "two words"}, kExitUsage, "without spaces"},
        {{"list", folder.file("none.wad")}, kExitBadInput, "none.wad: no such file"},
        {{"remove", wad, "stone"}, kExitBadInput, "no texture or lump is named \"stone\""},
        {{"add", folder.file("damaged.wad"), folder.file("brick.bmp")}, kExitBadInput, "damaged"},
        {{"add", wad, folder.file("odd.bmp")}, kExitNotWadSize, "20 x 16"},
    };
    const std::string before = ReadFile(wad);
    const auto entries = folder.entries();
    for (const auto& c : cases) {
        const Outcome run = Wad(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(wad), before);
        EXPECT_EQ(folder.entries(), entries);
    }
    EXPECT_EQ(ReadFile(folder.file("damaged.wad")).size(), 12u);
    EXPECT_NE(Wad({"--help"}).out.find("orrisbay-wad add WAD PICTURE"), std::string::npos);
}

// add converts every mip level with the dithering and metric asked for, as
// the engine makes them; --dither alone takes no operand.
TEST_F(WadCommandTest, AddConvertsWithTheDitheringAndMetricGiven) {
    using quake_palette::DitherMode;
    const std::string brick = folder.file("brick.bmp");
    const struct {
        std::vector<std::string> arguments;
        gameformats::WadKind kind;
        quake_palette::ConversionOptions conversion;
    } cases[] = {
        {{"--dither", brick}, gameformats::WadKind::Wad2, {.dither = true}},
        {{brick, "--dither", "ordered", "--metric", "perceptual"},
         gameformats::WadKind::Wad2,
         {.dithering = {DitherMode::Ordered, {}},
          .metric = quake_palette::ColourMetric::Perceptual}},
        {{brick, "--wad3", "--dither=diffusion:0.5"},
         gameformats::WadKind::Wad3,
         {.dithering = {DitherMode::Diffusion, 0.5f}}},
    };
    const Result<quake_palette::Palette> palette = ReadGamePalette();
    ASSERT_TRUE(palette);
    const Result<freeimage_base::Bitmap> picture = LoadInput(brick, std::nullopt);
    ASSERT_TRUE(picture);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        std::filesystem::remove(wad);
        std::vector<std::string> arguments = {"add", wad};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        ASSERT_EQ(Wad(arguments).code, kExitSuccess);
        const auto read = Wad2Reader(FileBytes(wad)).Read();
        const auto made = gameformats::MakeMipTexture(picture->get(), nullptr, "brick", c.kind,
                                                      {c.conversion}, *palette);
        ASSERT_TRUE(read && made && read->lumps.size() == 1);
        for (std::size_t level = 0; level < 4; ++level) {
            EXPECT_EQ(read->lumps[0].mips[level], made->mips[level]) << level;
        }
    }
}

// orrisbay-blend's .wad output is the same edit: a second texture joins a WAD
// that orrisbay-wad made, which keeps its kind and its first texture's bytes.
TEST_F(WadCommandTest, OrrisbayBlendAddsANamedTextureToTheWad) {
    ASSERT_EQ(Wad({"add", wad, folder.file("brick.bmp"), "--wad3"}).code, kExitSuccess);
    const auto before = Wad2Reader(FileBytes(wad)).Read();
    std::ostringstream out, err;
    const auto blend = [&](std::vector<std::string> arguments) {
        return RunBlend(arguments, out, err);
    };
    ASSERT_EQ(blend({"--builtin", "-o", wad, "--name", "Grass_1"}), kExitSuccess) << err.str();
    const auto after = Wad2Reader(FileBytes(wad)).Read();
    ASSERT_TRUE(before && after && after->magic == "WAD3" && after->lumps.size() == 2);
    EXPECT_EQ(after->lumps[0].raw, before->lumps[0].raw);
    EXPECT_EQ(after->lumps[1].directoryName, "grass_1");
    EXPECT_EQ(after->lumps[1].width, 256u);
    EXPECT_EQ(after->lumps[1].palette.size(), 768u);

    const std::string kept = ReadFile(wad);
    EXPECT_EQ(blend({"--builtin", "-o", wad, "--name", "two words"}), kExitUsage);
    EXPECT_EQ(blend({"--builtin", "-o", folder.file("a.png"), "--name", "grass"}), kExitUsage);
    EXPECT_EQ(ReadFile(wad), kept);
}

// check and defullbright on a WAD of "lamp", a 2 x 2 cluster and a speck, and
// "grate", with no glow.
void WriteLampAndGrate(const std::string& wad, gameformats::WadKind kind) {
    const auto lamp =
        orrisbay::testing::DrawnTexture("lamp", 16, {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {12, 12}});
    const auto grate = orrisbay::testing::DrawnTexture("grate", 16, {});
    ASSERT_TRUE(gameformats::WriteWadFile(wad, {kind,
                                                {gameformats::EncodeMipTexture(lamp, kind),
                                                 gameformats::EncodeMipTexture(grate, kind)}}));
}

TEST_F(WadCommandTest, CheckListsGlowingTexturesUntilDefullbrightRemovesTheirGlow) {
    WriteLampAndGrate(wad, gameformats::WadKind::Wad2);
    const Outcome found = Wad({"check", wad});
    EXPECT_EQ(found.code, kExitFindings);
    EXPECT_EQ(found.out,
              "lamp             16 x 16     5 fullbright (1.95%), 1 speck, 4 in clusters, 0 in "
              "smaller mips\n");
    EXPECT_EQ(found.err, "orrisbay-wad: " + wad + ": 1 of 2 textures have fullbright pixels\n");
    // Outside a mask white on its left half the speck goes, the cluster stays.
    freeimage_base::Bitmap mask(FreeImage_Allocate(8, 8, 8));
    for (int y = 0; y < 8; ++y) {
        std::fill_n(FreeImage_GetScanLine(mask.get(), y), 4, BYTE{255});
    }
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, mask.get(), folder.file("left.png").c_str(), 0));
    EXPECT_EQ(Wad({"defullbright", wad, "lamp", "--outside", folder.file("left.png")}).code, 0);
    EXPECT_NE(Wad({"check", wad}).out.find("4 fullbright (1.56%), 0 specks"), std::string::npos);
    EXPECT_EQ(Wad({"defullbright", wad, "lamp"}).out,  // --specks: none left
              "lamp: 0 pixels now of ordinary colours (0 at full size, 0 in smaller mips)\n" + wad +
                  " left as it was: no pixel to change\n");
    EXPECT_EQ(Wad({"defullbright", wad, "grate", "LAMP", "--all"}).code, kExitSuccess);
    EXPECT_EQ(Wad({"check", wad}).out, wad + ": no fullbright pixels in its 2 textures\n");
}

TEST_F(WadCommandTest, DefullbrightLeavesTheWadAloneOnWrongCommandLinesMissingTexturesAndWad3s) {
    WriteLampAndGrate(wad, gameformats::WadKind::Wad2);
    const auto bytes = FileBytes(wad);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"defullbright", wad},
          {"defullbright", wad, "lamp", "--specks", "--all"},
          {"check", wad, "--all"}}) {
        EXPECT_EQ(Wad(arguments).code, kExitUsage) << arguments.size();
    }
    EXPECT_EQ(Wad({"defullbright", wad, "lamp", "nosuch", "--all"}).code, kExitBadInput);
    EXPECT_EQ(FileBytes(wad), bytes);

    WriteLampAndGrate(wad, gameformats::WadKind::Wad3);  // its own colours: nothing glows
    const Outcome checked = Wad({"check", wad});
    EXPECT_EQ(checked.code, kExitSuccess);
    EXPECT_NE(checked.err.find("warning: " + wad + ": a Half-Life WAD3"), std::string::npos);
    const auto wad3 = FileBytes(wad);
    EXPECT_EQ(Wad({"defullbright", wad, "lamp", "--all"}).code, kExitBadInput);
    EXPECT_EQ(FileBytes(wad), wad3);
}

// The WAD argument is a WAD whatever its name, and nothing else is one; a
// name taken from a file keeps the rules a --name keeps; a damaged WAD whose
// name is ambiguous is not edited. Each refusal leaves every file alone.
TEST_F(WadCommandTest, OnlyWadsAreEditedAndOnlyUnderNamesThatKeepTheRules) {
    const std::string precious =
        orrisbay::testing::SavePattern(folder.file("precious.png"), FIF_PNG, 64, 64, 24);
    std::filesystem::create_directory(folder.file("maps.wad"));
    for (const char* name : {"brick_wall_large_01.bmp", "Stone Wall.bmp",
                             "\xC3\x9Cn\xC3\xAF"
                             "code.bmp"}) {
        std::filesystem::copy_file(folder.file("brick.bmp"), folder.file(name));
    }
    const std::string damaged = folder.file("twice.wad");
    ASSERT_EQ(Wad({"add", wad, folder.file("brick.bmp")}).code, kExitSuccess);
    const std::string bytes = ReadFile(wad);
    {
        // A damaged WAD: the same texture twice under one name.
        auto read = gameformats::ReadWadFile(wad);
        ASSERT_TRUE(read);
        read.value().lumps.push_back(read.value().lumps[0]);
        ASSERT_TRUE(gameformats::WriteWadFile(damaged, read.value()));
    }
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string says;
    } cases[] = {
        {{"add", precious, folder.file("brick.bmp")},
         kExitBadInput,
         precious + " is not a WAD file: it is a PNG picture"},
        {{"add", folder.file("out.tga"), folder.file("brick.bmp")},
         kExitBadInput,
         "a new WAD file must have a name ending in .wad"},
        {{"list", folder.file("maps.wad")}, kExitBadInput, "is a folder, not a WAD file"},
        {{"add", wad, folder.file("brick_wall_large_01.bmp")},
         kExitUsage,
         "the nearest valid name is \"brick_wall_l_01\"; give a name with --name"},
        {{"add", wad, folder.file("Stone Wall.bmp")},
         kExitUsage,
         "the nearest valid name is \"stone_wall\""},
        {{"add", wad,
          folder.file("\xC3\x9Cn\xC3\xAF"
                      "code.bmp")},
         kExitUsage,
         "the nearest valid name is \"unicode\""},
        {{"add", folder.file("new3.wad"), folder.file("odd.bmp"), "--wad3"},
         kExitNotWadSize,
         "Half-Life textures must be a multiple of 16"},
        {{"remove", damaged, "BRICK"}, kExitBadInput, "2 lumps are named \"brick\""},
        {{"rename", damaged, "brick", "stone"}, kExitBadInput, "2 lumps are named"},
        {{"add", damaged, folder.file("brick.bmp")}, kExitBadInput, "2 lumps are named"},
    };
    const auto entries = folder.entries();
    const std::string kept = ReadFile(damaged);
    for (const auto& c : cases) {
        const Outcome run = Wad(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(folder.entries(), entries);
    }
    EXPECT_EQ(ReadFile(wad), bytes);
    EXPECT_EQ(ReadFile(damaged), kept);
    EXPECT_TRUE(orrisbay::testing::SamePixels(orrisbay::testing::Pattern(64, 64, 24).get(),
                                              orrisbay::testing::LoadAs(FIF_PNG, precious).get()));
    EXPECT_NE(Wad({"list", damaged}).out.find("(duplicate name)"), std::string::npos);

    // A WAD of another name is still a WAD; blend names keep the rules too.
    std::filesystem::copy_file(wad, folder.file("mine.dat"));
    EXPECT_EQ(Wad({"add", folder.file("mine.dat"), folder.file("grate.png"), "--name", "g"}).code,
              kExitSuccess);
    EXPECT_NE(Wad({"list", folder.file("mine.dat")}).out.find("\ng "), std::string::npos);
    std::ostringstream out, err;
    const std::vector<std::string> accented = {"--builtin", "-o",
                                               folder.file("D\xC3\xA9j\xC3\xA0.wad")};
    EXPECT_EQ(RunBlend(accented, out, err), kExitUsage);
    EXPECT_NE(err.str().find("the nearest valid name is \"deja\""), std::string::npos) << err.str();
}

// A mask goes with see-through names only, and is scaled to the picture as
// orrisbay-blend scales its masks; a see-through name with nothing to see
// through is told, by both commands.
TEST_F(WadCommandTest, MasksAndSeeThroughNamesAreToldAbout) {
    orrisbay::testing::SavePattern(folder.file("big_mask.png"), FIF_PNG, 64, 64, 8);
    const Outcome plain =
        Wad({"add", wad, folder.file("brick.bmp"), "--mask", folder.file("big_mask.png")});
    EXPECT_EQ(plain.code, kExitSuccess);
    EXPECT_NE(plain.err.find("warning: --mask is for see-through textures"), std::string::npos)
        << plain.err;
    const Outcome scaled = Wad({"add", wad, folder.file("brick.bmp"), "--name", "{brick", "--mask",
                                folder.file("big_mask.png")});
    EXPECT_EQ(scaled.code, kExitSuccess) << scaled.err;
    std::ostringstream out, err;
    const std::vector<std::string> holes = {"--builtin", "-o", wad, "--name", "{holes"};
    ASSERT_EQ(RunBlend(holes, out, err), kExitSuccess);
    EXPECT_NE(err.str().find("\"{holes\" is a see-through name, but nothing in it is see-through"),
              std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace orrisbay::cli
