#include "cli/watch_command.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/blend_command.h"
#include "imageio/file_watcher.h"
#include "palette/finder_cache.h"

namespace orrisbay::cli {

namespace {

using Clock = std::chrono::steady_clock;

// SIGINT and SIGTERM held back from the process and read from a descriptor
// instead, so they end the command only where it chooses: between runs.
class StopSignals {
  public:
    StopSignals() {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
        descriptor_ = signalfd(-1, &signals_, SFD_NONBLOCK | SFD_CLOEXEC);
        if (descriptor_ < 0) {
            pthread_sigmask(SIG_SETMASK, &previous_, nullptr);  // Ctrl+C ends it at once
        }
    }
    ~StopSignals() {
        // Signals that came in meanwhile are taken here, not on unblocking.
        signalfd_siginfo info;
        while (descriptor_ >= 0 && ::read(descriptor_, &info, sizeof info) > 0) {
        }
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int Descriptor() const { return descriptor_; }

  private:
    sigset_t signals_{};
    sigset_t previous_{};
    int descriptor_ = -1;
};

// The local time of day, "HH:MM:SS".
std::string TimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// The input that is the same file as the output, or empty.
std::string InputAlsoOutput(const BlendOptions& options) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path output = fs::weakly_canonical(options.output, error);
    for (const std::string& input : InputFiles(options)) {
        std::error_code inputError;
        if (!error && fs::weakly_canonical(input, inputError) == output && !inputError) {
            return input;
        }
    }
    return {};
}

void RunOnce(const BlendOptions& options, const GamePalette& game, std::ostream& out,
             std::ostream& err) {
    const Clock::time_point start = Clock::now();
    const CommandResult failure = BlendFiles(options, game);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    for (const std::string& warning : failure.warnings) {
        err << kProgramName << ": warning: " << warning << std::endl;
    }
    if (failure.code == kExitSuccess) {
        out << TimeOfDay() << ' ' << options.output << " written in " << elapsed.count() << " ms"
            << std::endl;
    } else {
        err << TimeOfDay() << ' ' << kProgramName << ": " << failure.message << std::endl;
    }
}

// Waits for an input change to settle or a stop signal; true on a change.
bool WaitForChange(imageio::FileWatcher& watcher, const StopSignals& stop) {
    for (;;) {
        const auto settle = watcher.TimeToNextSettle();
        const int timeout =
            settle ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*settle).count())
                   : -1;
        pollfd waiting[] = {{stop.Descriptor(), POLLIN, 0}, {watcher.Descriptor(), POLLIN, 0}};
        if (::poll(waiting, 2, timeout) < 0 && errno != EINTR) {
            return false;
        }
        if (waiting[0].revents != 0) {
            return false;
        }
        watcher.ReadEvents();
        if (!watcher.TakeSettled().empty()) {
            return true;
        }
    }
}

}  // namespace

int RunWatch(const BlendOptions& options, std::ostream& out, std::ostream& err) {
    const std::string name(kProgramName);
    if (const std::string input = InputAlsoOutput(options); !input.empty()) {
        err << name << ": --watch: the output " << options.output << " is also the input " << input
            << "; it would be blended again after every run\n";
        return kExitUsage;
    }
    GamePalette game;
    if (const CommandResult failure = ReadPaletteFor(options, game); failure.code != kExitSuccess) {
        return ReportResult(kProgramName, failure, err);
    }
    // Every run converts to the same palette with the same options: the
    // nearest-colour finder is made once.
    quake_palette::KeepFinders(1);
    const StopSignals stop;
    imageio::FileWatcher watcher;
    const std::vector<std::string> inputs = InputFiles(options);
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const std::string& input = inputs[index];
        if (const std::string problem = watcher.Watch(static_cast<int>(index), input);
            !problem.empty()) {
            err << name << ": " << input << ": cannot follow changes: " << problem << '\n';
            return kExitBadInput;
        }
    }
    err << name << ": following the "
        << (inputs.size() == 4 ? "four" : std::to_string(inputs.size()))
        << " inputs; Ctrl+C ends\n";
    do {
        RunOnce(options, game, out, err);
    } while (WaitForChange(watcher, stop));
    return kExitSuccess;
}

}  // namespace orrisbay::cli
