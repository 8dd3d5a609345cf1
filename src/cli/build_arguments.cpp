#include "cli/build_arguments.h"

#include <algorithm>
#include <charconv>

namespace orrisbay::cli {
namespace {

bool IsOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

// A whole number of jobs from 1 to 256.
bool ReadJobs(const std::string& text, unsigned& jobs) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    return error == std::errc() && end == text.data() + text.size() && jobs >= 1 && jobs <= 256;
}

}  // namespace

ParsedBuildArguments ParseBuildArguments(std::span<const std::string> arguments) {
    ParsedBuildArguments parsed;
    BuildOptions& options = parsed.options;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    bool takingNames = false;  // after --only, until the next option
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !IsOption(argument)) {
            (takingNames ? options.only : operands).push_back(argument);
            continue;
        }
        takingNames = false;
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "-V" || argument == "--version") {
            options.version = true;
        } else if (argument == "--force") {
            options.force = true;
        } else if (argument == "--dry-run" || argument == "-n") {
            options.dryRun = true;
        } else if (argument == "--only") {
            takingNames = true;
        } else if (argument.starts_with("--only=")) {
            options.only.push_back(argument.substr(7));
        } else if (argument == "-j" || argument == "--jobs" || argument.starts_with("--jobs=")) {
            const bool joined = argument.starts_with("--jobs=");
            if (!joined && i + 1 >= arguments.size()) {
                parsed.error = "option " + argument + " needs a number of jobs";
                return parsed;
            }
            const std::string value = joined ? argument.substr(7) : arguments[++i];
            if (!ReadJobs(value, options.jobs)) {
                parsed.error = "--jobs takes a number from 1 to 256, not '" + value + "'";
                return parsed;
            }
        } else {
            parsed.error = "unknown option " + argument;
            return parsed;
        }
    }
    if (options.help || options.version) {
        return parsed;
    }
    if (operands.size() != 1) {
        parsed.error = operands.empty() ? "no recipe given"
                                        : "expected one recipe, got " +
                                              std::to_string(operands.size()) + " files";
    } else if (std::ranges::find(options.only, std::string()) != options.only.end() ||
               (takingNames && options.only.empty())) {
        parsed.error = "--only needs texture names";
    }
    if (!operands.empty()) {
        options.recipe = operands.front();
    }
    return parsed;
}

std::string BuildUsageText() {
    const std::string name(kBuildProgramName);
    std::string text = "Usage: " + name + " RECIPE [--jobs N] [--force] [--dry-run]\n" + "       " +
                       name + " RECIPE --only NAME...\n\n";
    text +=
        "Builds the textures of a set, as the recipe file RECIPE (TOML) lists them, into\n"
        "their outputs: WAD files, shared by as many textures as name them, or picture\n"
        "files. Each texture is a blend of four pictures, as orrisbay-blend makes it, or\n"
        "a plain picture, as orrisbay-wad add makes it.\n\n"
        "Only what changed is made again: a texture whose sources (by their bytes), settings\n"
        "and palette are as they were when it was last built, by this version of the\n"
        "program, and whose output still holds it, is up to date. What was built from what\n"
        "is kept in RECIPE.state beside the recipe; delete it to build everything again.\n"
        "Each WAD is written once, with all its changed textures, every other lump kept\n"
        "as it was; a texture the recipe no longer lists is removed from its WAD when this\n"
        "recipe put it there, never otherwise. A texture that fails does not stop the\n"
        "others. Errors in the recipe (each with its file, line and key) are reported\n"
        "before anything is read or written.\n\n"
        "Options:\n"
        "  -j, --jobs N        make N textures at once (default: one per core)\n"
        "      --force         make every texture again, changed or not\n"
        "  -n, --dry-run       say what would be made and removed; write nothing\n"
        "      --only NAME...  consider only the textures named (the names up to the\n"
        "                      next option); removes nothing\n"
        "  -h, --help          show this help and exit\n"
        "  -V, --version       show the version and exit\n\n"
        "Output: one line per texture made, or on a terminal one progress line, then\n"
        "the summary: how many were built, up to date and failed, with each failure\n"
        "and its reason on standard error.\n\n"
        "Exit status:\n"
        "   0  every texture was built or is up to date\n"
        "  64  the command line or the recipe is wrong (not TOML, an unknown key, a bad\n"
        "      value, a texture name that breaks the game's rules or is taken twice in one\n"
        "      WAD, no texture of an --only name); nothing was written\n"
        "  65  a texture could not be merged, rescaled or converted\n"
        "  66  the recipe, or a source or palette it names, is missing or unreadable, or\n"
        "      a WAD is damaged\n"
        "  67  a WAD texture is not a multiple of 16 pixels wide and high (set rescale)\n"
        "  69  Quake palette conversion is not available (palette file missing or wrong)\n"
        "  73  an output or the state file could not be written\n"
        "When textures fail, the status is that of the first one in the recipe; the\n"
        "others are built all the same.\n";
    return text;
}

}  // namespace orrisbay::cli
