#include "app/command_line.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "console/version.h"

namespace orrisbay::app {

namespace {

constexpr std::string_view kUsage =
    "Usage: orrisbay [OPTION]\n"
    "       orrisbay RECIPE [--texture NAME]\n\n"
    "Opens the Orrisbay window, which blends two texture layers through their alpha\n"
    "masks onto black into one game texture: four picture slots, a live preview that\n"
    "a click copies to the clipboard, and the Quake palette as a swatch grid. The\n"
    "texture is saved as PNG, Targa, BMP or JPEG, in the Quake palette, or into a\n"
    "Quake or Half-Life WAD file, whose textures the window lists and edits too.\n"
    "The palette is read from quake_palette_jasc.pal beside the program.\n\n"
    "Given a RECIPE, the TOML file of a set of textures that orrisbay-build builds,\n"
    "the window lists the set's textures (built, out of date or failed) and loads\n"
    "the one chosen into its slots, with its options; every file is then followed,\n"
    "and the texture's output is written again after each change. \"Save Recipe...\"\n"
    "and \"Open Recipe...\" in the preview's menu do the same from the window.\n\n"
    "The window needs a display (DISPLAY or WAYLAND_DISPLAY); orrisbay-blend makes\n"
    "the same texture without one, and orrisbay-wad edits WAD files. Qt's own\n"
    "options, such as -platform NAME, are accepted as well.\n\n"
    "Options:\n"
    "      --texture NAME  load the texture NAME of RECIPE at once, without the list\n"
    "  -h, --help          show this help and exit\n"
    "  -V, --version       show the version and exit\n";

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

ParsedWindowArguments ParseWindowArguments(std::span<const std::string_view> arguments) {
    ParsedWindowArguments parsed;
    std::vector<std::string_view> files;
    bool textureAsked = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--texture" || argument.starts_with("--texture=")) {
            const bool joined = argument.starts_with("--texture=");
            if (!joined && i + 1 >= arguments.size()) {
                parsed.error = "--texture needs the name of a texture";
                return parsed;
            }
            parsed.request.texture = joined ? argument.substr(10) : arguments[++i];
            textureAsked = true;
        } else if (!argument.starts_with('-')) {
            files.push_back(argument);
        }
    }
    if (files.size() > 1) {
        parsed.error = "expected one recipe, got " + std::to_string(files.size()) + " files";
    } else if (textureAsked && (files.empty() || parsed.request.texture.empty())) {
        parsed.error = files.empty() ? "--texture needs a recipe to take the texture from"
                                     : "--texture needs the name of a texture";
    } else if (!files.empty()) {
        parsed.request.recipe = files.front();
    }
    return parsed;
}

}  // namespace orrisbay::app
