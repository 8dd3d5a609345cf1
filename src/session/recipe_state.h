#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "console/result.h"

// What the last build of a recipe made from what, kept in one file beside
// the recipe: for each output, the file as the build left it and the
// textures the recipe put there, each with the hash of everything it was
// made from and of the bytes it holds in its WAD.
namespace orrisbay::session {

using ContentHash = std::uint64_t;

struct BuiltTexture {
    std::string name;
    ContentHash madeFrom = 0;  // 0: not up to date (its last build failed)
    ContentHash lump = 0;      // its lump's bytes in the WAD; 0 for a picture output
    std::string failure;       // why its last build failed; empty when it did not
};

struct BuiltOutput {
    std::string path;      // relative to the recipe's folder
    ContentHash file = 0;  // the file as the last build left it (see FileFingerprint)
    std::vector<BuiltTexture> textures;

    const BuiltTexture* FindTexture(std::string_view name) const;
};

// A source file as the last build read it: what the file system said of it
// (see SettledFingerprint) and the hash of its bytes, so that a file the
// file system says nothing new of need not be read again.
struct KnownSource {
    std::string path;  // relative to the recipe's folder
    ContentHash seen = 0;
    ContentHash bytes = 0;
};

struct RecipeState {
    std::string program;  // the version of the program that wrote it
    std::vector<BuiltOutput> outputs;
    std::vector<KnownSource> sources;

    const BuiltOutput* FindOutput(std::string_view path) const;
    const KnownSource* FindSource(std::string_view path) const;
};

// The state file of the recipe at `recipe`: "RECIPE.state" beside it.
std::filesystem::path StatePathOf(const std::filesystem::path& recipe);

// The state in the file at `path`; empty when there is none. A file that is
// damaged or was edited into something else gives the empty state too, with
// a warning that everything is built again: never a failure.
Result<RecipeState> ReadRecipeState(const std::filesystem::path& path);

// The state as the file holds it.
std::string RecipeStateText(const RecipeState& state);

// Writes the state file whole and atomically, unless it holds this very
// state already (a build that changed nothing leaves it alone).
Result<void> WriteRecipeState(const RecipeState& state, const std::filesystem::path& path);

}  // namespace orrisbay::session
