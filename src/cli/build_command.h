#pragma once

#include <iosfwd>
#include <span>
#include <string>

#include "cli/build_arguments.h"
#include "session/set_build.h"

namespace orrisbay::cli {

// Runs orrisbay-build: what was made and the summary to `out` (one progress
// line, rewritten in place, when `terminal`), warnings and failures to
// `err`; returns the exit code, in the same scheme as orrisbay-blend.
int RunBuild(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
             bool terminal);

// One build of the set as `options` ask, with its progress and summary
// (see RunBuild); gives the exit code.
int Build(const BuildOptions& options, std::ostream& out, std::ostream& err, bool terminal);

// orrisbay-build --watch (build_watch.cpp): builds once as Build does, then
// follows the recipe and the files of its textures and, once the writes of a
// change settle, makes again only the textures made from the files that
// changed (all that changed, when the recipe did), one line per rebuild, until
// SIGINT or SIGTERM, taken only between builds; gives 0 then. A recipe that
// cannot be built at first ends it with Build's exit code; one edited wrong
// later is told, and followed until it is right again.
int RunBuildWatch(const BuildOptions& options, std::ostream& out, std::ostream& err, bool terminal);

// The build `options` ask for, with the palette beside the program.
session::BuildRequest BuildRequestOf(const BuildOptions& options);
// Each line of `problem`'s message on `err`, after `before` and the program's name.
void ReportProblemLines(const Problem& problem, std::string_view before, std::ostream& err);
// The warnings of a build, each on a line of its own.
void ReportBuildWarnings(const session::BuildSummary& summary, std::ostream& err);

}  // namespace orrisbay::cli
