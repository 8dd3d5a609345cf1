#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <vector>

#include "console/result.h"
#include "palette/colour_finder.h"

namespace orrisbay::quake_palette {

// What a pixel is to the conversion. Each region has its own allowed
// indices, and dithering never carries error from one region into another;
// see-through pixels take part in nothing and all get one index.
enum class PixelRegion : std::uint8_t { Ordinary, Glowing, SeeThrough };

// One region per pixel, in the library's row order (bottom row first).
struct RegionMap {
    unsigned width = 0, height = 0;
    std::vector<PixelRegion> regions;

    RegionMap() = default;
    RegionMap(unsigned w, unsigned h) : width(w), height(h), regions(std::size_t{w} * h) {}
    PixelRegion At(unsigned x, unsigned y) const { return regions[std::size_t{y} * width + x]; }
    void Set(unsigned x, unsigned y, PixelRegion region) {
        regions[std::size_t{y} * width + x] = region;
    }
    bool Contains(PixelRegion region) const;
};

// The indices each region may take.
struct RegionIndices {
    IndexSet ordinary;
    IndexSet glowing;
    std::uint8_t seeThrough = 255;
};

// Where a picture's pixels may take their colours from, in a palette whose
// last `fullbrightCount` colours glow. With a glow mask the ordinary pixels
// keep to the others and the glowing ones to the fullbrights, whatever
// `allowFullbrights` says; without one every pixel is ordinary and may use
// the fullbrights only when allowed.
RegionIndices PictureIndices(int fullbrightCount, bool allowFullbrights, bool glowMask);
// The same indices with `index` kept for see-through pixels alone.
RegionIndices KeepForSeeThrough(RegionIndices indices, std::uint8_t index);

// The regions of a `width` x `height` texture from its glow mask (any
// standard bitmap of that size, read as grey): at least 128 glows.
Result<RegionMap> GlowRegions(const FIBITMAP* glow, unsigned width, unsigned height);

}  // namespace orrisbay::quake_palette
