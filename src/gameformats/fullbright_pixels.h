#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gameformats/mip_texture.h"
#include "palette/quake_palette.h"

// The pixels of a Quake texture that the game draws at full brightness
// whatever the light: counted, told apart as isolated specks or clusters, and
// turned into ordinary colours.
namespace orrisbay::gameformats {

// Which indices of a texture glow: the palette's last `fullbrightCount`; in a
// see-through texture index 255 is a hole, not a glow.
struct GlowingIndices {
    int firstFullbright = 256;
    bool seeThrough = false;

    bool operator()(std::uint8_t index) const {
        return index >= firstFullbright && !(seeThrough && index == kSeeThroughIndex);
    }
};
GlowingIndices GlowingIndicesOf(const MipTexture& texture, int fullbrightCount);

// One flag per pixel of mip level `level` (rows from the top): true where the
// pixel glows and none of its eight neighbours does. A texture repeats across
// a wall, so the neighbours of an edge pixel wrap around to the other side.
std::vector<bool> FindSpecks(const MipTexture& texture, int level, const GlowingIndices& glows);

// What the glowing pixels of one texture are.
struct FullbrightTally {
    std::string name;
    unsigned width = 0;
    unsigned height = 0;
    std::size_t fullbright = 0;     // glowing pixels of the full-size level
    std::size_t specks = 0;         // those of them with no glowing neighbour
    std::size_t inSmallerMips = 0;  // glowing pixels of levels 1 to 3 together

    std::size_t InClusters() const { return fullbright - specks; }
    // The glowing part of the full-size level, from 0 to 1.
    double Share() const;
    bool Glows() const { return fullbright + inSmallerMips > 0; }
};
FullbrightTally CountFullbrights(const MipTexture& texture, int fullbrightCount);

// For every glowing index, the nearest ordinary colour of `palette` by the
// distance the conversion uses (the lowest index of equals); every other
// index maps to itself.
std::array<std::uint8_t, 256> NearestOrdinaryColours(const quake_palette::Palette& palette,
                                                     int fullbrightCount);

// The full-size pixels that keep their glow when the specks go: those in clusters.
std::vector<bool> ClusteredPixels(const MipTexture& texture, const GlowingIndices& glows);

// Remaps every glowing pixel of every level to `ordinary[index]`, except
// where `keep` (one flag per full-size pixel, rows from the top) holds. A
// pixel of a smaller mip stands for a block of full-size pixels, and keeps its
// glow when any pixel of its block is kept: a lamp keeps its glow at a
// distance, while what glows elsewhere in a mip goes. Gives the pixels changed
// in each level.
std::array<std::size_t, kMipLevels> RemoveGlow(MipTexture& texture, const std::vector<bool>& keep,
                                               const GlowingIndices& glows,
                                               const std::array<std::uint8_t, 256>& ordinary);

}  // namespace orrisbay::gameformats
