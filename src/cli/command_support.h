#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/game_file_arguments.h"
#include "console/result.h"
#include "imageio/freeimage_base.h"
#include "palette/quake_palette.h"

// What orrisbay-blend and orrisbay-wad share: exit codes, loading a picture as
// the window's open buttons do, the palette beside the program, and the way
// a run reports. A run's result is a Result<void> whose problem's kind gives
// the exit status, and whose warnings are told either way.
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

// The exit status of a run that stopped at `problem`, by its kind.
int ExitCodeOf(const Problem& problem);
// kExitSuccess for a result without a problem.
int ExitCodeOf(const Result<void>& result);

// Loads the picture at `path` as the open buttons do (the type from the
// extension; a .wal in `palette`), or says why it cannot; a colour profile
// that could not be used is a warning, "PATH: what".
Result<freeimage_base::Bitmap> LoadInput(const std::string& path,
                                         const std::optional<quake_palette::Palette>& palette);

// The game's palette, read from the program's folder, or why there is none
// (NoPalette: "Quake palette conversion is not available." and the reason).
Result<quake_palette::Palette> ReadGamePalette();
// The palette `choice` asks for: the --palette file, of any kind a palette
// comes in (refused with the reader's reason, of its kind), or else the one
// beside the program; with its fullbright count set when asked.
Result<quake_palette::Palette> ReadGamePalette(const PaletteChoice& choice);

// The palette of a result, or none.
std::optional<quake_palette::Palette> PaletteOf(const Result<quake_palette::Palette>& game);

// The palette of a run that does not convert to the game's palette.
Result<quake_palette::Palette> NoGamePalette();

// The problem of an export as the commands tell it: a file not written says
// "OUTPUT: not written: reason", a WAD texture off the grid says how to
// rescale it, a map's texture of another size how to make it fit, and a
// missing palette says why with `palette`'s reason.
Problem ExportProblem(const Problem& problem, const std::string& output,
                      const std::optional<Problem>& palette = std::nullopt);

// Writes the line for a wrong command line and gives kExitUsage.
int ReportUsageError(std::string_view program, const std::string& error, std::ostream& err);

// Writes "PROGRAM VERSION" and gives kExitSuccess.
int ReportVersion(std::string_view program, std::ostream& out);

// Writes the warnings and any problem of `result` to `err`; gives its exit code.
int ReportResult(std::string_view program, const Result<void>& result, std::ostream& err);

// Splits a verb command's arguments into its words (verb and operands) and
// options, which `parseOption(arguments, i)` reads (advancing `i` past a
// value) and answers with an error text, empty when it took the option;
// "--" ends the options. Stops at the first error, left in `error`.
template <typename ParseOption>
std::vector<std::string> SplitWords(std::span<const std::string> arguments, ParseOption parseOption,
                                    std::string& error) {
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size() && error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            words.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else {
            error = parseOption(arguments, i);
        }
    }
    return words;
}

}  // namespace orrisbay::cli
