#pragma once

#include <optional>

namespace orrisbay::slots {

// Height blending: in the transition of layer 2's mask, whichever layer is
// locally taller shows, with a short soft edge, instead of both at part
// strength. A layer's height is its brightness (or its height map) times the
// strength; the depth is how far below the taller layer the other still
// shows. Only mask 2 changes; its solid areas (0 and 255) stay as they are.
inline constexpr double kDefaultHeightStrength = 0.5;
// The smallest depth: far above the rounding of the heights, so the taller
// layer always keeps a share of the pixel (see HeightMaskRow).
inline constexpr double kMinHeightDepth = 0.01;

struct HeightBlend {
    double depth = 0.15;
    double strength = kDefaultHeightStrength;
    bool operator==(const HeightBlend&) const = default;
};

// True for a depth of at least kMinHeightDepth and a strength of at least 0,
// together at most 1 (allowing for the rounding of decimals such as 0.9 +
// 0.1): then a mask level of 0 stays 0 and 255 stays 255.
bool IsUsable(const HeightBlend& blend);

// How the merge blends, besides its four inputs; the plain blend by default.
struct MergeOptions {
    std::optional<HeightBlend> heightBlend;
    bool operator==(const MergeOptions&) const = default;
};

}  // namespace orrisbay::slots
