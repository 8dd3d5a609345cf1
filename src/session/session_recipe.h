#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "console/result.h"
#include "gameformats/texture_export.h"
#include "palette/palette_conversion.h"
#include "session/recipe.h"
#include "session/recipe_textures.h"
#include "session/set_build.h"
#include "session/texture_session.h"
#include "slots/merge_options.h"

// One texture of a set as an editing session holds it: what Open Recipe puts
// into the window's session and Save Recipe takes out of it, so that both
// directions are decided here once, below the window.
namespace orrisbay::session {

struct SessionTexture {
    std::string name;
    // The files of the session's inputs (slots 0..3, then the height maps); empty: none.
    std::array<std::filesystem::path, kInputCount> sources{};
    slots::MergeOptions merge;
    quake_palette::ConversionOptions conversion;
    std::filesystem::path palette;  // a palette file of its own; empty: the one beside the program
    // The output, made again after every merge as orrisbay-build makes it.
    gameformats::RepeatedExport output;
};

// The session's texture of a set's texture. A plain picture, which is no
// blend of four slots, is refused (WrongUsage).
Result<SessionTexture> SessionTextureOf(const SetTexture& texture);

// The inputs of `session` whose pictures came from no file (pasted, built
// in, taken from a WAD), which a recipe cannot name: the four slots, and the
// height maps that hold a picture.
std::vector<int> InputsWithoutFiles(const TextureSession& session);

// What `session` makes, as a set's texture: its files (none for the inputs
// InputsWithoutFiles gives), merge options and kept output, with the kept
// output's conversion options and the palette file given (empty for the one
// beside the program). Fails when there is no kept output (NothingToWrite).
Result<SessionTexture> SessionTextureFrom(const TextureSession& session,
                                          const std::filesystem::path& palette);

// The [[texture]] of a recipe in `folder` that makes `texture`: paths
// relative to the folder, and every option written out, so that the
// recipe's [defaults] change nothing of it.
RecipeTexture RecipeTextureOf(const SessionTexture& texture, const std::filesystem::path& folder);

// A texture of a recipe as a list shows it: built (its output holds what
// its files make now), out of date, or failed (it cannot be made, or its
// last build failed; `why` says why).
struct ListedTexture {
    enum class State { Built, OutOfDate, Failed };
    SetTexture texture;
    State state = State::OutOfDate;
    std::string why;
};

// The textures of the recipe at `path`, in its order, with their states as
// a dry run of its build finds them (nothing is written); `programPalette`
// as for BuildSet. Fails as BuildSet does, before anything is listed.
Result<std::vector<ListedTexture>> ListRecipeTextures(
    const std::string& path, const std::optional<quake_palette::Palette>& programPalette);

}  // namespace orrisbay::session
