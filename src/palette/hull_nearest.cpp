#include "palette/hull_nearest.h"

#include <algorithm>
#include <cmath>

namespace orrisbay::quake_palette {
namespace {

double Dot(const Vector3& a, const Vector3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The weights (summing to 1) of the point of the affine hull of the first
// `count` of `corral` nearest to the origin; false when the points are
// affinely dependent.
bool AffineNearest(const std::array<Vector3, HullPoint::kMost>& corral, std::size_t count,
                   std::array<double, HullPoint::kMost>& weights) {
    const std::size_t k = count;
    // [Gram 1; 1 0] [weights; multiplier] = [0; 1], solved by elimination.
    std::array<std::array<double, HullPoint::kMost + 2>, HullPoint::kMost + 1> rows{};
    for (std::size_t i = 0; i < k; ++i) {
        for (std::size_t j = 0; j < k; ++j) {
            rows[i][j] = Dot(corral[i], corral[j]);
        }
        rows[i][k] = rows[k][i] = 1;
    }
    rows[k][k + 1] = 1;
    for (std::size_t column = 0; column <= k; ++column) {
        std::size_t pivot = column;
        for (std::size_t r = column + 1; r <= k; ++r) {
            if (std::abs(rows[r][column]) > std::abs(rows[pivot][column])) {
                pivot = r;
            }
        }
        if (std::abs(rows[pivot][column]) < 1e-14) {
            return false;
        }
        std::swap(rows[column], rows[pivot]);
        for (std::size_t r = 0; r <= k; ++r) {
            if (r != column) {
                const double factor = rows[r][column] / rows[column][column];
                for (std::size_t c = column; c <= k + 1; ++c) {
                    rows[r][c] -= factor * rows[column][c];
                }
            }
        }
    }
    for (std::size_t i = 0; i < k; ++i) {
        weights[i] = rows[i][k + 1] / rows[i][i];
    }
    return true;
}

}  // namespace

HullPoint NearestToOrigin(const std::vector<Vector3>& points) {
    constexpr double kTiny = 1e-12;
    HullPoint nearest;
    std::size_t first = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (Dot(points[i], points[i]) < Dot(points[first], points[first])) {
            first = i;
        }
    }
    nearest.members[0] = first;
    nearest.weights[0] = 1;
    nearest.count = 1;
    Vector3 x = points[first];
    std::array<Vector3, HullPoint::kMost> members{};
    std::array<double, HullPoint::kMost> trial{};
    for (int major = 0; major < 64 && nearest.count < HullPoint::kMost; ++major) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (Dot(x, points[i]) < Dot(x, points[best])) {
                best = i;
            }
        }
        const double length = Dot(x, x);
        if (length < kTiny || Dot(x, points[best]) > length - 1e-10) {
            break;
        }
        nearest.members[nearest.count] = best;
        nearest.weights[nearest.count] = 0;
        ++nearest.count;
        for (int minor = 0; minor < 8; ++minor) {
            for (std::size_t i = 0; i < nearest.count; ++i) {
                members[i] = points[nearest.members[i]];
            }
            if (!AffineNearest(members, nearest.count, trial)) {
                --nearest.count;
                return nearest;
            }
            if (std::all_of(trial.begin(),
                            trial.begin() + static_cast<std::ptrdiff_t>(nearest.count),
                            [](double w) { return w > kTiny; })) {
                nearest.weights = trial;
                break;
            }
            // Towards the affine point until the first weight reaches zero.
            double step = 1;
            for (std::size_t i = 0; i < nearest.count; ++i) {
                if (trial[i] <= kTiny && nearest.weights[i] > trial[i]) {
                    step = std::min(step, nearest.weights[i] / (nearest.weights[i] - trial[i]));
                }
            }
            std::size_t kept = 0;
            for (std::size_t i = 0; i < nearest.count; ++i) {
                const double weight = step * trial[i] + (1 - step) * nearest.weights[i];
                if (weight > kTiny) {
                    nearest.members[kept] = nearest.members[i];
                    nearest.weights[kept] = weight;
                    ++kept;
                }
            }
            nearest.count = kept;
        }
        x = {0, 0, 0};
        for (std::size_t i = 0; i < nearest.count; ++i) {
            for (std::size_t c = 0; c < 3; ++c) {
                x[c] += nearest.weights[i] * points[nearest.members[i]][c];
            }
        }
    }
    return nearest;
}

}  // namespace orrisbay::quake_palette
