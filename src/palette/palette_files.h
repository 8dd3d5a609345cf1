#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "console/result.h"
#include "palette/game_palette.h"

namespace orrisbay::quake_palette {

// Text palettes are small; a larger file can only be a PCX picture, of which
// just the header and the palette at its end are read.
inline constexpr std::uint64_t kMaxTextPaletteBytes = 1 << 20;

// Reads a game's 256 colours from a JASC-PAL or GIMP palette, the palette at
// the end of a PCX picture (chosen by their contents, in that order) or a
// 768-byte raw palette lump (by its size). Exactly 256 colours of 0 to 255
// are taken; anything else is refused with the reason, naming the file. The
// start-up file keeps its own reader, ReadPaletteFile.
Result<PaletteFile> ReadGamePaletteFile(const std::string& path);

// The same, from the bytes of a whole file read from `path`.
Result<PaletteFile> ParseGamePalette(std::span<const std::uint8_t> bytes, const std::string& path);

}  // namespace orrisbay::quake_palette
