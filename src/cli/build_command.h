#pragma once

#include <iosfwd>
#include <span>
#include <string>

#include "cli/build_arguments.h"

namespace orrisbay::cli {

// Runs orrisbay-build: what was made and the summary to `out` (one progress
// line, rewritten in place, when `terminal`), warnings and failures to
// `err`; returns the exit code, in the same scheme as orrisbay-blend.
int RunBuild(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
             bool terminal);

}  // namespace orrisbay::cli
