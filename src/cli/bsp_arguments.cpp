#include "cli/bsp_arguments.h"

#include <array>
#include <charconv>
#include <system_error>

#include "cli/command_support.h"
#include "imageio/image_writer.h"

namespace orrisbay::cli {
namespace {

// Each verb, the operands after the map (replace: none with --from;
// defullbright: at least one) and its usage line.
struct Verb {
    std::string_view name;
    std::size_t operands;
    std::string_view usage;
};
constexpr std::array<Verb, 6> kUsages = {{
    {"list", 0, "list MAP"},
    {"extract", 1, "extract MAP NAME -o FILE"},
    {"replace", 0, "replace MAP --from WAD [--allow-resize]"},
    {"replace", 1, "replace MAP PICTURE [--name NAME] [options]"},
    {"check", 0, "check MAP"},
    {"defullbright", 1, "defullbright MAP NAME... [--specks | --all | --outside MASK]"},
}};

std::string UsageOf(std::string_view verb) {
    std::string lines;
    for (const Verb& usage : kUsages) {
        if (usage.name == verb) {
            lines += (lines.empty() ? "usage: " : " or ") + std::string(kBspProgramName) + " " +
                     std::string(usage.usage);
        }
    }
    return lines;
}

bool ParseThreshold(const std::string& text, int& threshold) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threshold);
    return error == std::errc() && end == text.data() + text.size() && threshold >= 1 &&
           threshold <= 255;
}

// Where the value of a "--opt VALUE" or "--opt=VALUE" option goes; null for
// an option that takes none.
std::string* ValueOf(const std::string& option, BspCommand& command, std::string& threshold) {
    return option == "-o" || option == "--output" ? &command.output
           : option == "--from"                   ? &command.from
           : option == "--name"                   ? &command.name
           : option == "--mask"                   ? &command.mask
           : option == "--threshold"              ? &threshold
                                                  : nullptr;
}

bool* FlagOf(const std::string& argument, BspCommand& command) {
    return argument == "-h" || argument == "--help"      ? &command.help
           : argument == "-V" || argument == "--version" ? &command.version
           : argument == "--allow-resize"                ? &command.allowResize
           : argument == "--dither"                      ? &command.texture.conversion.dither
           : argument == "--fullbrights" ? &command.texture.conversion.allowFullbrights
                                         : nullptr;
}

// Reads one option; returns an error, or empty when the option was understood.
std::string ParseOption(std::span<const std::string> arguments, std::size_t& i,
                        BspCommand& command) {
    if (auto fullbright = ParseFullbrightOption(arguments, i, command.fullbright)) {
        return *fullbright;
    }
    const std::string& argument = arguments[i];
    const std::string option = argument.substr(0, argument.find('='));
    std::string threshold;
    if (std::string* value = ValueOf(option, command, threshold)) {
        if (argument.size() > option.size()) {
            *value = argument.substr(option.size() + 1);
        } else if (i + 1 < arguments.size()) {
            *value = arguments[++i];
        }
        if (value->empty()) {
            return "option " + option + " needs a value";
        }
        if (value == &threshold &&
            !ParseThreshold(threshold, command.texture.seeThroughThreshold)) {
            return "--threshold takes a number from 1 to 255";
        }
        return {};
    }
    bool* flag = FlagOf(argument, command);
    if (flag == nullptr) {
        return "unknown option " + argument;
    }
    *flag = true;
    return {};
}

// The options given that the verb (and, for replace, its form) does not take.
std::string MisplacedOption(const BspCommand& command) {
    const gameformats::TextureOptions defaults;
    const bool fromPicture = command.verb == "replace" && command.from.empty();
    if (!command.output.empty() && command.verb != "extract") {
        return "-o is for extract";
    }
    if (command.verb == "extract" && command.output.empty()) {
        return "extract needs -o FILE";
    }
    if (!command.from.empty() && command.verb != "replace") {
        return "--from is for replace";
    }
    if (command.allowResize && command.verb != "replace") {
        return "--allow-resize is for replace";
    }
    if (!fromPicture &&
        (!command.name.empty() || !command.mask.empty() || command.texture.conversion.dither ||
         command.texture.conversion.allowFullbrights ||
         command.texture.seeThroughThreshold != defaults.seeThroughThreshold)) {
        return "--name, --mask, --threshold, --dither and --fullbrights are for replace with a "
               "PICTURE";
    }
    return MisplacedFullbrightOption(command.verb, command.fullbright);
}

}  // namespace

ParsedBspCommand ParseBspArguments(std::span<const std::string> arguments) {
    ParsedBspCommand parsed;
    BspCommand& command = parsed.command;
    const std::vector<std::string> words = SplitWords(
        arguments,
        [&command](std::span<const std::string> all, std::size_t& i) {
            return ParseOption(all, i, command);
        },
        parsed.error);
    if (!parsed.error.empty() || command.help || command.version) {
        return parsed;
    }
    if (words.empty() || UsageOf(words[0]).empty()) {
        parsed.error = words.empty() ? "no command given" : "unknown command " + words[0];
        return parsed;
    }
    command.verb = words[0];
    const std::size_t operands = command.verb == "replace" ? (command.from.empty() ? 1 : 0)
                                 : command.verb == "extract" || command.verb == "defullbright" ? 1
                                                                                               : 0;
    const bool moreMayFollow = command.verb == "defullbright";
    if (words.size() < operands + 2 || (!moreMayFollow && words.size() != operands + 2)) {
        parsed.error = UsageOf(command.verb);
        return parsed;
    }
    command.map = words[1];
    command.operands.assign(words.begin() + 2, words.end());
    if (!command.output.empty() && !imageio::FindSaveFormat(command.output)) {
        parsed.error = command.output + ": unsupported output type (use .png, .tga, .bmp or .jpg)";
    } else {
        parsed.error = MisplacedOption(command);
    }
    return parsed;
}

std::string BspUsageText() {
    std::string text;
    for (const Verb& verb : kUsages) {
        text += (text.empty() ? "Usage: " : "       ") + std::string(kBspProgramName) + " " +
                std::string(verb.usage) + "\n";
    }
    text +=
        "\n"
        "Lists and replaces the textures of a compiled Quake map (BSP version 29 or BSP2)\n"
        "or Half-Life map (version 30), so that loading the map again in the game shows a\n"
        "new texture without compiling it; finds and removes stray glow in them. Names\n"
        "are matched without regard to case. A changed map is written whole beside the\n"
        "old one and renamed into place, so a failure leaves the old file as it was; a\n"
        "damaged map is refused and never written to.\n\n"
        "  list      one line per texture the map names: name, size, and where it is kept\n"
        "            (in map, in WAD: only named, the game reads it from a WAD; missing)\n"
        "  extract   writes a texture's full-size picture (.png, .tga, .bmp or .jpg); in a\n"
        "            see-through texture (name starting with {) colour 255 is transparent\n"
        "  replace   with --from WAD: puts every texture of WAD whose name the map has into\n"
        "            the map, as the WAD holds it, one line per texture; with PICTURE (any\n"
        "            file the Open buttons read): makes the texture NAME from it as a WAD\n"
        "            texture is made (mips in linear light; the Quake palette beside the\n"
        "            program for a Quake map, a palette of its own for a Half-Life map).\n"
        "            At the same size only the texture's bytes change; a picture that is\n"
        "            the texture the map holds changes nothing. Lighting and the faces'\n"
        "            texture coordinates stay as they were compiled.\n"
        "  check     lists the textures a Quake map stores that have fullbright pixels\n"
        "            (colours 224 to 255, which glow in the dark), as orrisbay-wad check\n"
        "            does: how many, their share, how many are specks and how many in\n"
        "            clusters, and how many in the smaller mips. Textures kept in a WAD are\n"
        "            not looked into; a Half-Life map has nothing to check.\n"
        "  defullbright  turns the fullbright pixels of the stored textures NAME... into\n"
        "                the nearest ordinary colours, in every mip level, as orrisbay-wad\n"
        "                defullbright does; only those pixels' bytes change.\n\n"
        "Options of defullbright (one of them):\n"
        "      --specks        only the specks (the default); clusters stay\n"
        "      --all           every fullbright pixel\n"
        "      --outside MASK  all but those where MASK (a grey picture, scaled to the\n"
        "                      texture's size) is at least 128\n\n"
        "Options of replace:\n"
        "      --from WAD      the WAD2 (Quake) or WAD3 (Half-Life) to take the textures from\n"
        "      --allow-resize  replace a texture by one of another size too (the faces keep\n"
        "                      the texture coordinates compiled for the old size)\n"
        "      --name NAME     the texture to replace (default: from the picture's file name)\n"
        "      --mask FILE     where a { texture is see-through (default: the picture's alpha)\n"
        "      --threshold N   mask values below N (1 to 255, default 128) are see-through\n"
        "      --dither        Floyd-Steinberg dithering\n"
        "      --fullbrights   allow the Quake palette's fullbright colours 224 to 254\n"
        "  -o, --output FILE   extract: the picture to write\n"
        "  -h, --help          show this help and exit\n"
        "  -V, --version       show the version and exit\n\n"
        "Exit status:\n"
        "   0  done; check: no fullbright pixels\n"
        "   1  check: a texture has fullbright pixels\n"
        "  64  the command line is wrong, a name breaks the game's rules, or the picture is\n"
        "      not of the size of the map's texture (see --allow-resize)\n"
        "  65  the picture could not be converted\n"
        "  66  the map, the WAD, the picture or the mask is missing, unreadable, damaged or\n"
        "      of another kind, or the map stores no such texture (a texture kept in a WAD:\n"
        "      update the WAD instead); defullbright: the map is a Half-Life map\n"
        "  67  the picture is not a multiple of 16 pixels wide and high\n"
        "  69  Quake palette conversion is not available (palette file missing or wrong)\n"
        "  73  the map or the picture could not be written\n";
    return text;
}

}  // namespace orrisbay::cli
