#pragma once

#include <iosfwd>
#include <span>
#include <string>

#include "cli/bsp_arguments.h"

namespace orrisbay::cli {

// Runs the command: results to `out`, warnings and errors to `err`; returns
// the exit code, in the same scheme as orrisbay-wad.
int RunBsp(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace orrisbay::cli
