#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/conversion_arguments.h"
#include "gameformats/wal_texture.h"

// The options of the game's palette (orrisbay-blend and orrisbay-wad) and of
// a Quake II .wal output (orrisbay-blend), read alike wherever they are taken.
namespace orrisbay::cli {

// Which palette a run converts to and reads .wal pictures in.
struct PaletteChoice {
    std::string file;                    // --palette FILE; empty: the file beside the program
    std::optional<int> fullbrightCount;  // --fullbright-count N; empty: as the palette has it
    std::string firstOption;             // the first of the two given; empty: neither
};

// Reads `arguments[i]` into `choice` when it is --palette FILE or
// --fullbright-count N (either also as --option=VALUE); `i` moves past a
// value taken from the next argument.
ConversionArgument ReadPaletteArgument(std::span<const std::string> arguments, std::size_t& i,
                                       PaletteChoice& choice);

// The same for --wal-flags N, --wal-contents N (numbers, or 0x and hex
// digits), --wal-value N (a whole number) and --wal-next NAME; `given` keeps
// the first of them seen.
ConversionArgument ReadWalArgument(std::span<const std::string> arguments, std::size_t& i,
                                   gameformats::WalFields& fields, std::string& given);

// Where the texture glows: --glow FILE, and --glow-output.
struct GlowChoice {
    std::string file;     // --glow FILE: a grey mask, white where the texture glows
    bool output = false;  // --glow-output: NAME_glow.png beside a picture output
};

// Reads `arguments[i]` into `choice` when it is --glow FILE (or --glow=FILE)
// or --glow-output.
ConversionArgument ReadGlowArgument(std::span<const std::string> arguments, std::size_t& i,
                                    GlowChoice& choice);

// What is wrong with the glow options given for a run that converts to the
// palette (`converts`) into `output`; empty when nothing is.
std::string GlowOptionError(const GlowChoice& choice, bool converts, const std::string& output);

// The help lines of the palette's options, of the glow options and of the .wal options.
std::string PaletteUsageLines(std::string_view condition = {});
std::string GlowUsageLines(bool glowOutput);
std::string WalUsageLines();

}  // namespace orrisbay::cli
