#include "cli/wad_arguments.h"

#include <array>
#include <charconv>
#include <system_error>

#include "cli/command_support.h"
#include "cli/conversion_arguments.h"
#include "imageio/image_writer.h"

namespace orrisbay::cli {
namespace {

// Each verb, the number of operands after the WAD (at least that many when
// more may follow), and its usage line.
struct Verb {
    std::string_view name;
    std::size_t operands;
    std::string_view usage;
    bool moreMayFollow = false;
};
constexpr std::array<Verb, 7> kVerbs = {{
    {"list", 0, "list WAD"},
    {"extract", 1, "extract WAD NAME -o FILE [--palette FILE]"},
    {"remove", 1, "remove WAD NAME"},
    {"rename", 2, "rename WAD OLD NEW"},
    {"add", 1, "add WAD PICTURE [--name NAME] [options]"},
    {"check", 0, "check WAD"},
    {"defullbright", 1, "defullbright WAD NAME... [--specks | --all | --outside MASK]", true},
}};

const Verb* FindVerb(std::string_view name) {
    for (const Verb& verb : kVerbs) {
        if (verb.name == name) {
            return &verb;
        }
    }
    return nullptr;
}

bool ParseThreshold(const std::string& text, int& threshold) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threshold);
    return error == std::errc() && end == text.data() + text.size() && threshold >= 1 &&
           threshold <= 255;
}

// Takes the value of an option given as "--opt VALUE" or "--opt=VALUE".
bool TakeValue(std::span<const std::string> arguments, std::size_t& i, std::string_view option,
               std::string& value) {
    const std::string& argument = arguments[i];
    if (argument.size() > option.size() && argument[option.size()] == '=') {
        value = argument.substr(option.size() + 1);
    } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
    } else {
        return false;
    }
    return !value.empty();
}

// Reads one option; returns an error, or empty when the option was understood.
std::string ParseOption(std::span<const std::string> arguments, std::size_t& i,
                        WadCommand& command) {
    if (auto fullbright = ParseFullbrightOption(arguments, i, command.fullbright)) {
        return *fullbright;
    }
    const std::string& argument = arguments[i];
    if (const ConversionArgument conversion =
            ReadConversionArgument(arguments, i, command.texture.conversion);
        !conversion.option.empty()) {
        if (command.conversionOption.empty()) {
            command.conversionOption = conversion.option;
        }
        return conversion.error;
    }
    if (const ConversionArgument palette = ReadPaletteArgument(arguments, i, command.palette);
        !palette.option.empty()) {
        return palette.error;
    }
    if (const ConversionArgument glow = ReadGlowArgument(arguments, i, command.glow);
        !glow.option.empty()) {
        return glow.error;
    }
    const std::string option = argument.substr(0, argument.find('='));
    std::string* value = option == "-o" || option == "--output" ? &command.output
                         : option == "--name"                   ? &command.name
                         : option == "--mask"                   ? &command.mask
                                                                : nullptr;
    std::string threshold;
    if (option == "--threshold") {
        value = &threshold;
    }
    if (value != nullptr) {
        if (!TakeValue(arguments, i, option, *value)) {
            return "option " + option + " needs a value";
        }
        if (value == &threshold &&
            !ParseThreshold(threshold, command.texture.seeThroughThreshold)) {
            return "--threshold takes a number from 1 to 255";
        }
        return {};
    }
    bool* flag = argument == "-h" || argument == "--help"      ? &command.help
                 : argument == "-V" || argument == "--version" ? &command.version
                 : argument == "--wad3"                        ? &command.wad3
                 : argument == "--rescale"                     ? &command.rescale
                 : argument == "--fullbrights" ? &command.texture.conversion.allowFullbrights
                                               : nullptr;
    if (flag == nullptr) {
        return "unknown option " + argument;
    }
    *flag = true;
    return {};
}

// The options given that `verb` does not take.
std::string MisplacedOption(const WadCommand& command) {
    const bool add = command.verb == "add";
    const gameformats::TextureOptions defaults;
    if (!command.output.empty() && command.verb != "extract") {
        return "-o is for extract";
    }
    if (!add &&
        (!command.name.empty() || !command.mask.empty() || command.wad3 || command.rescale ||
         !command.conversionOption.empty() || command.texture.conversion.allowFullbrights ||
         command.texture.seeThroughThreshold != defaults.seeThroughThreshold)) {
        return "--name, --mask, --wad3, --rescale, --dither, --metric, --fullbrights and "
               "--threshold are for add";
    }
    if (std::string misplaced = MisplacedFullbrightOption(command.verb, command.fullbright);
        !misplaced.empty()) {
        return misplaced;
    }
    if (!command.palette.file.empty() && !add && command.verb != "extract") {
        return "--palette is for add and extract";
    }
    if (command.palette.fullbrightCount && !add) {
        return "--fullbright-count is for add";
    }
    if ((!command.glow.file.empty() || command.glow.output) && !add) {
        return "--glow is for add";
    }
    if (std::string glow = GlowOptionError(command.glow, true, command.wad); !glow.empty()) {
        return glow;
    }
    if (command.verb == "extract" && command.output.empty()) {
        return "extract needs -o FILE";
    }
    return {};
}

}  // namespace

ParsedWadCommand ParseWadArguments(std::span<const std::string> arguments) {
    ParsedWadCommand parsed;
    WadCommand& command = parsed.command;
    const std::vector<std::string> words = SplitWords(
        arguments,
        [&command](std::span<const std::string> all, std::size_t& i) {
            return ParseOption(all, i, command);
        },
        parsed.error);
    if (!parsed.error.empty() || command.help || command.version) {
        return parsed;
    }
    const Verb* verb = words.empty() ? nullptr : FindVerb(words[0]);
    if (verb == nullptr) {
        parsed.error = words.empty() ? "no command given" : "unknown command " + words[0];
        return parsed;
    }
    command.verb = verb->name;
    if (words.size() < verb->operands + 2 ||
        (!verb->moreMayFollow && words.size() != verb->operands + 2)) {
        parsed.error = "usage: " + std::string(kWadProgramName) + " " + std::string(verb->usage);
        return parsed;
    }
    command.wad = words[1];
    command.operands.assign(words.begin() + 2, words.end());
    if (!command.output.empty() && !imageio::FindSaveFormat(command.output)) {
        parsed.error = command.output + ": unsupported output type (use .png, .tga, .bmp or .jpg)";
    } else {
        parsed.error = MisplacedOption(command);
    }
    return parsed;
}

std::string WadUsageText() {
    std::string text;
    for (const Verb& verb : kVerbs) {
        text += (text.empty() ? "Usage: " : "       ") + std::string(kWadProgramName) + " " +
                std::string(verb.usage) + "\n";
    }
    text +=
        "\n"
        "Lists and edits the textures of a Quake WAD2 or Half-Life WAD3 file. Names are\n"
        "matched without regard to case. An edited WAD is written whole beside the old\n"
        "one and renamed into place, so a failure leaves the old file as it was; lumps\n"
        "that are not edited keep their bytes.\n\n"
        "  list      one line per lump: name, type, size in bytes, and a texture's size\n"
        "  extract   writes a texture's full-size picture (.png, .tga, .bmp or .jpg); in a\n"
        "            see-through texture (name starting with {) colour 255 is transparent\n"
        "  remove    removes a texture or lump\n"
        "  rename    renames a texture or lump\n"
        "  add       adds PICTURE (any file the Open buttons read, or a Quake II .wal) as\n"
        "            a texture, or replaces the texture of the same name; makes the WAD\n"
        "            when it is missing. Its four mip levels are averaged in linear light.\n"
        "            WAD2 textures use the Quake palette beside the program (or\n"
        "            --palette), WAD3 textures get their own.\n"
        "  check     lists the Quake textures with fullbright pixels (colours 224 to 255,\n"
        "            which glow in the dark): how many, their share, how many are specks\n"
        "            (no fullbright pixel among their eight neighbours, across the\n"
        "            texture's edges too) and how many in clusters, and how many in the\n"
        "            smaller mips. A WAD3 has nothing to check.\n"
        "  defullbright  turns the fullbright pixels of the textures NAME... into the\n"
        "                nearest ordinary colours, in every mip level; a smaller mip's\n"
        "                pixel keeps its glow only where a full-size pixel it stands for\n"
        "                keeps its own.\n\n"
        "Options of defullbright (one of them):\n"
        "      --specks        only the specks (the default); clusters stay\n"
        "      --all           every fullbright pixel\n"
        "      --outside MASK  all but those where MASK (a grey picture, scaled to the\n"
        "                      texture's size) is at least 128\n\n"
        "Options of add:\n"
        "      --name NAME     the texture's name (default: from the picture's file name):\n"
        "                      at most 15 characters of ASCII without spaces; * liquid,\n"
        "                      +0..+9 and +a..+j animation frames, sky, { see-through\n"
        "      --wad3          make a new WAD a WAD3 (an existing WAD keeps its kind)\n"
        "      --mask FILE     where a { texture is see-through (default: the picture's alpha)\n"
        "      --threshold N   mask values below N (1 to 255, default 128) are see-through\n"
        "      --rescale       rescale sides that are not multiples of 16 to the nearest\n"
        "      --fullbrights   allow the Quake palette's fullbright colours 224 to 254\n";
    text += ConversionUsageLines();
    text += PaletteUsageLines();
    text +=
        "                      (--palette also for extract: the colours of a WAD2's textures)\n";
    text += GlowUsageLines(false);
    text +=
        "  -o, --output FILE   extract: the picture to write\n"
        "  -h, --help          show this help and exit\n"
        "  -V, --version       show the version and exit\n\n"
        "Exit status:\n"
        "   0  done; check: no fullbright pixels\n"
        "   1  check: a texture has fullbright pixels\n"
        "  64  the command line is wrong, or a name breaks the game's rules or is taken\n"
        "  65  the picture could not be converted or rescaled\n"
        "  66  the WAD, the picture or the --palette file is missing, unreadable or damaged,\n"
        "      or the WAD has no such texture\n"
        "  67  the picture is not a multiple of 16 pixels wide and high (see --rescale)\n"
        "  69  Quake palette conversion is not available (palette file missing or wrong)\n"
        "  73  the WAD or the picture could not be written\n";
    return text;
}

}  // namespace orrisbay::cli
