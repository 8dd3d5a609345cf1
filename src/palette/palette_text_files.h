#pragma once

#include <string>
#include <string_view>

#include "console/result.h"
#include "palette/quake_palette.h"

// Readers of the two text palette formats, for palette_files.cpp.
namespace orrisbay::quake_palette {

inline constexpr std::string_view kGimpHeaderLine = "GIMP Palette";

// True when `text` begins with the format's header line (after a UTF-8 byte
// order mark, if any).
bool StartsWithJascHeader(std::string_view text);
bool StartsWithGimpHeader(std::string_view text);

// "JASC-PAL", a version line, a count of 256, then 256 lines of three numbers.
Result<Palette> ParseJascPalette(std::string_view text, const std::string& path);

// "GIMP Palette", optional "Name:" and "Columns:" lines, comments (#) and
// blank lines, then 256 lines of three numbers, each followed by a name or not.
Result<Palette> ParseGimpPalette(std::string_view text, const std::string& path);

}  // namespace orrisbay::quake_palette
