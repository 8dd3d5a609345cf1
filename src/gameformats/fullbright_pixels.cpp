#include "gameformats/fullbright_pixels.h"

#include <algorithm>
#include <limits>

#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {
namespace {

struct LevelSize {
    unsigned width = 0;
    unsigned height = 0;
};

LevelSize SizeOf(const MipTexture& texture, int level) {
    return {texture.width >> level, texture.height >> level};
}

// True when a neighbour of (x, y), wrapping around the edges, glows. A level
// one pixel wide or high wraps onto the pixel itself, which does not count.
bool HasGlowingNeighbour(const std::vector<std::uint8_t>& pixels, LevelSize size, unsigned x,
                         unsigned y, const GlowingIndices& glows) {
    for (const unsigned dy : {size.height - 1, 0u, 1u}) {
        for (const unsigned dx : {size.width - 1, 0u, 1u}) {
            const unsigned nx = (x + dx) % size.width, ny = (y + dy) % size.height;
            if ((nx != x || ny != y) && glows(pixels[std::size_t{ny} * size.width + nx])) {
                return true;
            }
        }
    }
    return false;
}

std::size_t CountGlowing(const std::vector<std::uint8_t>& pixels, const GlowingIndices& glows) {
    return static_cast<std::size_t>(std::count_if(pixels.begin(), pixels.end(), glows));
}

// True when any full-size pixel of the block behind pixel (x, y) of `level` is kept.
bool BlockKept(const std::vector<bool>& keep, unsigned fullWidth, int level, unsigned x,
               unsigned y) {
    const unsigned side = 1u << level;
    for (unsigned row = y * side; row < (y + 1) * side; ++row) {
        for (unsigned column = x * side; column < (x + 1) * side; ++column) {
            if (keep[std::size_t{row} * fullWidth + column]) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

GlowingIndices GlowingIndicesOf(const MipTexture& texture, int fullbrightCount) {
    return {256 - std::clamp(fullbrightCount, 0, 256), IsSeeThroughName(texture.name)};
}

std::vector<bool> FindSpecks(const MipTexture& texture, int level, const GlowingIndices& glows) {
    const LevelSize size = SizeOf(texture, level);
    const std::vector<std::uint8_t>& pixels = texture.mips[static_cast<std::size_t>(level)];
    std::vector<bool> specks(pixels.size());
    for (unsigned y = 0; y < size.height; ++y) {
        for (unsigned x = 0; x < size.width; ++x) {
            const std::size_t at = std::size_t{y} * size.width + x;
            specks[at] = glows(pixels[at]) && !HasGlowingNeighbour(pixels, size, x, y, glows);
        }
    }
    return specks;
}

double FullbrightTally::Share() const {
    const double pixels = double(width) * double(height);
    return pixels > 0 ? double(fullbright) / pixels : 0.0;
}

FullbrightTally CountFullbrights(const MipTexture& texture, int fullbrightCount) {
    const GlowingIndices glows = GlowingIndicesOf(texture, fullbrightCount);
    FullbrightTally tally{texture.name, texture.width, texture.height};
    tally.fullbright = CountGlowing(texture.mips[0], glows);
    if (tally.fullbright > 0) {
        const std::vector<bool> specks = FindSpecks(texture, 0, glows);
        tally.specks = static_cast<std::size_t>(std::count(specks.begin(), specks.end(), true));
    }
    for (int level = 1; level < kMipLevels; ++level) {
        tally.inSmallerMips += CountGlowing(texture.mips[static_cast<std::size_t>(level)], glows);
    }
    return tally;
}

std::array<std::uint8_t, 256> NearestOrdinaryColours(const quake_palette::Palette& palette,
                                                     int fullbrightCount) {
    const int first = 256 - std::clamp(fullbrightCount, 0, 256);
    std::array<std::uint8_t, 256> nearest{};
    const auto channel = [](quake_palette::ColourValue colour, int shift) {
        return static_cast<int>((colour >> shift) & 0xFF);
    };
    for (int index = 0; index < 256; ++index) {
        int best = index;
        std::uint32_t bestDistance = std::numeric_limits<std::uint32_t>::max();
        const quake_palette::ColourValue from = palette[static_cast<std::size_t>(index)];
        for (int candidate = 0; index >= first && candidate < first; ++candidate) {
            const quake_palette::ColourValue to = palette[static_cast<std::size_t>(candidate)];
            const std::uint32_t distance =
                quake_palette::ColourDistance(channel(from, 0), channel(from, 8), channel(from, 16),
                                              channel(to, 0), channel(to, 8), channel(to, 16));
            if (distance < bestDistance) {
                best = candidate;
                bestDistance = distance;
            }
        }
        nearest[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(best);
    }
    return nearest;
}

std::vector<bool> ClusteredPixels(const MipTexture& texture, const GlowingIndices& glows) {
    std::vector<bool> clustered = FindSpecks(texture, 0, glows);
    for (std::size_t i = 0; i < clustered.size(); ++i) {
        clustered[i] = glows(texture.mips[0][i]) && !clustered[i];
    }
    return clustered;
}

std::array<std::size_t, kMipLevels> RemoveGlow(MipTexture& texture, const std::vector<bool>& keep,
                                               const GlowingIndices& glows,
                                               const std::array<std::uint8_t, 256>& ordinary) {
    std::array<std::size_t, kMipLevels> changed{};
    for (int level = 0; level < kMipLevels; ++level) {
        const LevelSize size = SizeOf(texture, level);
        std::vector<std::uint8_t>& pixels = texture.mips[static_cast<std::size_t>(level)];
        for (unsigned y = 0; y < size.height; ++y) {
            for (unsigned x = 0; x < size.width; ++x) {
                std::uint8_t& pixel = pixels[std::size_t{y} * size.width + x];
                if (glows(pixel) && ordinary[pixel] != pixel &&
                    !BlockKept(keep, texture.width, level, x, y)) {
                    pixel = ordinary[pixel];
                    ++changed[static_cast<std::size_t>(level)];
                }
            }
        }
    }
    return changed;
}

}  // namespace orrisbay::gameformats
