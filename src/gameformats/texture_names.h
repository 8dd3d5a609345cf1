#pragma once

#include <string>
#include <string_view>

#include "gameformats/wad_file.h"

namespace orrisbay::gameformats {

// Checks `name` against the game's naming rules: 1 to 15 characters of
// printable ASCII without spaces, and an animation frame ("+") followed by a
// frame 0 to 9 or a to j and a name. Gives the name as it will be stored (WAD3
// names lower-cased), or BadName with a message saying which rule it breaks.
// A name taken from a file (`fromFile`: that file's name) is held to the same
// rules, and its message also offers the nearest name that keeps them.
Result<std::string> CheckTextureName(std::string_view name, WadKind kind,
                                     std::string_view fromFile = {});

// The name nearest to `wanted` that keeps the game's rules and that map files
// can carry: accented Latin letters lose their accents, other characters
// outside plain letters, digits and the game's punctuation become '_' (one
// for a run), and a name too long loses its middle, keeping a number at its
// end, so that wall_large_01 and wall_large_02 stay apart.
std::string NearestValidTextureName(std::string_view wanted);

// True when two lump names are the same to the game, which ignores case.
bool SameLumpName(std::string_view a, std::string_view b);

// What the start of `name` makes the game do with the texture, in a sentence
// for the place where the user types the name; empty for a plain texture.
std::string PrefixExplanation(std::string_view name, WadKind kind);

// True when Half-Life engines that draw fullbrights take entries 224 to 255
// of the palette of a texture named `name` as glowing: "~" first, or right
// after an animation frame ("+0~lamp").
bool IsGlowingPaletteName(std::string_view name);

// A warning when `name` is a Quake sky whose size is not the 256 x 128 the
// game splits into two halves; empty otherwise.
std::string SkySizeWarning(std::string_view name, WadKind kind, unsigned width, unsigned height);

// A warning when the animation set `name` belongs to ("+0lava" to "+9lava",
// or "+alava" to "+jlava") has a gap among its frames in `wad`; empty
// otherwise.
std::string AnimationGapWarning(const WadFile& wad, std::string_view name);

}  // namespace orrisbay::gameformats
