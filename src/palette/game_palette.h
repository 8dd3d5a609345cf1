#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "console/result.h"
#include "palette/colour_finder.h"
#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {

// The kinds of file a game's palette comes in.
enum class PaletteFormat {
    Jasc,     // "JASC-PAL" text, as the start-up file
    RawLump,  // 768 bytes of red, green, blue: Quake's and Hexen II's gfx/palette.lmp
    Pcx,      // the 256 colours at the end of a PCX picture: Quake II's pics/colormap.pcx
    Gimp,     // a GIMP palette, "GIMP Palette" text
    WadLump,  // a palette lump (type 0x40) inside a WAD
};

// The format's name for people ("PCX picture").
std::string_view PaletteFormatName(PaletteFormat format);

// A game's 256 colours as one value, with how many of the last ones the game
// draws unlit and where they were read from.
struct GamePalette {
    Palette colours{};
    int fullbrightCount = 0;  // colours 256 - fullbrightCount to 255 glow in the dark
    std::string source;       // the file they were read from
    PaletteFormat format = PaletteFormat::Jasc;
};

// True when `colours` are exactly Quake's own palette.
bool IsQuakePalette(const Palette& colours);

// What a palette's colours imply: Quake's own have 32 fullbrights, any other
// palette none (its user says otherwise with WithFullbrightCount).
GamePalette MakeGamePalette(const Palette& colours, std::string source, PaletteFormat format);

// `palette` with its last `count` colours fullbright; refused unless
// `count` is 0 to 255, so at least one colour stays lit.
Result<GamePalette> WithFullbrightCount(GamePalette palette, int count);

// The table of 256 colours stored as red, green, blue bytes one after another.
inline constexpr std::size_t kRawPaletteSize = 768;
Palette PaletteFromRgb(std::span<const std::uint8_t, kRawPaletteSize> rgb);

}  // namespace orrisbay::quake_palette
