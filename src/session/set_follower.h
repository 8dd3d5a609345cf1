#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "imageio/file_watcher.h"
#include "session/recipe_textures.h"

namespace orrisbay::session {

// What changed on disk in a set once the writes settled: the recipe itself,
// and the textures whose sources or palette changed, by name, in the order
// the recipe lists them.
struct SetChanges {
    bool recipe = false;
    std::vector<std::string> textures;

    bool Empty() const { return !recipe && textures.empty(); }
};

// The live link of a set to its files: the recipe, every source of every
// texture and the palettes they name, each file once however many textures
// share it. The caller waits until Descriptor() is readable (poll), calls
// TakeEvents, and takes the changes when TimeToNextSettle says.
class SetFollower {
  public:
    using Clock = imageio::FileWatcher::Clock;

    explicit SetFollower(Clock::duration settle = imageio::FileWatcher::kSettleTime)
        : watcher_(settle) {}

    // Follows the files of `set` in place of those followed before. Gives
    // "PATH: why" for each file that cannot be followed.
    std::vector<std::string> Follow(const TextureSet& set);
    // How many files are followed, the recipe included.
    std::size_t FileCount() const { return files_.size(); }

    int Descriptor() const { return watcher_.Descriptor(); }
    void TakeEvents(Clock::time_point now = Clock::now()) { watcher_.ReadEvents(now); }
    std::optional<Clock::duration> TimeToNextSettle(Clock::time_point now = Clock::now()) const {
        return watcher_.TimeToNextSettle(now);
    }
    SetChanges TakeSettled(Clock::time_point now = Clock::now());

  private:
    struct FollowedFile {
        std::filesystem::path path;
        std::vector<std::size_t> textures;  // indices into names_
    };

    imageio::FileWatcher watcher_;
    std::vector<FollowedFile> files_;  // by the watcher's id; 0 is the recipe
    std::vector<std::string> names_;   // the set's textures, in the recipe's order
};

}  // namespace orrisbay::session
