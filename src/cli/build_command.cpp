#include "cli/build_command.h"

#include <ostream>

#include "cli/command_support.h"
#include "palette/finder_cache.h"
#include "session/set_build.h"

namespace orrisbay::cli {
namespace {

using session::TextureOutcome;
using session::TextureReport;

// One progress line on a terminal, rewritten as textures are made; a
// line per texture made otherwise.
class ProgressLines : public session::BuildProgress {
  public:
    ProgressLines(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
    ~ProgressLines() override {
        if (terminal_ && shown_) {
            out_ << "\r\033[K" << std::flush;
        }
    }

    void Planned(std::size_t toMake) override { total_ = toMake; }
    void Started(const std::string& name) override {
        if (terminal_) {
            shown_ = true;
            out_ << "\r\033[K[" << done_ << "/" << total_ << "] " << name << std::flush;
        }
    }
    void Made(const TextureReport& report, std::size_t done, std::size_t total) override {
        done_ = done;
        if (terminal_) {
            out_ << "\r\033[K[" << done << "/" << total << "] " << report.name << std::flush;
        } else {
            out_ << (report.outcome == TextureOutcome::Failed ? "failed " : "made ") << report.name
                 << " (" << report.output << ")\n";
        }
    }

  private:
    std::ostream& out_;
    bool terminal_;
    bool shown_ = false;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
};

int ReportDryRun(const session::BuildSummary& summary, std::ostream& out, std::ostream& err) {
    for (const TextureReport& texture : summary.textures) {
        if (texture.outcome == TextureOutcome::OutOfDate) {
            out << "would build " << texture.name << " (" << texture.output << ")\n";
        } else if (texture.outcome == TextureOutcome::Failed) {
            err << kBuildProgramName << ": " << texture.name << " (" << texture.output
                << "): " << texture.problem->message << '\n';
        }
    }
    for (const std::string& removed : summary.removed) {
        out << "would remove " << removed << '\n';
    }
    out << summary.Count(TextureOutcome::OutOfDate) << " to build, "
        << summary.Count(TextureOutcome::UpToDate) << " up to date, "
        << summary.Count(TextureOutcome::Failed) << " cannot be built\n";
    const TextureReport* failed = summary.FirstFailure();
    return failed ? ExitCodeOf(*failed->problem) : kExitSuccess;
}

int ReportBuild(const session::BuildSummary& summary, std::ostream& out, std::ostream& err) {
    for (const std::string& removed : summary.removed) {
        out << "removed " << removed << '\n';
    }
    for (const TextureReport& texture : summary.textures) {
        if (texture.outcome == TextureOutcome::Failed) {
            err << kBuildProgramName << ": " << texture.name << " (" << texture.output
                << "): " << texture.problem->message << '\n';
        }
    }
    out << summary.Count(TextureOutcome::Built) << " built, "
        << summary.Count(TextureOutcome::UpToDate) << " up to date, "
        << summary.Count(TextureOutcome::Failed) << " failed\n";
    if (const TextureReport* failed = summary.FirstFailure()) {
        return ExitCodeOf(*failed->problem);
    }
    if (summary.stateProblem) {
        err << kBuildProgramName << ": " << summary.stateProblem->message << '\n';
        return kExitOutputNotWritten;
    }
    return kExitSuccess;
}

}  // namespace

session::BuildRequest BuildRequestOf(const BuildOptions& options) {
    Result<quake_palette::Palette> game = ReadGamePalette();
    session::BuildRequest request{options.recipe, options.jobs, options.force, options.dryRun,
                                  options.only};
    if (game) {
        request.programPalette = *game;
    } else {
        request.programPaletteProblem = game.problem().message;
    }
    return request;
}

void ReportProblemLines(const Problem& problem, std::string_view before, std::ostream& err) {
    std::string_view message = problem.message;
    for (std::size_t end = 0; !message.empty(); message.remove_prefix(end)) {
        end = message.find('\n');
        err << before << kBuildProgramName << ": " << message.substr(0, end) << '\n';
        end = end == std::string_view::npos ? message.size() : end + 1;
    }
    err.flush();
}

void ReportBuildWarnings(const session::BuildSummary& summary, std::ostream& err) {
    for (const std::string& warning : summary.warnings) {
        err << kBuildProgramName << ": warning: " << warning << '\n';
    }
    for (const TextureReport& texture : summary.textures) {
        for (const std::string& warning : texture.warnings) {
            err << kBuildProgramName << ": warning: " << texture.name << ": " << warning << '\n';
        }
    }
}

int Build(const BuildOptions& options, std::ostream& out, std::ostream& err, bool terminal) {
    const session::BuildRequest request = BuildRequestOf(options);
    Result<session::BuildSummary> summary = [&] {
        ProgressLines progress(out, terminal);
        return session::BuildSet(request, progress);
    }();
    if (!summary) {
        // One line per problem of the recipe, each named by the program.
        ReportProblemLines(summary.problem(), {}, err);
        return ExitCodeOf(summary.problem());
    }
    ReportBuildWarnings(*summary, err);
    return options.dryRun ? ReportDryRun(*summary, out, err) : ReportBuild(*summary, out, err);
}

int RunBuild(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
             bool terminal) {
    const ParsedBuildArguments parsed = ParseBuildArguments(arguments);
    if (!parsed.error.empty()) {
        return ReportUsageError(kBuildProgramName, parsed.error, err);
    }
    if (parsed.options.help) {
        out << BuildUsageText();
        return kExitSuccess;
    }
    if (parsed.options.version) {
        return ReportVersion(kBuildProgramName, out);
    }
    // A set's textures mostly share a palette and options: its finders are made once.
    quake_palette::KeepFinders(4);
    return parsed.options.watch ? RunBuildWatch(parsed.options, out, err, terminal)
                                : Build(parsed.options, out, err, terminal);
}

}  // namespace orrisbay::cli
