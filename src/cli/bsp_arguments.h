#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/wad_fullbright_command.h"
#include "gameformats/texture_maker.h"

namespace orrisbay::cli {

inline constexpr std::string_view kBspProgramName = "orrisbay-bsp";

// What an orrisbay-bsp command line asks for: a verb, the map right after it,
// the verb's operands and the options.
struct BspCommand {
    bool help = false;
    bool version = false;
    std::string verb;  // list, extract, replace, check or defullbright
    std::string map;
    std::vector<std::string> operands;  // extract: NAME; replace: PICTURE, unless --from;
                                        // defullbright: NAME...
    std::string output;                 // extract: -o FILE
    std::string from;                   // replace: --from WAD
    std::string name;  // replace PICTURE: --name NAME (else from the picture's file name)
    std::string mask;  // replace PICTURE: --mask FILE (else the picture's own alpha)
    bool allowResize = false;
    gameformats::TextureOptions texture;
    FullbrightOptions fullbright;  // defullbright: which pixels
};

struct ParsedBspCommand {
    BspCommand command;
    std::string error;  // empty when the command line is valid
};

// Reads the arguments after the program name.
ParsedBspCommand ParseBspArguments(std::span<const std::string> arguments);

// The text of --help.
std::string BspUsageText();

}  // namespace orrisbay::cli
