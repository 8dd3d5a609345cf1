#include "palette/colour_map.h"

#include <algorithm>

namespace orrisbay::quake_palette {
namespace {

// The last index a lit colour may become: 255 is a see-through texture's hole.
constexpr int kLastLitIndex = 254;

int Channel(ColourValue colour, int shift) {
    return static_cast<int>((colour >> shift) & 0xFF);
}

// `value` scaled by (126 - 2 level) / 63, rounded to the nearest; in whole
// numbers, so every machine gives the same map. A half never occurs: it would
// need an odd multiple of 63 equal to an even number.
int Scaled(int value, int level) {
    return (2 * value * (126 - 2 * level) + 63) / 126;
}

std::uint8_t NearestLitIndex(const Palette& palette, int red, int green, int blue) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i <= kLastLitIndex; ++i) {
        const ColourValue colour = palette[static_cast<std::size_t>(i)];
        const long dr = red - Channel(colour, 0);
        const long dg = green - Channel(colour, 8);
        const long db = blue - Channel(colour, 16);
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0) {
                break;
            }
        }
    }
    return static_cast<std::uint8_t>(best);
}

}  // namespace

ColourMap::ColourMap(const Palette& palette, int fullbrightCount)
    : firstFullbright_(256 - std::clamp(fullbrightCount, 0, 256)) {
    for (int level = 0; level < kLightLevels; ++level) {
        auto& lit = levels_[static_cast<std::size_t>(level)];
        for (int index = 0; index < 256; ++index) {
            const ColourValue colour = palette[static_cast<std::size_t>(index)];
            lit[static_cast<std::size_t>(index)] =
                index >= firstFullbright_
                    ? static_cast<std::uint8_t>(index)
                    : NearestLitIndex(palette, Scaled(Channel(colour, 0), level),
                                      Scaled(Channel(colour, 8), level),
                                      Scaled(Channel(colour, 16), level));
        }
    }
}

}  // namespace orrisbay::quake_palette
