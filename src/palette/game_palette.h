#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "console/result.h"
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

// A game's palette as read from one of its files, and where it came from.
struct PaletteFile {
    Palette palette{};  // its fullbright count as its colours imply (MakePaletteFile)
    std::string path;   // the file it was read from
    PaletteFormat format = PaletteFormat::Jasc;
};

// True when the colours of `palette` are exactly Quake's own (whatever its
// fullbright count).
bool IsQuakePalette(const Palette& palette);

// The palette read from `path` with the fullbright count its colours imply:
// Quake's own have 32 fullbrights, any other palette none (its user says
// otherwise with WithFullbrightCount).
PaletteFile MakePaletteFile(const Palette& colours, std::string path, PaletteFormat format);

// `palette` with its last `count` colours fullbright; refused unless
// `count` is 0 to 255, so at least one colour stays lit.
Result<Palette> WithFullbrightCount(Palette palette, int count);

// The table of 256 colours stored as red, green, blue bytes one after another.
inline constexpr std::size_t kRawPaletteSize = 768;
Palette PaletteFromRgb(std::span<const std::uint8_t, kRawPaletteSize> rgb);

}  // namespace orrisbay::quake_palette
