#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace orrisbay::testing {

// A command that follows files, started with its standard output on a pipe.
class Watching {
  public:
    Watching(const std::string& program, std::vector<std::string> arguments) {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, ends[0]);
        arguments.insert(arguments.begin(), program);
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

}  // namespace orrisbay::testing
