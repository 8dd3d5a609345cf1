#pragma once

#include <FreeImage.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// What an output path asks for, by its extension.
enum class OutputKind {
    Unsupported,  // no format the program writes
    Picture,      // PNG, Targa or BMP: full colour, or 8-bit with the palette
    Jpeg,         // full colour only: a texture in the palette loses its palette
    Wad,          // a one-texture WAD2 file, always in the game's palette
};
OutputKind OutputKindOf(std::string_view path);

// What to write and how: a plain value, so it can be kept and run again.
struct ExportRequest {
    std::string path;        // the output; its extension chooses the format
    bool toPalette = false;  // convert to the game's palette; a WAD always is
    quake_palette::ConversionOptions conversion;
};

// Asked when a texture going to the palette is not a multiple of 16 pixels
// wide and high.
struct RescaleQuestion {
    int width = 0;
    int height = 0;
    bool required = false;  // a WAD cannot hold it otherwise; an 8-bit picture can
    std::string text;       // the question as the user reads it
};

// The answers an export may need from its caller: the window asks the user,
// the command answers from its options. Both must be set; each is called only
// when its question arises.
struct ExportQuestions {
    // True to replace the file that exists at `path`.
    std::function<bool(const std::string& path)> replaceFile;
    // True to rescale the texture to the nearest multiples of 16 first.
    std::function<bool(const RescaleQuestion& question)> rescaleToGrid;
};

enum class ExportOutcome {
    Written,
    UnsupportedFormat,  // the path names no format the program writes
    NoPalette,          // the game's palette is needed and there is none
    Cancelled,          // the existing file was to be kept
    NoTexture,          // there is nothing to write
    NotWadSize,         // a WAD needs multiples of 16 and no rescale was wanted
    RescaleFailed,      // the rescale to multiples of 16 made nothing
    ConversionFailed,   // the texture could not be converted to the palette
    NotWritten,         // encoding or writing failed
};

// The one result of an export: the window turns it into a message, the
// command into an exit status and a line on standard error.
struct ExportResult {
    ExportOutcome outcome = ExportOutcome::NotWritten;
    std::string message;  // empty when written; otherwise a short explanation
    explicit operator bool() const { return outcome == ExportOutcome::Written; }
};

// Writes the full-colour texture (left unchanged) as `request` asks: as it
// is, or in the game's palette as an 8-bit picture or a WAD2 file named after
// the output, whose mip levels are each reduced from full colour. The checks
// come first and in this order: the format, the palette, replacing an
// existing file, the texture, then its size. Every file is written beside
// its target and renamed into place, so a failed export leaves an existing
// file as it was.
ExportResult ExportTexture(const FIBITMAP* fullColour, const ExportRequest& request,
                           const std::optional<quake_palette::Palette>& palette,
                           const ExportQuestions& questions);

// An export made again on every new texture as it was made the first time:
// the same request, the file replaced without asking (it is the one written
// before), and the texture rescaled to the 16-pixel grid when that was agreed.
struct RepeatedExport {
    ExportRequest request;
    bool rescaleToGrid = false;
};
ExportResult RepeatExport(const FIBITMAP* fullColour, const RepeatedExport& repeated,
                          const std::optional<quake_palette::Palette>& palette);

}  // namespace orrisbay::gameformats
