#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/command_support.h"
#include "gameformats/wad_fullbrights.h"

// check and defullbright of orrisbay-wad and orrisbay-bsp: the textures of a
// Quake WAD or map whose pixels glow in the dark, and those pixels turned
// into ordinary colours.
namespace orrisbay::cli {

// check's exit status when a texture has fullbright pixels.
inline constexpr int kExitFindings = 1;

// What defullbright takes: --specks (the default), --all or --outside MASK.
struct FullbrightOptions {
    gameformats::GlowRemoval removal = gameformats::GlowRemoval::Specks;
    bool given = false;
    std::string mask;
};

// Reads `arguments[i]` (and its value) when it is one of defullbright's
// options: gives the error, or an empty text when it was understood; nothing
// when the option is not one of these.
std::optional<std::string> ParseFullbrightOption(std::span<const std::string> arguments,
                                                 std::size_t& i, FullbrightOptions& options);

// The error for defullbright's options given to another verb; empty when none is.
std::string MisplacedFullbrightOption(std::string_view verb, const FullbrightOptions& options);

// The kinds of file whose textures check and defullbright work on.
enum class GlowFile {
    Wad,  // a WAD2 or WAD3
    Map,  // a compiled map: the textures it stores
};

// check FILE: one line per texture with fullbright pixels on `out`; the value
// is what is told after them ("FILE: N of M textures have fullbright
// pixels"), empty when nothing glows.
Result<std::string> CheckFullbrights(GlowFile kind, const std::string& file, std::ostream& out);

// Tells the warnings, problem and summary of a check on `err`; gives its exit
// status (kExitFindings when a texture glows).
int ReportCheck(std::string_view program, const Result<std::string>& checked, std::ostream& err);

// defullbright FILE NAME...: remaps the chosen pixels and says what changed.
Result<void> Defullbright(GlowFile kind, const std::string& file,
                          std::span<const std::string> names, const FullbrightOptions& options,
                          std::ostream& out);

}  // namespace orrisbay::cli
