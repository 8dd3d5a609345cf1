// orrisbay-build --watch: the set built again, texture by texture, as its
// files change.
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ostream>

#include "cli/build_command.h"
#include "cli/command_support.h"
#include "cli/stop_signals.h"
#include "session/recipe.h"
#include "session/set_follower.h"

namespace orrisbay::cli {

namespace {

using Clock = std::chrono::steady_clock;
using session::TextureOutcome;

// The set of the recipe as it is now; only the recipe itself when it cannot
// be read, so that it is followed until it is right again.
session::TextureSet CurrentSet(const std::string& recipe) {
    if (Result<session::Recipe> read = session::ReadRecipe(recipe)) {
        if (Result<session::TextureSet> set = session::ExpandRecipe(*read)) {
            return std::move(*set);
        }
    }
    return {recipe, {}, {}};
}

void Follow(session::SetFollower& follower, const session::TextureSet& set, std::ostream& err) {
    for (const std::string& problem : follower.Follow(set)) {
        err << kBuildProgramName << ": warning: cannot follow changes of " << problem << '\n';
    }
    err.flush();
}

// Waits for the files' changes to settle or a stop signal; empty on a stop.
session::SetChanges WaitForChanges(session::SetFollower& follower, const StopSignals& stop) {
    for (;;) {
        const auto settle = follower.TimeToNextSettle();
        const int timeout =
            settle ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*settle).count())
                   : -1;
        pollfd waiting[] = {{stop.Descriptor(), POLLIN, 0}, {follower.Descriptor(), POLLIN, 0}};
        if (::poll(waiting, 2, timeout) < 0 && errno != EINTR) {
            return {};
        }
        if (waiting[0].revents != 0) {
            return {};
        }
        follower.TakeEvents();
        if (session::SetChanges changes = follower.TakeSettled(); !changes.Empty()) {
            return changes;
        }
    }
}

// The textures to make again: those that changed, of those asked for; all
// of those asked for when the recipe changed.
std::vector<std::string> TexturesToRebuild(const session::SetChanges& changes,
                                           const std::vector<std::string>& asked) {
    if (changes.recipe) {
        return asked;
    }
    std::vector<std::string> names;
    for (const std::string& name : changes.textures) {
        if (asked.empty() || std::ranges::find(asked, name) != asked.end()) {
            names.push_back(name);
        }
    }
    return names;
}

// "built a, b; removed c from pack.wad", or empty when nothing was.
std::string WhatWasDone(const session::BuildSummary& summary) {
    std::string built;
    for (const session::TextureReport& texture : summary.textures) {
        if (texture.outcome == TextureOutcome::Built) {
            built += (built.empty() ? "built " : ", ") + texture.name;
        }
    }
    std::string removed;
    for (const std::string& entry : summary.removed) {
        removed += (removed.empty() ? "removed " : ", ") + entry;
    }
    return built + (!built.empty() && !removed.empty() ? "; " : "") + removed;
}

// One rebuild after `changes`: one line said for what it made, a line on
// `err` for each texture that failed.
void Rebuild(const BuildOptions& options, const session::SetChanges& changes,
             session::SetFollower& follower, std::ostream& out, std::ostream& err) {
    const Clock::time_point start = Clock::now();
    session::BuildRequest request = BuildRequestOf(options);
    request.force = false;
    request.only = TexturesToRebuild(changes, options.only);
    if (!changes.recipe && request.only.empty()) {
        return;
    }
    session::BuildProgress quiet;
    Result<session::BuildSummary> summary = session::BuildSet(request, quiet);
    if (changes.recipe) {
        Follow(follower, CurrentSet(options.recipe), err);
    }
    const std::string time = TimeOfDay() + " ";
    if (!summary) {
        ReportProblemLines(summary.problem(), time, err);
        return;
    }
    ReportBuildWarnings(*summary, err);
    for (const session::TextureReport& texture : summary->textures) {
        if (texture.outcome == TextureOutcome::Failed) {
            err << time << kBuildProgramName << ": " << texture.name << " (" << texture.output
                << "): " << texture.problem->message << '\n';
        }
    }
    if (summary->stateProblem) {
        err << time << kBuildProgramName << ": " << summary->stateProblem->message << '\n';
    }
    err.flush();
    if (const std::string done = WhatWasDone(*summary); !done.empty()) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        out << time << done << " in " << elapsed.count() << " ms" << std::endl;
    }
}

}  // namespace

int RunBuildWatch(const BuildOptions& options, std::ostream& out, std::ostream& err,
                  bool terminal) {
    const StopSignals stop;
    session::SetFollower follower;
    // The set as the first build finds it: files changed during that build
    // are seen after it.
    const session::TextureSet set = CurrentSet(options.recipe);
    Follow(follower, set, err);
    const int first = Build(options, out, err, terminal);
    if (set.textures.empty() && first != kExitSuccess) {
        return first;  // the recipe cannot be built at all
    }
    out.flush();
    err << kBuildProgramName << ": following " << follower.FileCount() << " files of "
        << set.textures.size() << " textures; Ctrl+C ends" << std::endl;
    for (session::SetChanges changes; !(changes = WaitForChanges(follower, stop)).Empty();) {
        Rebuild(options, changes, follower, out, err);
    }
    return kExitSuccess;
}

}  // namespace orrisbay::cli
