// orrisbay-blend --watch run as the real program: a changed input rewrites
// the output with one line said, and SIGINT ends it cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "cli/blend_command.h"
#include "support/image_files.h"
#include "support/running_program.h"

namespace orrisbay::cli {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::TemporaryFolder;

// The command started as a user starts it.
class Watching : public orrisbay::testing::RunningProgram {
  public:
    explicit Watching(std::vector<std::string> arguments)
        : RunningProgram(ORRISBAY_BLEND_PROGRAM, std::move(arguments)) {}
};

// True for "HH:MM:SS OUTPUT written in N ms".
bool IsRunLine(const std::string& line, const std::string& output) {
    const std::string middle = " " + output + " written in ";
    const auto digits = [&](std::size_t from, std::size_t to) {
        return std::all_of(line.begin() + from, line.begin() + to, ::isdigit);
    };
    const std::size_t end = line.size() - 3;
    return line.size() >= 8 + middle.size() + 4 && digits(0, 2) && line[2] == ':' && digits(3, 5) &&
           line[5] == ':' && digits(6, 8) && line.compare(8, middle.size(), middle) == 0 &&
           digits(8 + middle.size(), end) && end > 8 + middle.size() &&
           line.compare(end, 3, " ms") == 0;
}

// True when `output` holds the pixels the command writes for the inputs as
// they are now, run once (a kept output is compressed more quickly).
::testing::AssertionResult BlendedOnce(const std::string& output,
                                       const std::vector<std::string>& inputs,
                                       const std::string& once) {
    std::vector<std::string> arguments = inputs;
    arguments.insert(arguments.end(), {"-o", once});
    std::ostringstream ignored;
    EXPECT_EQ(RunBlend(arguments, ignored, ignored), kExitSuccess);
    return SamePixels(LoadAs(FIF_PNG, output).get(), LoadAs(FIF_PNG, once).get());
}

TEST(WatchTest, AChangedInputRewritesTheOutputAndSigintEndsCleanly) {
    TemporaryFolder folder("orrisbay-watch");
    TemporaryFolder expected("orrisbay-watch-expected");
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i) {
        inputs.push_back(SavePattern(folder.file("in" + std::to_string(i) + ".png"), FIF_PNG,
                                     32 + 8 * i, 32, 24, i));
    }
    const std::string output = folder.file("out.png");
    std::vector<std::string> arguments = {"--watch", "-o", output};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());

    Watching watch(arguments);
    EXPECT_TRUE(IsRunLine(watch.NextLine(), output));
    EXPECT_TRUE(BlendedOnce(output, inputs, expected.file("first.png")));

    SavePattern(inputs[0], FIF_PNG, 48, 40, 24, 9);
    EXPECT_TRUE(IsRunLine(watch.NextLine(), output));
    EXPECT_TRUE(BlendedOnce(output, inputs, expected.file("second.png")));

    EXPECT_EQ(watch.Interrupt(), 0);
    EXPECT_EQ(folder.entries(),
              (std::set<std::string>{"in0.png", "in1.png", "in2.png", "in3.png", "out.png"}))
        << "no temporary file is left";
}

TEST(WatchTest, AChangedGlowMaskConvertsTheTextureAgain) {
    TemporaryFolder folder("orrisbay-watch-glow");
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i) {
        inputs.push_back(
            SavePattern(folder.file("in" + std::to_string(i) + ".png"), FIF_PNG, 32, 32, 24, i));
    }
    const std::string glow = folder.file("glow.png");
    const auto saveGlow = [&](unsigned seed) {
        const freeimage_base::Bitmap mask = orrisbay::testing::RandomMask(32, 32, seed);
        ASSERT_TRUE(FreeImage_Save(FIF_PNG, mask.get(), glow.c_str()));
    };
    saveGlow(1);
    const std::string output = folder.file("out.png");
    std::vector<std::string> arguments = {"--quake", "--glow", glow};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    std::vector<std::string> watching = {"--watch", "-o", output};
    watching.insert(watching.end(), arguments.begin(), arguments.end());
    Watching watch(watching);
    EXPECT_TRUE(IsRunLine(watch.NextLine(), output));
    const std::string before = ReadFile(output);
    saveGlow(2);
    EXPECT_TRUE(IsRunLine(watch.NextLine(), output));
    EXPECT_NE(ReadFile(output), before);
    EXPECT_TRUE(BlendedOnce(output, arguments, folder.file("once.png")));
    EXPECT_EQ(watch.Interrupt(), 0);
}

TEST(WatchTest, IntoAMapTheTextureFollowsTheInputs) {
    TemporaryFolder folder("orrisbay-watch-map");
    const std::string room = std::string(ORRISBAY_TEST_MAPS) + "/hl/room-hl.bsp";
    const std::string map = folder.Write("room.bsp", ReadFile(room));
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i) {
        inputs.push_back(
            SavePattern(folder.file("in" + std::to_string(i) + ".png"), FIF_PNG, 64, 32, 24, i));
    }
    std::vector<std::string> arguments = {"--watch", "-o", map, "--name", "!water"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    Watching watch(arguments);
    EXPECT_TRUE(IsRunLine(watch.NextLine(), map));
    SavePattern(inputs[1], FIF_PNG, 64, 32, 24, 9);
    EXPECT_TRUE(IsRunLine(watch.NextLine(), map));
    const std::string once = folder.Write("once.bsp", ReadFile(room));
    inputs.insert(inputs.end(), {"--name", "!water", "-o", once});
    std::ostringstream ignored;
    EXPECT_EQ(RunBlend(inputs, ignored, ignored), kExitSuccess);
    EXPECT_TRUE(ReadFile(map) == ReadFile(once)) << "a map's texture is the same bytes either way";
    EXPECT_EQ(watch.Interrupt(), 0);
}

}  // namespace
}  // namespace orrisbay::cli
