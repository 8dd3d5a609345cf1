#pragma once

#include <cstdint>
#include <string>

#include "console/result.h"
#include "gameformats/wad_file.h"
#include "palette/game_palette.h"

namespace orrisbay::gameformats {

// A WAD's palette lump (Quake's gfx.wad holds one named "PALETTE"): 768
// bytes of red, green, blue.
inline constexpr std::uint8_t kPaletteLumpType = 0x40;

// The palette of `wad`, read from `path`: its uncompressed 768-byte lump of
// type 0x40 named "palette", else the first such lump; NotFound when there
// is none (a Half-Life WAD3 has none: its textures carry their own colours).
Result<quake_palette::PaletteFile> WadPalette(const WadFile& wad, const std::string& path);

// A game's palette from any file it comes in: a WAD's palette lump when the
// file begins as a WAD does, otherwise whatever ReadGamePaletteFile reads
// (JASC-PAL, GIMP, the end of a PCX picture, a raw 768-byte lump).
Result<quake_palette::PaletteFile> ReadAnyPaletteFile(const std::string& path);

}  // namespace orrisbay::gameformats
