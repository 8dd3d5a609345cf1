#include "palette/blue_noise.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

namespace orrisbay::quake_palette {
namespace {

constexpr double kSigma = 1.5;  // Ulichney's choice for the energy filter

// A binary pattern on a torus with, at every position, the Gaussian-weighted
// count of the set positions around it (wrapping at the edges).
class PatternEnergy {
  public:
    PatternEnergy(int width, int height)
        : width_(width), height_(height), kernel_(Count()), energy_(Count()), set_(Count(), 0) {
        for (int dy = 0; dy < height; ++dy) {
            for (int dx = 0; dx < width; ++dx) {
                const int wx = std::min(dx, width - dx), wy = std::min(dy, height - dy);
                kernel_[Index(dx, dy)] = std::exp(-(wx * wx + wy * wy) / (2 * kSigma * kSigma));
            }
        }
    }

    std::size_t Count() const { return static_cast<std::size_t>(width_) * height_; }
    bool IsSet(std::size_t at) const { return set_[at] != 0; }

    void Toggle(std::size_t at) {
        const double sign = set_[at] ? -1.0 : 1.0;
        set_[at] = !set_[at];
        const int px = static_cast<int>(at % width_), py = static_cast<int>(at / width_);
        for (int y = 0; y < height_; ++y) {
            const double* row = &kernel_[Index(0, (y - py + height_) % height_)];
            double* out = &energy_[Index(0, y)];
            for (int x = px; x < width_; ++x) {
                out[x] += sign * row[x - px];
            }
            for (int x = 0; x < px; ++x) {
                out[x] += sign * row[x - px + width_];
            }
        }
    }

    // The set position in the densest cluster, or the unset one in the
    // widest void; the first in row order on ties.
    std::size_t TightestCluster() const { return Extreme(true); }
    std::size_t LargestVoid() const { return Extreme(false); }

  private:
    std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }
    std::size_t Extreme(bool set) const {
        std::size_t best = Count();
        for (std::size_t i = 0; i < Count(); ++i) {
            if (IsSet(i) == set && (best == Count() || (set ? energy_[i] > energy_[best]
                                                            : energy_[i] < energy_[best]))) {
                best = i;
            }
        }
        return best;
    }

    int width_, height_;
    std::vector<double> kernel_, energy_;
    std::vector<char> set_;
};

// A tenth of the positions, spread by repeatedly moving the tightest
// cluster's point into the largest void until that changes nothing.
PatternEnergy InitialPattern(int width, int height) {
    PatternEnergy pattern(width, height);
    const std::size_t count = pattern.Count();
    std::uint32_t seed = 12345;
    for (std::size_t placed = 0; placed < std::max<std::size_t>(1, count / 10);) {
        seed = seed * 1664525u + 1013904223u;
        const std::size_t at = (seed >> 8) % count;
        if (!pattern.IsSet(at)) {
            pattern.Toggle(at);
            ++placed;
        }
    }
    for (std::size_t step = 0; step < 4 * count; ++step) {
        const std::size_t cluster = pattern.TightestCluster();
        pattern.Toggle(cluster);
        const std::size_t gap = pattern.LargestVoid();
        pattern.Toggle(gap);
        if (gap == cluster) {
            break;
        }
    }
    return pattern;
}

std::vector<float> MakeTile(int width, int height) {
    const PatternEnergy initial = InitialPattern(width, height);
    const std::size_t count = initial.Count();
    std::vector<std::size_t> rank(count);
    std::size_t ones = 0;
    for (std::size_t i = 0; i < count; ++i) {
        ones += initial.IsSet(i);
    }
    // Ranks below the initial points: take the tightest cluster away, one by one.
    PatternEnergy removing = initial;
    for (std::size_t r = ones; r-- > 0;) {
        const std::size_t at = removing.TightestCluster();
        rank[at] = r;
        removing.Toggle(at);
    }
    // Ranks above: fill the largest void, one by one, until all are set.
    PatternEnergy adding = initial;
    for (std::size_t r = ones; r < count; ++r) {
        const std::size_t at = adding.LargestVoid();
        rank[at] = r;
        adding.Toggle(at);
    }
    std::vector<float> tile(count);
    for (std::size_t i = 0; i < count; ++i) {
        tile[i] = static_cast<float>((static_cast<double>(rank[i]) + 0.5) / count - 0.5);
    }
    return tile;
}

}  // namespace

const std::vector<float>& BlueNoiseTile(int width, int height) {
    static std::mutex guard;
    static std::map<std::pair<int, int>, std::vector<float>> tiles;
    const std::lock_guard<std::mutex> lock(guard);
    auto [at, added] = tiles.try_emplace({width, height});
    if (added) {
        at->second = MakeTile(std::max(width, 1), std::max(height, 1));
    }
    return at->second;
}

int BlueNoiseSide(int side) {
    for (int divisor = std::min(side, 64); divisor >= 8; --divisor) {
        if (side % divisor == 0) {
            return divisor;
        }
    }
    return side < 8 ? std::max(side, 1) : 64;
}

}  // namespace orrisbay::quake_palette
