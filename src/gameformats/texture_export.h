#pragma once

#include <FreeImage.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gameformats/wad_file.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// What an output path asks for, by its extension.
enum class OutputKind {
    Unsupported,  // no format the program writes
    Picture,      // PNG, Targa or BMP: full colour, or 8-bit with the palette
    Jpeg,         // full colour only: a texture in the palette loses its palette
    Wad,          // a texture added to (or replaced in) a WAD2 or WAD3 file
};
OutputKind OutputKindOf(std::string_view path);

// What to write and how: a plain value, so it can be kept and run again.
struct ExportRequest {
    std::string path{};      // the output; its extension chooses the format
    bool toPalette = false;  // convert to the game's palette; a WAD always is
    quake_palette::ConversionOptions conversion{};
    // A .wad output: the texture's name (empty: from the file's name), the
    // kind of a new WAD (WAD2 when absent; an existing WAD keeps its own) and
    // the coverage below which a '{' texture is see-through.
    std::string textureName{};
    std::optional<WadKind> wadKind{};
    int seeThroughThreshold = 128;
    // A kept output, written again on every change (the window's updates of
    // the file saved last, every run of the command's --watch): a PNG is
    // compressed quickly. The pixels are the same either way.
    bool keptOutput = false;
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
// the command answers from its options. All must be set; each is called only
// when its question arises.
struct ExportQuestions {
    // True to replace the file that exists at `path` (never asked of a WAD,
    // which keeps its other lumps).
    std::function<bool(const std::string& path)> replaceFile;
    // True to replace the texture `name` that the WAD at `path` holds already.
    std::function<bool(const std::string& name, const std::string& path)> replaceTexture;
    // True to rescale the texture to the nearest multiples of 16 first.
    std::function<bool(const RescaleQuestion& question)> rescaleToGrid;
};

enum class ExportOutcome {
    Written,
    UnsupportedFormat,  // the path names no format the program writes
    NoPalette,          // the game's palette is needed and there is none
    Cancelled,          // the existing file or texture was to be kept
    WadUnreadable,      // the WAD to add to cannot be read or is damaged
    BadTextureName,     // the name breaks one of the game's rules or names another lump
    NoTexture,          // there is nothing to write
    NotWadSize,         // a WAD needs multiples of 16 and no rescale was wanted
    RescaleFailed,      // the rescale to multiples of 16 made nothing
    ConversionFailed,   // the texture could not be converted to the palette
    NotWritten,         // encoding or writing failed
};

// A texture put into a WAD: its name as stored, its size, the WAD's kind and
// whether it took the place of a texture of the same name.
struct WadEntry {
    std::string name;
    unsigned width = 0;
    unsigned height = 0;
    WadKind kind = WadKind::Wad2;
    bool replaced = false;
};

// The one result of an export: the window turns it into a message, the
// command into an exit status and a line on standard error.
struct ExportResult {
    ExportResult() = default;
    ExportResult(ExportOutcome what, std::string why) : outcome(what), message(std::move(why)) {}

    ExportOutcome outcome = ExportOutcome::NotWritten;
    std::string message;  // empty when written; otherwise a short explanation
    // For a WAD: the texture as written, and what the user should know about
    // it (a sky of the wrong size, a gap in an animation, no see-through mask).
    std::optional<WadEntry> wadEntry;
    std::vector<std::string> warnings;
    explicit operator bool() const { return outcome == ExportOutcome::Written; }
};

// The name of the texture a .wad output puts into the WAD: the one asked
// for, or else one made from the file's name.
std::string TextureNameOf(const ExportRequest& request);

// True when `request` makes a see-through ('{') WAD texture, the only export
// that reads the texture's coverage; callers may spare making it otherwise.
bool TakesCoverage(const ExportRequest& request);

// Writes the full-colour texture (left unchanged) as `request` asks: as it
// is, or in the game's palette as an 8-bit picture; or, for a .wad output,
// adds it to the WAD (made when missing) or replaces the texture of its name
// there, keeping every other lump. The checks come first and in this order:
// the format; for a WAD, reading it; the palette (a WAD3 needs none); for a
// WAD, the texture's name; replacing an existing file or texture; the
// texture; then its size. `coverage` (any bitmap of the texture's size, or
// null) says where a '{' texture is see-through. Every file is written beside
// its target and renamed into place, so a failed export leaves an existing
// file as it was.
ExportResult ExportTexture(const FIBITMAP* fullColour, const ExportRequest& request,
                           const std::optional<quake_palette::Palette>& palette,
                           const ExportQuestions& questions, const FIBITMAP* coverage = nullptr);

// An export made again on every new texture as it was made the first time:
// the same request, the file (or a WAD's texture) replaced without asking (it
// is the one written before), and the texture rescaled to the 16-pixel grid
// when that was agreed. The command runs every export this way.
struct RepeatedExport {
    ExportRequest request;
    bool rescaleToGrid = false;
};
ExportResult RepeatExport(const FIBITMAP* fullColour, const RepeatedExport& repeated,
                          const std::optional<quake_palette::Palette>& palette,
                          const FIBITMAP* coverage = nullptr);

// The export to repeat after `request` has written `written`, with the answer
// given to the rescale question, as a kept output. A WAD's texture keeps the
// kind of the WAD it went into, should the WAD have to be made again.
RepeatedExport ExportToRepeat(ExportRequest request, bool rescaleToGrid,
                              const ExportResult& written);

// True when two exports write the same file and, into a WAD, the same texture
// (whose names the game compares without regard to case).
bool WritesSameOutput(const ExportRequest& a, const ExportRequest& b);

}  // namespace orrisbay::gameformats
