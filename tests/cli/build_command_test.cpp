// orrisbay-build run in-process on a real set: the WAD it writes against the
// same textures made one by one by orrisbay-blend and orrisbay-wad add, what
// it makes again after a change, and what it refuses before writing.
#include "cli/build_command.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "cli/blend_command.h"
#include "cli/wad_command.h"
#include "gameformats/wad2_reader.h"
#include "support/image_files.h"
#include "support/running_program.h"

namespace orrisbay::cli {
namespace {

using gameformats::testing::FileBytes;
using gameformats::testing::Wad2Reader;
using orrisbay::testing::ReadFile;

struct Outcome {
    int code = -1;
    std::string out, err;
};

Outcome Build(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = RunBuild(arguments, out, err, false);
    return {code, out.str(), err.str()};
}

int Blend(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    return RunBlend(arguments, out, err);
}

int WadAdd(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    arguments.insert(arguments.begin(), "add");
    return RunWad(arguments, out, err);
}

void SaveMask(const std::string& path, unsigned seed) {
    const freeimage_base::Bitmap mask = orrisbay::testing::RandomMask(32, 32, seed);
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, mask.get(), path.c_str(), 0));
}

class BuildCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        using orrisbay::testing::SavePattern;
        std::filesystem::create_directories(folder.file("pics"));
        SavePattern(folder.file("l1.png"), FIF_PNG, 32, 32, 24, 1);
        SavePattern(folder.file("l2.tga"), FIF_TARGA, 24, 32, 32, 2);
        SaveMask(folder.file("m1.png"), 3);
        SaveMask(folder.file("m2.png"), 4);
        SaveMask(folder.file("m3.png"), 5);
        SaveMask(folder.file("h2.png"), 8);
        SaveMask(folder.file("g1.png"), 11);
        SavePattern(folder.file("pics/brick.png"), FIF_PNG, 16, 16, 24, 6);
        freeimage_base::Bitmap fence = orrisbay::testing::Pattern(32, 16, 32, 7);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 32; ++x) {
                FreeImage_GetScanLine(fence.get(), y)[4 * x + FI_RGBA_ALPHA] = x < 8 ? 0 : 255;
            }
        }
        ASSERT_TRUE(
            FreeImage_Save(FIF_PNG, fence.get(), folder.file("pics/{fence.png").c_str(), 0));
        folder.Write("set.toml", kRecipe);
    }

    // The same textures, made one by one into `wad` as the recipe lists them.
    void MakeOneByOne(const std::string& wad) {
        const std::string l1 = folder.file("l1.png"), l2 = folder.file("l2.tga");
        ASSERT_EQ(Blend({l1, l2, folder.file("m1.png"), folder.file("m2.png"), "-o", wad, "--name",
                         "grass_dirt", "--dither", "--glow", folder.file("g1.png")}),
                  0);
        ASSERT_EQ(Blend({l1, l2, folder.file("m1.png"), folder.file("m3.png"), "-o", wad, "--name",
                         "{cut", "--rescale"}),
                  0);
        ASSERT_EQ(WadAdd({wad, folder.file("pics/brick.png")}), 0);
        ASSERT_EQ(WadAdd({wad, folder.file("pics/{fence.png"), "--threshold", "100"}), 0);
        ASSERT_EQ(Blend({l1, l2, folder.file("m1.png"), folder.file("m2.png"), "-o",
                         folder.file("one_by_one_hl.wad"), "--name", "hl_blend", "--wad3",
                         "--dither", "--height-blend", "0.15", "--height2", folder.file("h2.png")}),
                  0);
        ASSERT_EQ(Blend({l1, l2, folder.file("m1.png"), folder.file("m3.png"), "-o",
                         folder.file("one_by_one.png"), "--quake", "--dither", "diffusion:0.8",
                         "--metric", "perceptual", "--fullbrights", "--glow", folder.file("g1.png"),
                         "--glow-output"}),
                  0);
    }

    // True when the set's three outputs have the bytes of those made one by one.
    void ExpectOneByOneBytes() {
        MakeOneByOne(folder.file("one_by_one.wad"));
        EXPECT_EQ(FileBytes(wad), FileBytes(folder.file("one_by_one.wad")));
        EXPECT_EQ(FileBytes(folder.file("hl.wad")), FileBytes(folder.file("one_by_one_hl.wad")));
        EXPECT_EQ(FileBytes(folder.file("out.png")), FileBytes(folder.file("one_by_one.png")));
        EXPECT_EQ(FileBytes(folder.file("out_glow.png")),
                  FileBytes(folder.file("one_by_one_glow.png")));
    }

    static constexpr const char* kRecipe = R"([defaults]
dither = true

[[texture]]
name = "grass_dirt"
layer1 = "l1.png"
layer2 = "l2.tga"
mask1 = "m1.png"
mask2 = "m2.png"
glow = "g1.png"
output = "pack.wad"

[[texture]]
name = "{cut"
layer1 = "l1.png"
layer2 = "l2.tga"
mask1 = "m1.png"
mask2 = "m3.png"
output = "pack.wad"
dither = false
rescale = true

[[pictures]]
files = "pics/*.png"
output = "pack.wad"
dither = false

[[pictures]]
files = "pics/{*.png"
threshold = 100

[[texture]]
name = "hl_blend"
layer1 = "l1.png"
layer2 = "l2.tga"
mask1 = "m1.png"
mask2 = "m2.png"
height2 = "h2.png"
height_blend = 0.15
wad = "wad3"
output = "hl.wad"

[[texture]]
name = "png_out"
layer1 = "l1.png"
layer2 = "l2.tga"
mask1 = "m1.png"
mask2 = "m3.png"
quake = true
fullbrights = true
dither = "diffusion:0.8"
metric = "perceptual"
glow = "g1.png"
glow_output = true
output = "out.png"
)";

    orrisbay::testing::TemporaryFolder folder{"orrisbay-build-command"};
    const std::string recipe = folder.file("set.toml");
    const std::string wad = folder.file("pack.wad");
};

TEST_F(BuildCommandTest, GivesTheWadOfTheTexturesMadeOneByOne) {
    const Outcome built = Build({recipe, "--jobs", "2"});
    ASSERT_EQ(built.code, 0) << built.err;
    EXPECT_NE(built.out.find("6 built, 0 up to date, 0 failed"), std::string::npos) << built.out;
    ExpectOneByOneBytes();

    EXPECT_NE(Build({recipe}).out.find("0 built, 6 up to date"), std::string::npos);
}

TEST_F(BuildCommandTest, MakesAgainOnlyTheTextureWhoseSourceChanged) {
    ASSERT_EQ(Build({recipe}).code, 0);
    const auto before = Wad2Reader(FileBytes(wad)).Read();
    SaveMask(folder.file("m3.png"), 40);
    const Outcome rebuilt = Build({recipe, "--only", "{cut", "grass_dirt"});
    ASSERT_EQ(rebuilt.code, 0) << rebuilt.err;
    EXPECT_NE(rebuilt.out.find("made {cut (pack.wad)\n1 built, 1 up to date"), std::string::npos)
        << rebuilt.out;
    const auto after = Wad2Reader(FileBytes(wad)).Read();
    ASSERT_TRUE(before && after && after->lumps.size() == 4);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(after->lumps[i].raw == before->lumps[i].raw, i != 1) << i;
    }
    const Outcome rest = Build({recipe});
    EXPECT_NE(rest.out.find("made png_out (out.png)\n1 built, 5 up to date"), std::string::npos)
        << rest.out;
    ExpectOneByOneBytes();
}

TEST_F(BuildCommandTest, ASourceRewrittenAfterItsFileWasKnownIsReadAgain) {
    ASSERT_EQ(Build({recipe}).code, 0);
    // Sources older than two seconds are known by what the file system says of them.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    ASSERT_EQ(Build({recipe}).code, 0);
    ASSERT_NE(ReadFile(recipe + ".state").find("[[source]]"), std::string::npos);
    SaveMask(folder.file("m2.png"), 42);  // the same size, other bytes: its two textures
    const Outcome rebuilt = Build({recipe});
    EXPECT_NE(rebuilt.out.find("2 built, 4 up to date"), std::string::npos) << rebuilt.out;
    ExpectOneByOneBytes();
}

TEST_F(BuildCommandTest, TexturesOfOneMapAreEachWrittenIntoItAsOrrisbayBlendWritesThem) {
    const std::string room = std::string(ORRISBAY_TEST_MAPS) + "/q1/room.bsp";
    const std::string map = folder.Write("room.bsp", ReadFile(room));
    const std::string once = folder.Write("once.bsp", ReadFile(room));
    folder.Write("map.toml", R"([defaults]
rescale = true
[[texture]]
name = "*water"
layer1 = "l1.png"
layer2 = "l2.tga"
mask1 = "m1.png"
mask2 = "m2.png"
output = "room.bsp"
[[texture]]
name = "{fence"
layer1 = "l1.png"
layer2 = "l2.tga"
mask1 = "m1.png"
mask2 = "m3.png"
output = "room.bsp"
)");
    const Outcome built = Build({folder.file("map.toml"), "--jobs", "2"});
    ASSERT_EQ(built.code, 0) << built.err;
    const std::string l1 = folder.file("l1.png"), l2 = folder.file("l2.tga");
    for (const auto& [name, mask2] : {std::pair{"*water", "m2.png"}, {"{fence", "m3.png"}}) {
        ASSERT_EQ(Blend({l1, l2, folder.file("m1.png"), folder.file(mask2), "-o", once, "--name",
                         name, "--rescale"}),
                  0);
    }
    EXPECT_TRUE(ReadFile(map) == ReadFile(once)) << "neither write lost the other's texture";
    EXPECT_NE(Build({folder.file("map.toml")}).out.find("0 built, 2 up to date"),
              std::string::npos);
}

TEST_F(BuildCommandTest, AFailingTextureLeavesTheOthersBuiltAndTheWadWhole) {
    folder.Write("broken.png", "not a picture at all");
    std::string text = kRecipe;
    text.replace(text.find("layer1 = \"l1.png\""), 17, "layer1 = \"broken.png\"");
    folder.Write("set.toml", text);
    const Outcome built = Build({recipe});
    EXPECT_EQ(built.code, kExitBadInput);
    EXPECT_NE(built.out.find("5 built, 0 up to date, 1 failed"), std::string::npos) << built.out;
    EXPECT_NE(built.err.find("grass_dirt (pack.wad): " + folder.file("broken.png")),
              std::string::npos)
        << built.err;
    const auto read = Wad2Reader(FileBytes(wad)).Read();
    ASSERT_TRUE(read && read->lumps.size() == 3);
    EXPECT_EQ(read->lumps[0].textureName, "{cut");

    folder.Write("set.toml", kRecipe);
    const Outcome mended = Build({recipe});
    EXPECT_EQ(mended.code, 0) << mended.err;
    EXPECT_NE(mended.out.find("1 built, 5 up to date"), std::string::npos) << mended.out;
}

TEST_F(BuildCommandTest, NamesFileLineAndKeyOfEveryRecipeErrorBeforeWritingAnything) {
    struct Case {
        std::string from, to;  // in the recipe's text
        std::string message;   // after "set.toml:"
        int code;
    };
    const std::vector<Case> cases = {
        {"name = \"grass_dirt\"", "name = \"grass_dirt", "5:", kExitUsage},
        {"layer1 = \"l1.png\"", "layr1 = \"l1.png\"",
         "6:1: layr1: unknown key (did you mean 'layer1'?)", kExitUsage},
        {"dither = true", "dither = 1", "2:10: dither: takes true or false", kExitUsage},
        {"name = \"grass_dirt\"", "name = \"grass dirt\"",
         "5:8: name: \"grass dirt\": texture names", kExitUsage},
        {"name = \"{cut\"", "name = \"GRASS_DIRT\"",
         "14:8: name: \"GRASS_DIRT\" is in " + folder.file("pack.wad") + " already (" + recipe +
             ":4)",
         kExitUsage},
        {"mask2 = \"m2.png\"", "mask2 = \"gone.png\"",
         "9:9: mask2: " + folder.file("gone.png") + ": no such file", kExitBadInput},
        {"output = \"pack.wad\"\n\n[[texture]]", "output = \"e1m1.bsp\"\n\n[[texture]]",
         "11:10: output: e1m1.bsp: no such map (compile it first)", kExitUsage},
        {"threshold = 100", "threshold = 0", "30:13: threshold: takes a level from 1 to 255",
         kExitUsage},
    };
    for (const Case& wrong : cases) {
        std::string text = kRecipe;
        text.replace(text.find(wrong.from), wrong.from.size(), wrong.to);
        folder.Write("set.toml", text);
        const Outcome refused = Build({recipe});
        EXPECT_EQ(refused.code, wrong.code) << wrong.to;
        EXPECT_NE(refused.err.find("orrisbay-build: " + recipe + ":" + wrong.message),
                  std::string::npos)
            << refused.err;
        EXPECT_FALSE(std::filesystem::exists(wad)) << wrong.to;
        EXPECT_FALSE(std::filesystem::exists(recipe + ".state")) << wrong.to;
    }
}

// True for "HH:MM:SS WHAT in N ms".
bool IsRebuildLine(const std::string& line, const std::string& what) {
    const std::string middle = " " + what + " in ";
    return line.size() > 8 + middle.size() + 3 && line[2] == ':' && line[5] == ':' &&
           line.compare(8, middle.size(), middle) == 0 && line.ends_with(" ms") &&
           line.find_first_not_of("0123456789", 8 + middle.size()) == line.size() - 3;
}

TEST_F(BuildCommandTest, WatchMakesAgainOnlyTheTextureOfAChangedFileUntilInterrupted) {
    orrisbay::testing::RunningProgram watch(ORRISBAY_BUILD_PROGRAM, {recipe, "--watch"});
    std::string line;
    for (int lines = 0; lines < 7 && line.find(" failed") == std::string::npos; ++lines) {
        line = watch.NextLine();
    }
    ASSERT_EQ(line, "6 built, 0 up to date, 0 failed");
    const std::string packBefore = ReadFile(wad);

    SaveMask(folder.file("h2.png"), 41);  // hl_blend's height map alone
    EXPECT_TRUE(IsRebuildLine(watch.NextLine(), "built hl_blend"));
    EXPECT_TRUE(ReadFile(wad) == packBefore);
    ExpectOneByOneBytes();

    EXPECT_EQ(watch.Interrupt(), 0);
    EXPECT_NE(Build({recipe}).out.find("0 built, 6 up to date"), std::string::npos);
}

}  // namespace
}  // namespace orrisbay::cli
