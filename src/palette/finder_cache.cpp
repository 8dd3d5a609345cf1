#include "palette/finder_cache.h"

#include <algorithm>
#include <list>
#include <mutex>

namespace orrisbay::quake_palette {

namespace {

struct KeptFinder {
    Palette palette;
    bool allowFullbrights;
    std::shared_ptr<const NearestColourFinder> finder;
};

struct Kept {
    std::mutex guard;
    std::size_t count = 0;
    std::list<KeptFinder> finders;  // the last used first
};

Kept& TheKept() {
    static Kept kept;
    return kept;
}

}  // namespace

void KeepFinders(std::size_t count) {
    Kept& kept = TheKept();
    const std::lock_guard lock(kept.guard);
    kept.count = count;
    kept.finders.resize(std::min(kept.finders.size(), count));
}

std::shared_ptr<const NearestColourFinder> SharedFinder(const Palette& palette,
                                                        bool allowFullbrights) {
    Kept& state = TheKept();
    const std::lock_guard lock(state.guard);
    std::list<KeptFinder>& kept = state.finders;
    const auto found = std::find_if(kept.begin(), kept.end(), [&](const KeptFinder& entry) {
        return entry.allowFullbrights == allowFullbrights && entry.palette == palette;
    });
    if (found != kept.end()) {
        kept.splice(kept.begin(), kept, found);
        return kept.front().finder;
    }
    auto made = std::make_shared<const NearestColourFinder>(palette, allowFullbrights);
    kept.push_front({palette, allowFullbrights, made});
    if (kept.size() > state.count) {
        kept.pop_back();
    }
    return made;
}

}  // namespace orrisbay::quake_palette
