#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/game_file_arguments.h"
#include "cli/wad_fullbright_command.h"
#include "gameformats/texture_maker.h"

namespace orrisbay::cli {

inline constexpr std::string_view kWadProgramName = "orrisbay-wad";

// What an orrisbay-wad command line asks for: a verb, the WAD right after it,
// the verb's operands and the options.
struct WadCommand {
    bool help = false;
    bool version = false;
    std::string verb;  // list, extract, remove, rename, add, check or defullbright
    std::string wad;
    std::vector<std::string> operands;  // NAME; OLD NEW; the picture to add; or NAME...
    std::string output;                 // extract: -o FILE
    std::string name;                   // add: --name NAME (else from the picture's file name)
    std::string mask;                   // add: --mask FILE (else the picture's own alpha)
    bool wad3 = false;                  // add: a new WAD is made a WAD3
    bool rescale = false;               // add: sides to the nearest multiples of 16
    gameformats::TextureOptions texture;
    FullbrightOptions fullbright;  // defullbright: which pixels
    std::string conversionOption;  // add: the first --dither or --metric given
    PaletteChoice palette;         // add, extract: --palette; add: --fullbright-count
    GlowChoice glow;               // add: --glow FILE
};

struct ParsedWadCommand {
    WadCommand command;
    std::string error;  // empty when the command line is valid
};

// Reads the arguments after the program name.
ParsedWadCommand ParseWadArguments(std::span<const std::string> arguments);

// The text of --help.
std::string WadUsageText();

}  // namespace orrisbay::cli
