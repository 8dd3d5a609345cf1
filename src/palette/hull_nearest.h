#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace orrisbay::quake_palette {

using Vector3 = std::array<double, 3>;

// The point of the convex hull of some points nearest to the origin, as the
// weights (summing to 1) of the few points that make it up: in three
// dimensions at most four.
struct HullPoint {
    static constexpr std::size_t kMost = 5;  // four, and one more tried beside them
    std::array<std::size_t, kMost> members{};
    std::array<double, kMost> weights{};
    std::size_t count = 0;
};

// Wolfe's method; `points` must not be empty.
HullPoint NearestToOrigin(const std::vector<Vector3>& points);

}  // namespace orrisbay::quake_palette
