#include "app/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "console/version.h"

namespace orrisbay::app {

namespace {

constexpr std::string_view kUsage =
    "Usage: orrisbay [OPTION]\n\n"
    "Opens the Orrisbay window, which blends two texture layers through their alpha\n"
    "masks onto black into one game texture: four picture slots, a live preview that\n"
    "a click copies to the clipboard, and the Quake palette as a swatch grid. The\n"
    "texture is saved as PNG, Targa, BMP or JPEG, in the Quake palette, or into a\n"
    "Quake or Half-Life WAD file, whose textures the window lists and edits too.\n"
    "The palette is read from quake_palette_jasc.pal beside the program.\n\n"
    "The window needs a display (DISPLAY or WAYLAND_DISPLAY); orrisbay-blend makes\n"
    "the same texture without one, and orrisbay-wad edits WAD files. Qt's own\n"
    "options, such as -platform NAME, are accepted as well.\n\n"
    "Options:\n"
    "  -h, --help      show this help and exit\n"
    "  -V, --version   show the version and exit\n";

bool Asked(std::span<const std::string_view> arguments, std::string_view shortName,
           std::string_view longName) {
    return std::any_of(arguments.begin(), arguments.end(), [&](std::string_view argument) {
        return argument == shortName || argument == longName;
    });
}

}  // namespace

std::optional<int> AnswerHelpOrVersion(std::span<const std::string_view> arguments,
                                       std::ostream& out) {
    if (Asked(arguments, "-h", "--help")) {
        out << kUsage;
    } else if (Asked(arguments, "-V", "--version")) {
        out << "orrisbay " << console::kVersion << '\n';
    } else {
        return std::nullopt;
    }
    return out.flush() ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace orrisbay::app
