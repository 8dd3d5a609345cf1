#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/blend_arguments.h"
#include "imageio/freeimage_base.h"
#include "palette/palette_conversion.h"

namespace orrisbay::cli {

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

// Loads the four input files (or the built-in pictures) that `options` names
// and blends them to its output, as BlendBitmaps does. A colour profile that
// could not be used is told on `err`.
BlendFailure BlendFiles(const BlendOptions& options,
                        const std::optional<quake_palette::Palette>& palette, std::ostream& err);

// Reads the palette file from the program's folder into `palette` for
// --quake; fails with kExitNoPalette unless it was read whole with its header.
BlendFailure ReadQuakePalette(std::optional<quake_palette::Palette>& palette);

// Runs the command: normal output to `out`, errors to `err`; returns the exit code.
int RunBlend(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace orrisbay::cli
