#pragma once

#include <FreeImage.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console/result.h"
#include "gameformats/bsp_edit.h"
#include "gameformats/wad_file.h"
#include "gameformats/wal_texture.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// What an output path asks for, by its extension.
enum class OutputKind {
    Unsupported,  // no format the program writes
    Picture,      // PNG, Targa or BMP: full colour, or 8-bit with the palette
    Jpeg,         // full colour only: a texture in the palette loses its palette
    Wad,          // a texture added to (or replaced in) a WAD2 or WAD3 file
    Map,          // a texture replaced in a compiled map (.bsp)
    Wal,          // a Quake II texture file, in the game's palette
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
    // What the output is, when the caller knows better than its extension
    // (the WAD of orrisbay-wad, whatever its name); empty: by the extension.
    std::optional<OutputKind> kind{};
    // A .bsp output: textureName names the map's texture to replace (it must
    // be given); one of another size replaces it only when allowed, since the
    // faces' texture coordinates were compiled for the size it has.
    bool allowResize = false;
    // A kept output, written again on every change (the window's updates of
    // the file saved last, every run of the command's --watch): a PNG is
    // compressed quickly. The pixels are the same either way.
    bool keptOutput = false;
    // A .wal output: its animation chain, flags and value (its name comes
    // from its path, WalNameForPath).
    WalFields wal{};
    // A picture output with a glow mask: NAME_glow.png written beside it too,
    // the glowing pixels in full colour on black (GlowMapPath).
    bool glowOutput = false;
};

// What `request` writes: its kind when given, else by its path's extension.
OutputKind OutputKindOf(const ExportRequest& request);

// Asked when a texture going to the palette is not a multiple of 16 pixels
// wide and high, or going into a map is not of the size of the texture it
// replaces.
struct RescaleQuestion {
    int width = 0;  // the texture's
    int height = 0;
    bool required = false;  // a WAD or map cannot take it otherwise; an 8-bit picture can
    std::string text;       // the question as the user reads it
};

// The answers an export needs: the window asks the user first (what
// ExportQuestionsFor lists), the command answers from its options. An export
// asks nothing itself, so nothing waits on a person while it runs.
struct ExportAnswers {
    bool replaceFile = false;     // replace the file that exists (never asked of a WAD)
    bool replaceTexture = false;  // replace the texture of the same name in the WAD
    // Rescale first as the rescale question offers: to the nearest multiples
    // of 16 or, into a map, to the size of the texture it replaces.
    bool rescaleToGrid = false;
};

// One question an export of the texture would ask, in the order asked.
struct ExportQuestion {
    enum class About { ReplaceFile, ReplaceTexture, RescaleToGrid };
    About about = About::ReplaceFile;
    std::string path;         // the file written
    std::string textureName;  // ReplaceTexture: the texture as the WAD holds it
    RescaleQuestion rescale;  // RescaleToGrid
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

// What an export wrote; what the user should know about it (a sky of the
// wrong size, a gap in an animation, nothing see-through) rides on the
// result's warnings. The window turns a problem into its message, the
// command into an exit status and a line on standard error.
struct ExportWritten {
    std::optional<WadEntry> wadEntry;  // for a WAD: the texture as written
    // For a map: the texture replaced; unchanged (and the map not written)
    // when the map held the very texture already.
    std::optional<BspTextureChange> mapTexture{};
};

// The name of the texture a .wad output puts into the WAD: the one asked
// for, or else one made from the file's name; for a .bsp output, the one
// asked for.
std::string TextureNameOf(const ExportRequest& request);

// True when `request` makes a see-through ('{') texture of a WAD or a map,
// the only export that reads the texture's coverage; callers may spare
// making it otherwise.
bool TakesCoverage(const ExportRequest& request);

// Writes the full-colour texture (left unchanged) as `request` asks: as it
// is, or in the game's palette as an 8-bit picture; for a .wal output, as a
// Quake II texture in the palette; or, for a .wad output, adds it to the WAD
// (made when missing) or replaces the texture of its name there, keeping
// every other lump. The checks come first and in this order:
// the format; for a WAD, reading it; the palette (a WAD3 needs none); for a
// WAD, the texture's name; replacing an existing file or texture (Cancelled
// when not agreed); the texture; then its size (NotOnGrid when a WAD needs
// the rescale and it was not agreed). Into a map (.bsp) the texture replaces
// the one the map stores under its name, which must be there: read and
// checked first, then the palette for a Quake map, then the texture; one of
// another size is rescaled to the map's when agreed and refused (WrongUsage)
// otherwise, unless request.allowResize; a texture that is the one the map
// holds already writes nothing and succeeds. `coverage` (any bitmap of the texture's
// size, or null) says where a '{' texture is see-through; `glow` (any bitmap,
// scaled to the texture as the merge scales masks; null for none) where it
// glows: there the conversion takes only the palette's fullbright colours,
// and nowhere else. Every file is
// written beside its target and renamed into place, so a failed export
// leaves an existing file as it was. A write that fails is CannotWrite, its
// message "PATH: reason".
Result<ExportWritten> ExportTexture(const FIBITMAP* fullColour, const ExportRequest& request,
                                    const std::optional<quake_palette::Palette>& palette,
                                    const ExportAnswers& answers,
                                    const FIBITMAP* coverage = nullptr,
                                    const FIBITMAP* glow = nullptr);

// What ExportTexture would ask for `fullColour` (null: no texture), after the
// checks that come before the questions, which fail it as they fail the
// export: the replace questions, then, once there is a texture, the rescale.
Result<std::vector<ExportQuestion>> ExportQuestionsFor(
    const FIBITMAP* fullColour, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette);

// An export made again on every new texture as it was made the first time:
// the same request, the file (or a WAD's texture) replaced without asking (it
// is the one written before), and the texture rescaled to the 16-pixel grid
// when that was agreed. The command runs every export this way.
struct RepeatedExport {
    ExportRequest request;
    bool rescaleToGrid = false;
};
Result<ExportWritten> RepeatExport(const FIBITMAP* fullColour, const RepeatedExport& repeated,
                                   const std::optional<quake_palette::Palette>& palette,
                                   const FIBITMAP* coverage = nullptr,
                                   const FIBITMAP* glow = nullptr);

// The export to repeat after `request` has written `written`, with the answer
// given to the rescale question, as a kept output. A WAD's texture keeps the
// kind of the WAD it went into, should the WAD have to be made again.
RepeatedExport ExportToRepeat(ExportRequest request, bool rescaleToGrid,
                              const ExportWritten& written);

// True when two exports write the same file and, into a WAD or a map, the
// same texture (whose names the game compares without regard to case).
bool WritesSameOutput(const ExportRequest& a, const ExportRequest& b);

}  // namespace orrisbay::gameformats
