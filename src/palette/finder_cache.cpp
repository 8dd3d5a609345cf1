#include "palette/finder_cache.h"

#include <algorithm>
#include <list>
#include <mutex>

namespace orrisbay::quake_palette {

namespace {

struct KeptFinder {
    Palette palette;
    IndexSet allowed;
    ColourMetric metric;
    std::shared_ptr<const NearestColourFinder> finder;
};

struct Kept {
    std::mutex guard;
    std::size_t count = kFindersKeptAtStart;
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
                                                        const IndexSet& allowed,
                                                        ColourMetric metric) {
    Kept& state = TheKept();
    const auto same = [&](const KeptFinder& entry) {
        return entry.metric == metric && entry.allowed == allowed && entry.palette == palette;
    };
    {
        const std::lock_guard lock(state.guard);
        std::list<KeptFinder>& kept = state.finders;
        if (const auto found = std::find_if(kept.begin(), kept.end(), same); found != kept.end()) {
            kept.splice(kept.begin(), kept, found);
            return kept.front().finder;
        }
    }
    // Built outside the lock: threads converting to other palettes (a set's
    // textures side by side) do not wait for each other.
    auto made = std::make_shared<const NearestColourFinder>(palette, allowed, metric);
    const std::lock_guard lock(state.guard);
    if (state.count > 0 && std::none_of(state.finders.begin(), state.finders.end(), same)) {
        state.finders.push_front({palette, allowed, metric, made});
        if (state.finders.size() > state.count) {
            state.finders.pop_back();
        }
    }
    return made;
}

}  // namespace orrisbay::quake_palette
