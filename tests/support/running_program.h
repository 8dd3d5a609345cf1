#pragma once

// A program of the project started as a user starts it, its standard output
// and standard error read line by line, for tests of commands that keep
// running (orrisbay-blend --watch, orrisbay-build --watch).
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>
#include <vector>

extern char** environ;

namespace orrisbay::testing {

class RunningProgram {
  public:
    RunningProgram(const std::string& program, std::vector<std::string> arguments) {
        int out[2];
        int err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        streams_[0].descriptor = out[0];
        streams_[1].descriptor = err[0];
    }
    ~RunningProgram() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (Stream& stream : streams_) {
            ::close(stream.descriptor);
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return pid_ > 0; }

    // The next line on standard output (`error` false) or standard error,
    // or the empty text after `patienceMs` without one.
    std::string NextLine(bool error = false, int patienceMs = 10000) {
        Stream& stream = streams_[error ? 1 : 0];
        for (;;) {
            if (const auto end = stream.buffer.find('\n'); end != std::string::npos) {
                const std::string line = stream.buffer.substr(0, end);
                stream.buffer.erase(0, end + 1);
                return line;
            }
            pollfd readable{stream.descriptor, POLLIN, 0};
            char chunk[512];
            const ssize_t got = ::poll(&readable, 1, patienceMs) > 0
                                    ? ::read(stream.descriptor, chunk, sizeof chunk)
                                    : 0;
            if (got <= 0) {
                return {};
            }
            stream.buffer.append(chunk, static_cast<std::size_t>(got));
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
    struct Stream {
        int descriptor = -1;
        std::string buffer;
    };
    pid_t pid_ = -1;
    std::array<Stream, 2> streams_{};
};

}  // namespace orrisbay::testing
