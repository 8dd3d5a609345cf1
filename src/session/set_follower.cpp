#include "session/set_follower.h"

#include <algorithm>
#include <map>

namespace orrisbay::session {

namespace fs = std::filesystem;

std::vector<std::string> SetFollower::Follow(const TextureSet& set) {
    std::vector<FollowedFile> files{{set.recipe, {}}};
    std::map<fs::path, std::size_t> ids{{set.recipe.lexically_normal(), 0}};
    names_.clear();
    const auto note = [&](const fs::path& path, std::size_t texture) {
        const auto [at, added] = ids.try_emplace(path.lexically_normal(), files.size());
        if (added) {
            files.push_back({path, {}});
        }
        std::vector<std::size_t>& textures = files[at->second].textures;
        if (textures.empty() || textures.back() != texture) {
            textures.push_back(texture);
        }
    };
    for (const SetTexture& texture : set.textures) {
        const std::size_t index = names_.size();
        names_.push_back(texture.name);
        for (const fs::path& source : texture.sources) {
            if (!source.empty()) {
                note(source, index);
            }
        }
        if (!texture.settings.palette.empty()) {
            note(texture.settings.palette, index);
        }
    }
    // Watched before the files of the last set are forgotten, so that a
    // folder both share is never left unwatched.
    std::vector<std::string> problems;
    for (std::size_t id = 0; id < files.size(); ++id) {
        const std::string path = files[id].path.string();
        if (std::string why = watcher_.Watch(static_cast<int>(id), path); !why.empty()) {
            problems.push_back(path + ": " + why);
        }
    }
    for (std::size_t id = files.size(); id < files_.size(); ++id) {
        watcher_.Forget(static_cast<int>(id));
    }
    files_ = std::move(files);
    return problems;
}

SetChanges SetFollower::TakeSettled(Clock::time_point now) {
    SetChanges changes;
    std::vector<bool> changed(names_.size(), false);
    for (const int id : watcher_.TakeSettled(now)) {
        const auto at = static_cast<std::size_t>(id);
        if (at == 0) {
            changes.recipe = true;
        }
        if (at < files_.size()) {
            for (const std::size_t texture : files_[at].textures) {
                changed[texture] = true;
            }
        }
    }
    for (std::size_t texture = 0; texture < names_.size(); ++texture) {
        const bool listed =
            std::ranges::find(changes.textures, names_[texture]) != changes.textures.end();
        if (changed[texture] && !listed) {
            changes.textures.push_back(names_[texture]);
        }
    }
    return changes;
}

}  // namespace orrisbay::session
