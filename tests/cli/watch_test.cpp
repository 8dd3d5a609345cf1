// orrisbay-blend --watch run as the real program: a changed input rewrites
// the output with one line said, and SIGINT ends it cleanly.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "cli/blend_command.h"
#include "support/image_files.h"

extern char** environ;

namespace orrisbay::cli {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::TemporaryFolder;

// The command started with its standard output on a pipe.
class Watching {
  public:
    explicit Watching(std::vector<std::string> arguments) {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, ends[0]);
        arguments.insert(arguments.begin(), ORRISBAY_BLEND_PROGRAM);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        output_ = ends[0];
    }
    ~Watching() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(output_);
    }

    // The next line it prints, or the empty text after 10 s without one.
    std::string NextLine() {
        for (;;) {
            if (const auto end = buffer_.find('\n'); end != std::string::npos) {
                const std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            pollfd readable{output_, POLLIN, 0};
            char chunk[256];
            const ssize_t got = ::poll(&readable, 1, 10000) > 0 ? ::read(output_, chunk, 256) : 0;
            if (got <= 0) {
                return {};
            }
            buffer_.append(chunk, static_cast<std::size_t>(got));
        }
    }

    // Sends SIGINT and gives the exit status (-1 when it did not exit by itself).
    int Interrupt() {
        ::kill(pid_, SIGINT);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffer_;
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

}  // namespace
}  // namespace orrisbay::cli
