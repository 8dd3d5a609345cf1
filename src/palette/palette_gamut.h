#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {

class IndexSet;

using LinearColour = std::array<float, 3>;

// The colours a dithered area can average to: the convex hull of the allowed
// palette colours in linear light. Error diffusion aims at a pixel's own
// colour when it lies inside, else at the hull's point nearest to it as
// CIEDE2000 measures the difference. Diffusing towards a colour out of reach
// makes the error grow until it spills into the next area of the picture;
// aiming at the nearest reachable one keeps it as small as the palette allows.
//
// The nearest point is found exactly at the corners of blocks of 8 x 8 x 8
// sRGB levels, when a colour of a block first needs it, and interpolated
// between them. Safe to share between threads: a corner two threads need at
// once is found by both, with the same result.
class GamutMap {
  public:
    GamutMap(const Palette& palette, const IndexSet& allowed);

    // Whether the block of sRGB levels (0 to 255) holding a colour is wholly
    // in reach, so the colour is its own aim: true for most colours.
    bool BlockInReach(const std::array<int, 3>& srgb) const {
        const auto block = [](int level) { return static_cast<unsigned>(level) / kLevelsPerBlock; };
        return blockReach_[(block(srgb[0]) * kBlocksPerChannel + block(srgb[1])) *
                               kBlocksPerChannel +
                           block(srgb[2])] == Reach::All;
    }
    // Where to aim for an sRGB colour, `linear` being the same in linear light.
    LinearColour Aim(const std::array<int, 3>& srgb, const LinearColour& linear) const;

    static constexpr unsigned kLevelsPerBlock = 8;
    static constexpr unsigned kBlocksPerChannel = 256 / kLevelsPerBlock;

  private:
    // How much of a block is in reach.
    enum class Reach : std::uint8_t { None, Part, All };

    struct Faces {
        std::vector<float> x, y, z, offset;  // outward normals: x . n + offset <= 0 inside
    };

    bool InReach(const LinearColour& linear) const;
    LinearColour NearestReachable(const LinearColour& wanted) const;
    // The corner's offset, kept or else found into `offset`.
    const LinearColour& CornerOffset(int corner, LinearColour& offset) const;
    void FindBlocksInReach();

    std::vector<LinearColour> corners_;  // of the hull (every colour when it has no faces)
    Faces faces_;                        // none when the colours span no volume
    std::vector<Reach> blockReach_;
    // The nearest reachable colour less the block corner's own, once found.
    std::unique_ptr<LinearColour[]> cornerOffsets_;
    static constexpr std::uint8_t kUnknown = 0, kFinding = 1, kFound = 2;
    std::unique_ptr<std::atomic<std::uint8_t>[]> cornerState_;
};

}  // namespace orrisbay::quake_palette
