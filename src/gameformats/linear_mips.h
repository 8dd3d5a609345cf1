#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <vector>

#include "gameformats/mip_texture.h"
#include "imageio/freeimage_base.h"

namespace orrisbay::gameformats {

// The four mip levels of a texture in full colour, before conversion to a
// palette. Levels 1 to 3 average the blocks of 2, 4 and 8 pixels behind each
// of their pixels in linear light (sRGB decoded, averaged, encoded again), so
// fine detail keeps its brightness: a one-pixel black and white checkerboard
// gives grey 188, not 128.
struct LinearLevels {
    std::array<freeimage_base::Bitmap, kMipLevels> colour;  // 24-bit
    // Per level, one flag per pixel in the library's row order (bottom row
    // first): true where the pixel is see-through. Empty without a mask.
    std::array<std::vector<bool>, kMipLevels> seeThrough;
};

// Builds the levels of `texture` (any standard bitmap with sides that are
// multiples of 8). With `mask` (8-bit, the texture's size), a pixel whose mask
// value is below `threshold` is see-through; a mip pixel is see-through when
// the mean mask value of its block is, and its colour averages only the
// pixels of the block that are not, so holes never tint what surrounds them.
// Empty levels when the library cannot convert the texture. The rows of each
// level are made on up to `threads` threads.
LinearLevels MakeLinearLevels(const FIBITMAP* texture, const FIBITMAP* mask, int threshold,
                              unsigned threads);

// Per mip level, one flag per pixel in the library's row order: true where
// the mean value of `mask` (8-bit, a multiple of 8 on each side) over the
// pixel's block is at least `threshold`. A see-through mask's holes are where
// it is false; a glow mask's glowing pixels where it is true.
std::array<std::vector<bool>, kMipLevels> MaskLevels(const FIBITMAP* mask, int threshold);

// The sRGB byte for a linear intensity in [0, 1], rounded to the nearest
// (ties to even); and the linear intensity of an sRGB byte.
std::uint8_t EncodeSrgb(double linear);
double DecodeSrgb(std::uint8_t value);

}  // namespace orrisbay::gameformats
