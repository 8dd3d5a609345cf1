#include "cli/blend_arguments.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include "cli/conversion_arguments.h"
#include "gameformats/texture_export.h"
#include "gameformats/wal_file.h"

namespace orrisbay::cli {

namespace {

bool IsOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

// True for "-o", "--output" and the like: the next option, where a value was due.
bool IsOptionName(const std::string& argument) {
    return IsOption(argument) &&
           (std::isalpha(static_cast<unsigned char>(argument[1])) || argument[1] == '-');
}

// "--height-blend" or "--height-strength" for either option, with or
// without "=VALUE"; none for any other argument.
std::optional<std::string> HeightNumberOption(const std::string& argument) {
    for (const char* name : {"--height-blend", "--height-strength"}) {
        if (argument == name || argument.starts_with(std::string(name) + "=")) {
            return name;
        }
    }
    return std::nullopt;
}

// 0 for --height1, 1 for --height2 (with or without "=FILE"); none otherwise.
std::optional<std::size_t> HeightMapOption(const std::string& argument) {
    for (const std::size_t which : {0, 1}) {
        const std::string name = "--height" + std::to_string(which + 1);
        if (argument == name || argument.starts_with(name + "=")) {
            return which;
        }
    }
    return std::nullopt;
}

// Reads the value of "-o X", "--output X" or "--output=X" (for `longName`
// "--output"); false when missing.
bool TakeValue(std::span<const std::string> arguments, std::size_t& i, std::string_view longName,
               std::string& value) {
    const std::string& argument = arguments[i];
    const std::string longEquals = std::string(longName) + "=";
    if (argument.starts_with(longEquals)) {
        value = argument.substr(longEquals.size());
        return !value.empty();
    }
    if (i + 1 >= arguments.size()) {
        return false;
    }
    value = arguments[++i];
    return !value.empty();
}

// The height blend's numbers as given on the command line, before checking.
struct HeightArguments {
    std::optional<std::string> depth;     // --height-blend
    std::optional<std::string> strength;  // --height-strength
};

// A decimal number in [low, high]; none for anything else.
std::optional<double> NumberBetween(const std::string& text, double low, double high) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() ||
        !(value >= low && value <= high)) {
        return std::nullopt;
    }
    return value;
}

// Turns the height-blend options into the merge's options.
std::string HeightBlendError(const HeightArguments& given, BlendOptions& options) {
    if (!given.depth) {
        const char* option = given.strength                   ? "--height-strength"
                             : !options.heightMaps[0].empty() ? "--height1"
                             : !options.heightMaps[1].empty() ? "--height2"
                                                              : nullptr;
        return option ? std::string(option) + " needs --height-blend" : std::string();
    }
    const auto depth = NumberBetween(*given.depth, 0.01, 0.5);
    if (!depth) {
        return "--height-blend takes a depth from 0.01 to 0.5, not '" + *given.depth + "'";
    }
    const auto strength = given.strength ? NumberBetween(*given.strength, 0, 0.9)
                                         : std::optional(slots::kDefaultHeightStrength);
    if (!strength) {
        return "--height-strength takes a strength from 0 to 0.9, not '" + *given.strength + "'";
    }
    const slots::HeightBlend blend{*depth, *strength};
    if (!slots::IsUsable(blend)) {
        return "--height-strength and --height-blend add up to more than 1";
    }
    options.merge.heightBlend = blend;
    return {};
}

// The options that only make sense with a .wad output (--name also with a .bsp).
std::string WadOnlyOptionError(const BlendOptions& options) {
    const gameformats::OutputKind kind = gameformats::OutputKindOf(options.output);
    if (kind == gameformats::OutputKind::Map) {
        return options.wad3 ? "--wad3 needs a .wad output; a map keeps its own kind" : "";
    }
    if (options.allowResize) {
        return "--allow-resize needs a .bsp output";
    }
    if (kind == gameformats::OutputKind::Wad) {
        return {};
    }
    const char* option = !options.textureName.empty() ? "--name"
                         : options.wad3               ? "--wad3"
                                                      : nullptr;
    return option ? std::string(option) + " needs a .wad output" : std::string();
}

// The options that only make sense with a conversion to the game's palette;
// `conversionOption` is the first --dither or --metric given, if any.
std::string QuakeOnlyOptionError(const QuakeOptions& asked, const std::string& conversionOption) {
    if (asked.convert) {
        return {};
    }
    const std::string option = !conversionOption.empty()           ? conversionOption
                               : asked.conversion.allowFullbrights ? "--fullbrights"
                               : asked.rescale                     ? "--rescale"
                                                                   : "";
    return option.empty() ? option : option + " needs --quake, or a .wad, .bsp or .wal output";
}

// --palette and --fullbright-count, and the options of a .wal output.
ConversionArgument ReadGameFileOption(std::span<const std::string> arguments, std::size_t& i,
                                      BlendOptions& options) {
    const ConversionArgument palette = ReadPaletteArgument(arguments, i, options.palette);
    return palette.option.empty() ? ReadWalArgument(arguments, i, options.wal, options.walOption)
                                  : palette;
}

// The palette's and the .wal's options given where they mean nothing: the
// palette converts and reads .wal inputs; the fullbright count only converts.
std::string GameFileOptionError(const BlendOptions& options) {
    const bool wal = gameformats::OutputKindOf(options.output) == gameformats::OutputKind::Wal;
    if (!options.walOption.empty() && !wal) {
        return options.walOption + " needs a .wal output";
    }
    if (options.quake.convert) {
        return {};
    }
    if (options.palette.fullbrightCount) {
        return "--fullbright-count needs --quake, or a .wad, .bsp or .wal output";
    }
    const std::vector<std::string> files = InputFiles(options);
    if (!options.palette.file.empty() && !std::ranges::any_of(files, gameformats::IsWalPath)) {
        return "--palette needs --quake, a .wad, .bsp or .wal output, or a .wal input";
    }
    return {};
}

// Checks the output name and settles whether the texture goes to the palette.
std::string OutputError(BlendOptions& options) {
    const std::string& output = options.output;
    if (output.empty()) {
        return "no output file given (-o OUTPUT)";
    }
    switch (gameformats::OutputKindOf(output)) {
        case gameformats::OutputKind::Unsupported:
            return output +
                   ": unsupported output type (use .png, .tga, .bmp, .jpg, .wad, .bsp or .wal)";
        case gameformats::OutputKind::Wad:
        case gameformats::OutputKind::Wal:
            options.quake.convert = true;  // a WAD or a .wal only holds palette textures
            return {};
        case gameformats::OutputKind::Map:
            options.quake.convert = true;  // as a WAD does
            return options.textureName.empty()
                       ? output + ": a .bsp output needs --name NAME, the map's texture to replace"
                       : "";
        case gameformats::OutputKind::Jpeg:
            if (options.quake.convert) {
                return output +
                       ": --quake writes .png, .tga, .bmp or .wad; JPEG would lose the palette";
            }
            return {};
        case gameformats::OutputKind::Picture:
            break;
    }
    return {};
}

}  // namespace

ParsedArguments ParseArguments(std::span<const std::string> arguments) {
    ParsedArguments parsed;
    BlendOptions& options = parsed.options;
    std::vector<std::string> inputs;
    HeightArguments height;
    std::string conversionOption;  // the first --dither or --metric
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !IsOption(argument)) {
            inputs.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "-V" || argument == "--version") {
            options.version = true;
        } else if (argument == "--builtin") {
            options.builtin = true;
        } else if (argument == "--watch") {
            options.watch = true;
        } else if (argument == "--quake") {
            options.quake.convert = true;
        } else if (const ConversionArgument conversion =
                       ReadConversionArgument(arguments, i, options.quake.conversion);
                   !conversion.option.empty()) {
            if (!conversion.error.empty()) {
                parsed.error = conversion.error;
                return parsed;
            }
            if (conversionOption.empty()) {
                conversionOption = conversion.option;
            }
        } else if (const ConversionArgument game = ReadGameFileOption(arguments, i, options);
                   !game.option.empty()) {
            if (!game.error.empty()) {
                parsed.error = game.error;
                return parsed;
            }
        } else if (const ConversionArgument glow = ReadGlowArgument(arguments, i, options.glow);
                   !glow.option.empty()) {
            if (!glow.error.empty()) {
                parsed.error = glow.error;
                return parsed;
            }
        } else if (argument == "--fullbrights") {
            options.quake.conversion.allowFullbrights = true;
        } else if (argument == "--rescale") {
            options.quake.rescale = true;
        } else if (argument == "--wad3") {
            options.wad3 = true;
        } else if (argument == "--allow-resize") {
            options.allowResize = true;
        } else if (argument == "-o" || argument == "--output" ||
                   argument.starts_with("--output=")) {
            if (!TakeValue(arguments, i, "--output", options.output)) {
                parsed.error = "option " + argument + " needs a file name";
                return parsed;
            }
        } else if (argument == "--name" || argument.starts_with("--name=")) {
            if (!TakeValue(arguments, i, "--name", options.textureName)) {
                parsed.error = "option " + argument + " needs a texture name";
                return parsed;
            }
        } else if (const auto number = HeightNumberOption(argument)) {
            std::string& value =
                (*number == "--height-blend" ? height.depth : height.strength).emplace();
            if (!TakeValue(arguments, i, *number, value) || IsOptionName(value)) {
                parsed.error = "option " + argument + " needs a number";
                return parsed;
            }
        } else if (const auto map = HeightMapOption(argument)) {
            if (!TakeValue(arguments, i, *map == 0 ? "--height1" : "--height2",
                           options.heightMaps[*map])) {
                parsed.error = "option " + argument + " needs a file name";
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
    const std::size_t wanted = options.builtin ? 0 : 4;
    if (options.watch && options.builtin) {
        parsed.error = "--watch follows input files; the built-in pictures never change";
    } else if (inputs.size() != wanted) {
        parsed.error = options.builtin
                           ? "--builtin takes no input files"
                           : "expected four input files, got " + std::to_string(inputs.size());
    } else {
        parsed.error = OutputError(options);
        if (parsed.error.empty()) {
            parsed.error = HeightBlendError(height, options);
        }
        if (parsed.error.empty()) {
            parsed.error = QuakeOnlyOptionError(options.quake, conversionOption);
        }
        if (parsed.error.empty()) {
            parsed.error = WadOnlyOptionError(options);
        }
        if (parsed.error.empty()) {
            parsed.error = GlowOptionError(options.glow, options.quake.convert, options.output);
        }
    }
    for (std::size_t i = 0; i < inputs.size() && i < 4; ++i) {
        options.inputs[i] = inputs[i];
    }
    if (parsed.error.empty() && inputs.size() == wanted) {
        parsed.error = GameFileOptionError(options);
    }
    return parsed;
}

std::vector<std::string> InputFiles(const BlendOptions& options) {
    std::vector<std::string> files(options.inputs.begin(), options.inputs.end());
    for (const std::string& map : options.heightMaps) {
        if (!map.empty()) {
            files.push_back(map);
        }
    }
    if (!options.glow.file.empty()) {
        files.push_back(options.glow.file);
    }
    return files;
}

std::string UsageText() {
    const std::string name(kProgramName);
    std::string text = "Usage: " + name + " LAYER1 LAYER2 MASK1 MASK2 -o OUTPUT\n" +  //
                       "       " + name + " --watch LAYER1 LAYER2 MASK1 MASK2 -o OUTPUT\n" +
                       "       " + name + " --builtin -o OUTPUT\n" +                     //
                       "       " + name + " ... -o PACK.wad [--name NAME] [--wad3]\n" +  //
                       "       " + name + " ... -o MAP.bsp --name NAME [--allow-resize]\n" +
                       "       " + name +
                       " ... -o TEXTURE.wal [--wal-flags N] [--wal-next NAME]\n" + "       " +
                       name + " ... --height-blend DEPTH [--height-strength S]\n" + "       " +
                       name + " ... --glow GLOW [--glow-output]\n\n";
    text +=
        "Blends two texture layers through their alpha masks onto black, as the Orrisbay\n"
        "window does: all four pictures are scaled to the larger width and height of the\n"
        "two layers, and layer 2 is laid over layer 1.\n\n"
        "Inputs are BMP, GIF, JPEG, PNG or Targa files, chosen by extension, or Quake II\n"
        ".wal textures (read in the game's palette). The output format follows the\n"
        "output's extension: .png, .tga, .bmp, .jpg or .jpeg, .wad or .wal.\n"
        "A .wad output adds the texture to that WAD, or replaces the texture of the same\n"
        "name in it, keeping every other texture and lump; a missing WAD is made (a Quake\n"
        "WAD2, or with --wad3 a Half-Life WAD3), an existing one keeps its kind. Its four\n"
        "mip levels are averaged in linear light; WAD2 textures use the Quake palette,\n"
        "WAD3 textures get a palette of their own. A texture whose name starts with {\n"
        "is see-through where neither layer shows (both masks black). A .wal output is a\n"
        "Quake II texture in the game's palette (see --palette) with the same four mip\n"
        "levels, named by its path below a textures/ folder without .wal (else by its\n"
        "file's name). Every file is written beside its target and then renamed into\n"
        "place.\n\n"
        "A .bsp output replaces the texture NAME in that compiled Quake or Half-Life\n"
        "map, made as for a WAD of the map's kind; loading the map again in the game\n"
        "shows it without compiling. Only the texture's bytes change; a texture the map\n"
        "holds already leaves the file as it was. The faces' texture coordinates were\n"
        "compiled for the old texture's size, so one of another size is refused unless\n"
        "--rescale makes it that size or --allow-resize keeps its own.\n\n"
        "Options:\n"
        "  -o, --output FILE   where to write the blended texture\n"
        "      --builtin       blend the window's built-in pictures instead of four files\n"
        "      --watch         blend, then blend again each time an input file changes,\n"
        "                      printing one line per run, until interrupted (Ctrl+C ends\n"
        "                      it with status 0 once a run under way is written)\n"
        "      --quake         convert to the Quake palette (quake_palette_jasc.pal beside\n"
        "                      the program): an 8-bit .png, .tga or .bmp; implied by a\n"
        "                      .wad output\n"
        "      --name NAME     the texture's name in a .wad output (default: from the\n"
        "                      output's file name): at most 15 characters of ASCII without\n"
        "                      spaces; * liquid, +0..+9 and +a..+j animation frames, sky,\n"
        "                      { see-through\n"
        "      --wad3          make a new .wad output a Half-Life WAD3\n"
        "      --allow-resize  a .bsp output: replace the map's texture by one of another\n"
        "                      size too\n"
        "      --fullbrights   with --quake: allow the fullbright colours 224 to 255 (to\n"
        "                      254 in a .wad, which keeps 255 for see-through pixels)\n"
        "      --rescale       with --quake: rescale sides that are not multiples of 16 to\n"
        "                      the nearest multiples (a .wad needs them); into a .bsp: to\n"
        "                      the size of the map's texture\n";
    text += ConversionUsageLines("with --quake: ");
    text += PaletteUsageLines("with --quake: ");
    text += GlowUsageLines(true);
    text += WalUsageLines();
    text +=
        "      --height-blend DEPTH\n"
        "                      blend by height: where mask 2 is between black and white,\n"
        "                      the locally taller layer shows (its brightness is its\n"
        "                      height), with a soft edge DEPTH deep, from 0.01 to 0.5 (the\n"
        "                      window's Sharp, Medium and Soft are 0.05, 0.15 and 0.3);\n"
        "                      where mask 2 is black or white nothing changes\n"
        "      --height-strength S\n"
        "                      with --height-blend: how much brightness raises a layer,\n"
        "                      from 0 to 0.9 (default 0.5); S + DEPTH at most 1\n"
        "      --height1 FILE, --height2 FILE\n"
        "                      with --height-blend: a grey height map for layer 1 or 2\n"
        "                      instead of its brightness (white is high), scaled like the\n"
        "                      masks\n"
        "  -h, --help          show this help and exit\n"
        "  -V, --version       show the version and exit\n\n"
        "Exit status:\n"
        "   0  the texture was written (with --watch: stopped by Ctrl+C)\n"
        "  64  the command line is wrong, or the texture name breaks the game's rules, or a\n"
        "      .bsp texture is not of the map's texture's size (see --rescale)\n"
        "  65  the inputs could not be merged, rescaled or converted\n"
        "  66  an input, the WAD or the --palette file is missing, unreadable, damaged or\n"
        "      of an unsupported type, or the map is, or stores no texture NAME (one kept\n"
        "      in a WAD: update the WAD)\n"
        "  67  a .wad texture is not a multiple of 16 pixels wide and high (see --rescale)\n"
        "  69  Quake palette conversion is not available (palette file missing or wrong)\n"
        "  73  the output file could not be written\n";
    return text;
}

}  // namespace orrisbay::cli
