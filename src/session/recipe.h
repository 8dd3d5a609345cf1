#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "console/result.h"
#include "session/recipe_options.h"

// A recipe: the textures of a set, each from its pictures, with its options
// and its output, as a TOML file names them. This is the file as written
// (paths relative to it, options unresolved); ExpandRecipe in
// recipe_textures.h turns it into the textures to make.
namespace orrisbay::session {

// The files a texture is made from, by the key that names each.
enum class SourceRole : std::size_t {
    Layer1,
    Layer2,
    Mask1,
    Mask2,
    Picture,  // a plain picture instead of the four above
    Mask,     // a plain picture's see-through mask (default: its alpha)
    Height1,  // height maps of a blend's layers
    Height2,
    Glow,  // where the texture glows once converted
    Count
};
inline constexpr std::size_t kSourceRoles = static_cast<std::size_t>(SourceRole::Count);
inline constexpr std::array<std::string_view, kSourceRoles> kSourceKeys = {
    "layer1", "layer2", "mask1", "mask2", "picture", "mask", "height1", "height2", "glow"};
std::string_view SourceKey(SourceRole role);

// One [[texture]] of a recipe.
struct RecipeTexture {
    std::string name;
    std::array<std::string, kSourceRoles> sources{};  // empty: not given
    std::string output;                               // a .wad, or a picture file
    RecipeOptions options;
    // Where each key was written; "" is the [[texture]] line itself.
    std::map<std::string, RecipePlace, std::less<>> places;

    std::string& Source(SourceRole role) { return sources[static_cast<std::size_t>(role)]; }
    const std::string& Source(SourceRole role) const {
        return sources[static_cast<std::size_t>(role)];
    }
    bool IsPlainPicture() const { return !Source(SourceRole::Picture).empty(); }
    // Where `key` was written, else where the texture begins.
    RecipePlace PlaceOf(std::string_view key) const;
};

// One [[pictures]] entry: every picture that `files` matches is a texture
// named after its file, with these options and output.
struct PictureGroup {
    std::string files;   // a pattern: "walls/*.png", "fences/{*.tga"
    std::string output;  // may be left to an earlier group that matches too
    RecipeOptions options;
    std::map<std::string, RecipePlace, std::less<>> places;
    RecipePlace PlaceOf(std::string_view key) const;
};

struct Recipe {
    std::string path;  // the recipe file; its folder is where relative paths start
    RecipeOptions defaults;
    std::vector<RecipeTexture> textures;
    std::vector<PictureGroup> pictures;
    // The line where each table of the file begins, for edits that keep the rest.
    std::vector<int> tableLines;

    // The texture named `name`, or null (the first, should two share it).
    const RecipeTexture* FindTexture(std::string_view name) const;
};

// Reads the recipe at `path`. A syntax error, a key the recipe does not know
// (with the nearest one it does), a value of the wrong kind or out of range:
// each is one line "FILE:LINE:COLUMN: KEY: what is wrong", all of them in
// the problem's message, one per line.
Result<Recipe> ReadRecipe(const std::string& path);
// The same from the recipe's text; `path` names it in messages.
Result<Recipe> ParseRecipe(std::string_view text, const std::string& path);

// The recipe as TOML: [defaults], then each [[texture]] and [[pictures]],
// keys in a fixed order.
std::string RecipeText(const Recipe& recipe);
// The text of one [[texture]], its header line included.
std::string TextureText(const RecipeTexture& texture);

// Writes `recipe` to recipe.path, replacing it whole and atomically.
Result<void> WriteRecipe(const Recipe& recipe);

// Puts `texture` into the recipe file at `path`: in place of the texture of
// the same name (its lines replaced), or after everything else; every other
// line of the file keeps its bytes, comments included. Makes the file when
// it is missing. A file that is not a valid recipe is left alone.
Result<void> PutTextureInRecipeFile(const std::string& path, const RecipeTexture& texture);

// A message line "FILE:LINE:COLUMN: KEY: text" (no KEY part when empty).
std::string PlaceMessage(const std::string& file, const RecipePlace& place, std::string_view key,
                         std::string_view text);

}  // namespace orrisbay::session
