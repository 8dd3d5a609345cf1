#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "imageio/freeimage_base.h"
#include "palette/palette_conversion.h"

namespace orrisbay::cli {

inline constexpr std::string_view kProgramName = "orrisbay-blend";

// Exit codes, in the spirit of sysexits.h.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitUsage = 64,            // the command line is wrong
    kExitMergeFailed = 65,      // the four inputs could not be merged
    kExitBadInput = 66,         // an input is missing, unreadable or of an unsupported type
    kExitNotWadSize = 67,       // a WAD texture would not be a multiple of 16 (see --rescale)
    kExitNoPalette = 69,        // the palette file beside the program is missing or wrong
    kExitOutputNotWritten = 73  // the output file could not be written
};

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
    std::array<std::string, 4> inputs;  // layer 1, layer 2, mask 1, mask 2
    std::string output;
    QuakeOptions quake;
};

struct ParsedArguments {
    BlendOptions options;
    std::string error;  // empty when the command line is valid
};

// Reads the arguments after the program name.
ParsedArguments ParseArguments(std::span<const std::string> arguments);

// The text of --help.
std::string UsageText();

// Why a run failed: the exit code and the line for standard error.
struct BlendFailure {
    int code = kExitSuccess;
    std::string message;
};

// Hands the four inputs (layer 1, layer 2, mask 1, mask 2) to a slot table as
// the window does, and writes the merged texture to `output`: as it is, or
// converted to the game's palette (a WAD2 file for a .wad output).
// `palette` is needed only for a conversion.
BlendFailure BlendBitmaps(std::array<freeimage_base::Bitmap, 4> inputs, const std::string& output,
                          const QuakeOptions& quake = {},
                          const std::optional<quake_palette::Palette>& palette = std::nullopt);

// Reads the palette file from the program's folder into `palette` for
// --quake; fails with kExitNoPalette unless it was read whole with its header.
BlendFailure ReadQuakePalette(std::optional<quake_palette::Palette>& palette);

// Runs the command: normal output to `out`, errors to `err`; returns the exit code.
int RunBlend(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace orrisbay::cli
