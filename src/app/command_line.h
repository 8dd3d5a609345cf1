#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace orrisbay::app {

// The window reads no command line of its own but --help and --version
// (and -h, -V), answered before any window or display is needed; every
// other argument is left to Qt. Returns the exit status when one of them
// was asked for and answered on `out`, nothing when the window should open.
std::optional<int> AnswerHelpOrVersion(std::span<const std::string_view> arguments,
                                       std::ostream& out);

// What the window opens on besides what the design gives it: a recipe, and
// the texture of it to load (empty: its textures are listed to choose from).
struct WindowRequest {
    std::string recipe;
    std::string texture;
};

// The window's own arguments among those Qt left (orrisbay RECIPE [--texture
// NAME]); other options are Qt's, ignored here. `error` says what is wrong
// with a command line that cannot be followed; empty when it can.
struct ParsedWindowArguments {
    WindowRequest request;
    std::string error;
};
ParsedWindowArguments ParseWindowArguments(std::span<const std::string_view> arguments);

}  // namespace orrisbay::app
