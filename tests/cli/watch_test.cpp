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

using orrisbay::testing::ReadFile;
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

// What the command writes for the inputs as they are now, run once.
std::string BlendedOnce(const std::vector<std::string>& inputs, const std::string& output) {
    std::vector<std::string> arguments = inputs;
    arguments.insert(arguments.end(), {"-o", output});
    std::ostringstream ignored;
    EXPECT_EQ(RunBlend(arguments, ignored, ignored), kExitSuccess);
    return ReadFile(output);
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
    EXPECT_TRUE(ReadFile(output) == BlendedOnce(inputs, expected.file("first.png")));

    SavePattern(inputs[0], FIF_PNG, 48, 40, 24, 9);
    EXPECT_TRUE(IsRunLine(watch.NextLine(), output));
    EXPECT_TRUE(ReadFile(output) == BlendedOnce(inputs, expected.file("second.png")));

    EXPECT_EQ(watch.Interrupt(), 0);
    EXPECT_EQ(folder.entries(),
              (std::set<std::string>{"in0.png", "in1.png", "in2.png", "in3.png", "out.png"}))
        << "no temporary file is left";
}

}  // namespace
}  // namespace orrisbay::cli
