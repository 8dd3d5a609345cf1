#include "cli/watch_command.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/blend_command.h"
#include "cli/stop_signals.h"
#include "palette/finder_cache.h"
#include "session/texture_session.h"

namespace orrisbay::cli {

namespace {

using Clock = std::chrono::steady_clock;

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

// The inputs the command follows: the four, then the height maps and the
// glow mask given.
std::vector<int> FollowedInputs(const BlendOptions& options) {
    std::vector<int> inputs = {0, 1, 2, 3};
    for (int which = 0; which < 2; ++which) {
        if (!options.heightMaps[static_cast<std::size_t>(which)].empty()) {
            inputs.push_back(session::kHeightMap1 + which);
        }
    }
    if (!options.glow.file.empty()) {
        inputs.push_back(session::kGlowMask);
    }
    return inputs;
}

// One run: the changed inputs read again (and those never read yet), one
// merge, the output written; one line said, and a line per file not read.
void RunOnce(session::TextureSession& session, std::vector<int> inputs, const BlendOptions& options,
             const Result<quake_palette::Palette>& game, std::ostream& out, std::ostream& err) {
    const Clock::time_point start = Clock::now();
    for (const int input : FollowedInputs(options)) {
        const bool unread = session.InputPicture(input) == nullptr;
        if (unread && std::find(inputs.begin(), inputs.end(), input) == inputs.end()) {
            inputs.push_back(input);
        }
    }
    const session::SessionUpdate update = session.ReadAgain(inputs);
    const auto failed = [&](const std::string& message) {
        err << TimeOfDay() << ' ' << kProgramName << ": " << message << std::endl;
    };
    for (const std::string& warning : update.warnings) {
        err << kProgramName << ": warning: " << warning << std::endl;
    }
    for (const auto& [input, problem] : update.notRead) {
        failed(problem.message);
    }
    if (update.mergeFailure) {
        failed("merge failed: " + *update.mergeFailure);
    }
    // A write that failed is tried again at the next change.
    session.SetKeepingOutput(true);
    const auto written = session.WriteKeptOutput();
    if (!written) {
        return;
    }
    for (const std::string& warning : written->warnings()) {
        err << kProgramName << ": warning: " << warning << std::endl;
    }
    if (!*written) {
        failed(ExportProblem(written->problem(), options.output,
                             game ? std::nullopt : std::optional(game.problem()))
                   .message);
        return;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    // A map that holds the very texture already is left as it was.
    const bool unchanged = (*written)->mapTexture && !(*written)->mapTexture->changed;
    out << TimeOfDay() << ' ' << options.output
        << (unchanged ? " holds this very texture, unchanged in " : " written in ")
        << elapsed.count() << " ms" << std::endl;
}

// Waits for an input change to settle or a stop signal; the inputs that
// changed, or empty on a stop.
std::vector<int> WaitForChange(session::TextureSession& session, const StopSignals& stop) {
    for (;;) {
        const auto settle = session.TimeToNextSettle();
        const int timeout =
            settle ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*settle).count())
                   : -1;
        pollfd waiting[] = {{stop.Descriptor(), POLLIN, 0}, {session.WatchDescriptor(), POLLIN, 0}};
        if (::poll(waiting, 2, timeout) < 0 && errno != EINTR) {
            return {};
        }
        if (waiting[0].revents != 0) {
            return {};
        }
        session.TakeWatchEvents();
        if (std::vector<int> settled = session.TakeSettledInputs(); !settled.empty()) {
            return settled;
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
    Result<quake_palette::Palette> game = NoGamePalette();
    if (Result<void> read = ReadPaletteFor(options, game); !read) {
        return ReportResult(kProgramName, read, err);
    }
    // Every run converts to the same palette with the same options: the
    // nearest-colour finders (ordinary and glowing colours) are made once.
    quake_palette::KeepFinders(2);
    const StopSignals stop;
    session::TextureSession session;
    session.SetPalette(game ? std::optional(*game) : std::nullopt);
    (void)session.SetMergeOptions(options.merge);
    const std::vector<std::string> files = InputFiles(options);
    const std::vector<int> inputs = FollowedInputs(options);
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        session.SetSource(inputs[index], session::InputSource::File(files[index]));
        if (const std::string& problem = session.WatchProblem(inputs[index]); !problem.empty()) {
            err << name << ": " << files[index] << ": cannot follow changes: " << problem << '\n';
            return kExitBadInput;
        }
    }
    session.KeepOutput(ExportOf(options));
    err << name << ": following the "
        << (inputs.size() == 4 ? "four" : std::to_string(inputs.size()))
        << " inputs; Ctrl+C ends\n";
    std::vector<int> changed = inputs;
    do {
        RunOnce(session, changed, options, game, out, err);
    } while (!(changed = WaitForChange(session, stop)).empty());
    return kExitSuccess;
}

}  // namespace orrisbay::cli
