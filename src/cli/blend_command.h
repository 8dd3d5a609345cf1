#pragma once

#include <array>
#include <iosfwd>
#include <span>
#include <string>

#include "cli/blend_arguments.h"
#include "cli/command_support.h"
#include "gameformats/texture_export.h"
#include "imageio/freeimage_base.h"
#include "session/texture_session.h"
#include "slots/merge_options.h"

namespace orrisbay::cli {

// How the merge blends besides its four inputs: its options, and the height
// maps of layers 1 and 2 (empty: the layer's brightness); and where the
// texture glows once converted (empty: nowhere by intent).
struct MergeSettings {
    slots::MergeOptions options;
    std::array<freeimage_base::Bitmap, 2> heightMaps;
    freeimage_base::Bitmap glow;
};

// Hands the four inputs (layer 1, layer 2, mask 1, mask 2) to a texture
// session as the window does, and exports the merged texture as `request`
// asks (a .wad output takes the merge's coverage for see-through names);
// `rescale` answers the 16-pixel grid question. `game` is the game's
// palette, or why there is none; it is needed only for the palette.
Result<void> BlendBitmaps(std::array<freeimage_base::Bitmap, 4> inputs,
                          const gameformats::ExportRequest& request, bool rescale = false,
                          const Result<quake_palette::Palette>& game = NoGamePalette(),
                          MergeSettings settings = {});

// Loads the four input files (or the built-in pictures) and the height maps
// that `options` names and blends them to its output, as BlendBitmaps does; a
// colour profile that could not be used is a warning.
Result<void> BlendFiles(const BlendOptions& options, const Result<quake_palette::Palette>& game);

// The game's palette (the --palette file, else the one beside the program)
// when `options` convert to it or read a .wal input, or why there is none;
// fails when a picture or .wal output, a .wal input or --palette needs it and
// there is none (a WAD may not: a WAD3 brings its own, and the export decides).
Result<void> ReadPaletteFor(const BlendOptions& options, Result<quake_palette::Palette>& game);

// The export a run of `options` makes, and keeps making under --watch.
gameformats::RepeatedExport ExportOf(const BlendOptions& options);

// Runs the command: normal output to `out`, errors to `err`; returns the exit code.
int RunBlend(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace orrisbay::cli
