#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "console/result.h"
#include "gameformats/wad_file.h"
#include "palette/quake_palette.h"
#include "session/recipe_state.h"
#include "session/recipe_textures.h"
#include "session/set_build.h"

// The plan of a build: for each texture of the set, what it is made from
// (one hash of it all) and whether it must be made again; for each output,
// the file as it is now and what the recipe put there before.
namespace orrisbay::session {

struct PlannedOutput {
    std::string key;  // relative to the recipe's folder, as the state file keeps it
    std::filesystem::path path;
    bool wad = false;
    gameformats::WadKind kind = gameformats::WadKind::Wad2;
    std::optional<ContentHash> fileNow;  // FileFingerprint of it now; none when it is missing
    const BuiltOutput* before = nullptr;
    std::optional<gameformats::WadFile> contents;  // a WAD read for the plan, if it was
    std::optional<Problem> problem;                // the WAD cannot be read
    std::vector<std::string> toRemove;  // lumps this recipe put there and no longer lists
    std::vector<std::string> dropped;   // records the state forgets: removed, or changed by hand
};

struct PlannedTexture {
    const SetTexture* texture = nullptr;
    std::size_t output = 0;  // index into the plan's outputs
    bool selected = true;    // not left out by --only
    ContentHash madeFrom = 0;
    const BuiltTexture* before = nullptr;
    const quake_palette::Palette* palette = nullptr;
    std::string paletteProblem;
    std::optional<Problem> problem;  // why it cannot be made (a source gone, its WAD damaged)
    bool make = false;
};

// Its textures point into its set, state and palettes: it moves, never copies.
struct BuildPlan {
    BuildPlan() = default;
    BuildPlan(BuildPlan&&) = default;
    BuildPlan& operator=(BuildPlan&&) = default;
    BuildPlan(const BuildPlan&) = delete;
    BuildPlan& operator=(const BuildPlan&) = delete;

    TextureSet set;
    RecipeState before;
    std::vector<PlannedOutput> outputs;
    std::vector<PlannedTexture> textures;          // in the set's order
    std::vector<quake_palette::Palette> palettes;  // those the recipe names, read once
    std::vector<std::string> warnings;
    std::vector<KnownSource> sources;  // the source files as read now, for the next build
};

// Reads the recipe, its state and the palettes it names, hashes every
// source and output, and decides what to make. Fails when the recipe is wrong
// or cannot be read, a palette it names cannot be used, or request.only
// names a texture the set does not have.
Result<BuildPlan> PlanBuild(const BuildRequest& request);

// The output key of `path` for a recipe in `folder`.
std::string OutputKey(const std::filesystem::path& path, const std::filesystem::path& folder);

}  // namespace orrisbay::session
