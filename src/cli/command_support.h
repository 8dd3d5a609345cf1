#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gameformats/texture_export.h"
#include "imageio/freeimage_base.h"
#include "palette/quake_palette.h"

// What orrisbay-blend and orrisbay-wad share: exit codes, the result of a run,
// loading a picture as the window's open buttons do, the palette beside the
// program, and the way a run reports.
namespace orrisbay::cli {

// Exit codes, in the spirit of sysexits.h.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitUsage = 64,            // the command line is wrong, or a texture name breaks a rule
    kExitMergeFailed = 65,      // the inputs could not be merged, rescaled or converted
    kExitBadInput = 66,         // an input or WAD is missing, unreadable, damaged or unsupported
    kExitNotWadSize = 67,       // a WAD texture would not be a multiple of 16 (see --rescale)
    kExitNoPalette = 69,        // the palette file beside the program is missing or wrong
    kExitOutputNotWritten = 73  // the output file could not be written
};

// How a run ended: its exit code, the line for standard error when it
// failed, and warnings worth showing either way.
struct CommandResult {
    CommandResult() = default;
    CommandResult(int exitCode, std::string line, std::vector<std::string> toldAnyway = {})
        : code(exitCode), message(std::move(line)), warnings(std::move(toldAnyway)) {}

    int code = kExitSuccess;
    std::string message;
    std::vector<std::string> warnings;
};

// `later` with the warnings of `earlier` told before its own.
CommandResult AfterWarnings(const std::vector<std::string>& earlier, CommandResult later);

// Loads the picture at `path` into `bitmap` as the open buttons do (the type
// from the extension), or says why it cannot (kExitBadInput). A colour
// profile that could not be used is a warning.
CommandResult LoadInput(const std::string& path, freeimage_base::Bitmap& bitmap);

// The game's palette, read from the program's folder: the palette to convert
// to, or why there is none (kExitNoPalette and the reader's reason).
struct GamePalette {
    std::optional<quake_palette::Palette> palette;
    CommandResult problem;
};
GamePalette ReadGamePalette();

// The exit status and message for an export: success when it wrote the
// texture (with its warnings). A missing palette is told with `game`'s reason.
CommandResult ExportOutcomeOf(const gameformats::ExportResult& exported, const std::string& output,
                              const GamePalette& game);

// Writes the line for a wrong command line and gives kExitUsage.
int ReportUsageError(std::string_view program, const std::string& error, std::ostream& err);

// Writes "PROGRAM VERSION" and gives kExitSuccess.
int ReportVersion(std::string_view program, std::ostream& out);

// Writes the warnings and any failure of `result` to `err`; gives its exit code.
int ReportResult(std::string_view program, const CommandResult& result, std::ostream& err);

}  // namespace orrisbay::cli
