// How far a converted texture is from its full-colour picture, as a person
// sees it: CIELAB (D65) and CIEDE2000, in double precision, written from the
// formulas (Sharma, Wu and Dalal's notes) rather than taken from the program.
#pragma once

#include <array>
#include <vector>

namespace orrisbay::bench {

using Linear = std::array<double, 3>;  // linear-light red, green and blue, 0 to 1
using CieLab = std::array<double, 3>;

double DecodeSrgb(int level);
CieLab LabFromLinear(const Linear& rgb);
double Ciede2000(const CieLab& x, const CieLab& y);

// A picture in linear light, rows from the top.
struct LinearPicture {
    int width = 0, height = 0;
    std::vector<Linear> pixels;
    const Linear& At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A Gaussian blur of `sigma` pixels that wraps around the edges, as the
// texture repeats.
LinearPicture WrappedBlur(const LinearPicture& picture, double sigma);

// Per-pixel CIEDE2000 between two pictures of one size.
std::vector<double> Differences(const LinearPicture& a, const LinearPicture& b);

// The mean of `differences` in the two-pixel bands on each side of the seams
// of a 2 x 2 tiling (the texture's edges, which meet when it repeats) against
// the mean inside them: 1 when the seams are no worse than the rest.
double SeamRatio(const std::vector<double>& differences, int width, int height);

}  // namespace orrisbay::bench
