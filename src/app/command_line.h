#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string_view>

namespace orrisbay::app {

// The window reads no command line of its own but --help and --version
// (and -h, -V), answered before any window or display is needed; every
// other argument is left to Qt. Returns the exit status when one of them
// was asked for and answered on `out`, nothing when the window should open.
std::optional<int> AnswerHelpOrVersion(std::span<const std::string_view> arguments,
                                       std::ostream& out);

}  // namespace orrisbay::app
