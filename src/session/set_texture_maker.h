#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "console/result.h"
#include "gameformats/wad_file.h"
#include "palette/quake_palette.h"
#include "session/recipe_textures.h"

// How one texture of a set is made: the only place of the set's build that
// knows. Everything around it (what to make, in parallel, writing each WAD
// once, the state) works on what it gives back.
namespace orrisbay::session {

// What a texture was made into: its lump, for a WAD output, which the build
// writes with the WAD's other changed textures; nothing for a picture
// output, which is written here (a map's texture too).
struct MadeTexture {
    std::optional<gameformats::WadLump> lump;
};

struct MakeContext {
    const quake_palette::Palette* palette = nullptr;  // the game's colours; null: none read
    std::string paletteProblem;                       // why there are none
    gameformats::WadKind wadKind = gameformats::WadKind::Wad2;  // of the WAD it goes into
    unsigned threads = 1;                                       // for its merge
    // Held while a texture is written into a map, which several textures of
    // a set may share: each write reads the map and replaces it whole.
    std::mutex* mapWrites = nullptr;
};

// Makes `texture` as orrisbay-blend (a blend) or orrisbay-wad add (a plain
// picture) would: its sources loaded as the open buttons load them, a blend
// merged by a texture session of its own (the window's and orrisbay-blend's),
// then turned into a WAD lump, which the caller writes, or written as a
// picture through the session's export. Warnings (a colour profile not used,
// a sky of the wrong size) come with the result.
Result<MadeTexture> MakeSetTexture(const SetTexture& texture, const MakeContext& context);

}  // namespace orrisbay::session
