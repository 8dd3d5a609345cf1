#pragma once

#include <array>
#include <cstdint>

#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {

// The game's software renderer lights a texture through a colour map: per
// light level, the palette index each index is drawn as. Level 0 is the
// brightest, level 63 black.
inline constexpr int kLightLevels = 64;
// The level at which ordinary colours come out about as the palette holds them.
inline constexpr int kNormalLightLevel = 32;

// The colour map of a palette whose last `fullbrightCount` colours glow, laid
// out as the game's own: at level l every ordinary colour is scaled by
// 2 - 2l/63 (each channel rounded to the nearest whole number, not clamped)
// and mapped to the nearest colour among 0 to 254 by squared RGB distance,
// the first of equals winning; 255 is left out, as see-through textures use
// it for their holes. The fullbright colours stay themselves at every level.
// An immutable value: make it once per palette.
class ColourMap {
  public:
    ColourMap(const Palette& palette, int fullbrightCount);

    // The index that `index` is drawn as at light `level` (0 to 63).
    std::uint8_t Lit(int level, std::uint8_t index) const {
        return levels_[static_cast<std::size_t>(level)][index];
    }
    // True for the colours drawn at full brightness whatever the light.
    bool IsFullbright(std::uint8_t index) const { return index >= firstFullbright_; }
    int FirstFullbright() const { return firstFullbright_; }

  private:
    std::array<std::array<std::uint8_t, 256>, kLightLevels> levels_{};
    int firstFullbright_ = 256;
};

}  // namespace orrisbay::quake_palette
