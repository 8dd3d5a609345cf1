#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "console/result.h"
#include "gameformats/texture_export.h"
#include "session/recipe.h"

// A recipe turned into the textures to make: its [[texture]] tables and the
// pictures its [[pictures]] patterns match, in the order the file lists
// them, with paths resolved against the recipe's folder and options against
// its defaults, and everything checked that can be checked before a file is
// read or written.
namespace orrisbay::session {

struct SetTexture {
    std::string name;                                           // as the recipe gives it
    std::array<std::filesystem::path, kSourceRoles> sources{};  // empty: not given
    std::filesystem::path output;
    gameformats::OutputKind outputKind = gameformats::OutputKind::Wad;
    TextureSettings settings;
    // The options as the recipe gives them, defaults included: what the
    // texture's settings are remembered by.
    RecipeOptions options;
    std::string origin;  // "FILE:LINE", where the recipe gives the texture

    const std::filesystem::path& Source(SourceRole role) const {
        return sources[static_cast<std::size_t>(role)];
    }
    bool IsPlainPicture() const { return !Source(SourceRole::Picture).empty(); }
};

struct TextureSet {
    std::filesystem::path recipe;
    std::filesystem::path folder;  // where the recipe's relative paths start
    std::vector<SetTexture> textures;
};

// The textures of `recipe`. Refused, with one line per problem in the
// message ("FILE:LINE:COLUMN: KEY: what"), when a texture has no name or
// output, a name breaks the game's rules, two textures share a name in one
// WAD or a picture file, a source is missing or of a type the program does
// not read, the sources mix a blend's and a plain picture's, an output is of
// a kind the program does not write, or an option does not apply. A pattern
// that matches no picture is a warning.
Result<TextureSet> ExpandRecipe(const Recipe& recipe);

}  // namespace orrisbay::session
