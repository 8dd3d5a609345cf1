#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/game_file_arguments.h"
#include "gameformats/wal_texture.h"
#include "palette/palette_conversion.h"
#include "slots/merge_options.h"

// The command line of orrisbay-blend: what it asks for, and its help text.
namespace orrisbay::cli {

inline constexpr std::string_view kProgramName = "orrisbay-blend";

// How the merged texture goes to the game's palette.
struct QuakeOptions {
    bool convert = false;  // --quake, or a .wad output
    quake_palette::ConversionOptions conversion;
    bool rescale = false;  // sides to the nearest multiples of 16 first
};

// What the command line asks for.
struct BlendOptions {
    bool help = false;
    bool version = false;
    bool builtin = false;               // merge the built-in pictures instead of files
    bool watch = false;                 // blend again whenever an input changes
    std::array<std::string, 4> inputs;  // layer 1, layer 2, mask 1, mask 2
    std::string output;
    QuakeOptions quake;
    std::string textureName;                // --name: the texture's name in a .wad or .bsp output
    bool wad3 = false;                      // --wad3: a new .wad output is a WAD3
    slots::MergeOptions merge;              // --height-blend, --height-strength
    std::array<std::string, 2> heightMaps;  // --height1, --height2; empty: the brightness
    bool allowResize = false;               // --allow-resize: a .bsp texture may change size
    PaletteChoice palette;                  // --palette, --fullbright-count
    gameformats::WalFields wal;             // --wal-flags, --wal-contents, --wal-value, --wal-next
    std::string walOption;                  // the first of those given
    GlowChoice glow;                        // --glow, --glow-output
};

// The files the command reads: the four inputs, then the height maps and the
// glow mask given.
std::vector<std::string> InputFiles(const BlendOptions& options);

struct ParsedArguments {
    BlendOptions options;
    std::string error;  // empty when the command line is valid
};

// Reads the arguments after the program name.
ParsedArguments ParseArguments(std::span<const std::string> arguments);

// The text of --help.
std::string UsageText();

}  // namespace orrisbay::cli
