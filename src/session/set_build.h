#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "console/result.h"
#include "palette/quake_palette.h"

// Building a recipe's set of textures: only the textures whose sources (by
// their bytes), settings, palette or program changed, or whose output lost
// them, are made again, several at a time; each WAD is then written once with
// all its changed textures, every other lump kept byte for byte; a texture
// the recipe no longer lists is taken out of its WAD when this recipe put it
// there. What was made from what is kept in the state file beside the
// recipe. A texture that fails does not stop the others.
namespace orrisbay::session {

struct BuildRequest {
    std::filesystem::path recipe;
    unsigned jobs = 0;                // textures made at once; 0: one per core
    bool force = false;               // make every texture, changed or not
    bool dryRun = false;              // only say what would be made
    std::vector<std::string> only{};  // the textures to consider, by name; empty: all
    // The palette beside the program, for textures whose recipe names none,
    // or why there is none.
    std::optional<quake_palette::Palette> programPalette{};
    std::string programPaletteProblem{};
};

enum class TextureOutcome {
    Built,
    UpToDate,
    Failed,
    OutOfDate,  // a dry run's: it would be made
};

struct TextureReport {
    std::string name;
    std::string output;  // relative to the recipe's folder
    TextureOutcome outcome = TextureOutcome::UpToDate;
    // Why it failed; for an out-of-date texture, why its last build failed, if it did.
    std::optional<Problem> problem;
    std::vector<std::string> warnings;
};

struct BuildSummary {
    std::vector<TextureReport> textures;  // in the recipe's order
    std::vector<std::string> removed;     // "NAME from OUTPUT", no longer in the recipe
    std::vector<std::string> warnings;    // of the recipe, the state file, the WADs
    std::optional<Problem> stateProblem;  // the state file could not be written

    std::size_t Count(TextureOutcome outcome) const;
    // The first texture that failed, in the recipe's order; null when none did.
    const TextureReport* FirstFailure() const;
};

// Hears how a build goes; every call comes from one thread at a time.
class BuildProgress {
  public:
    virtual ~BuildProgress() = default;
    // Before anything is made: how many textures will be.
    virtual void Planned(std::size_t toMake) { (void)toMake; }
    // A texture is being made.
    virtual void Started(const std::string& name) { (void)name; }
    // A texture was made, or failed; `done` of `total` are.
    virtual void Made(const TextureReport& report, std::size_t done, std::size_t total) {
        (void)report, (void)done, (void)total;
    }
};

// Builds the set of the recipe at request.recipe. Fails, before anything is
// made or written, when the recipe cannot be read or is wrong (see
// ReadRecipe and ExpandRecipe), a palette it names cannot be used, or
// request.only names a texture it does not have; otherwise gives every
// texture's outcome, failures included.
Result<BuildSummary> BuildSet(const BuildRequest& request, BuildProgress& progress);

}  // namespace orrisbay::session
