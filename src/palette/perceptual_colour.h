#pragma once

#include <array>

#include "palette/conversion_options.h"

namespace orrisbay::quake_palette {

// The linear-light intensity (0 to 1) of an sRGB level (0 to 255).
double LinearFromSrgb(int level);
// The sRGB level nearest a linear intensity, clamped to 0..255.
int SrgbFromLinear(double linear);

using Triple = std::array<double, 3>;

// A perceptual space in two steps: sRGB to three "cone" values, each of which
// grows with every one of red, green and blue (linear light, a positive
// matrix, a cube root), then a fixed linear map from cones to lightness and
// the two colour axes (and, for the perceptual metric, a rising remapping of
// lightness). So the space's coordinates over a box of sRGB levels lie
// between the bounds that the box's lowest and highest corners give: what
// lets the colour finder sift palette entries per box.
Triple ConesOf(ColourMetric space, int red, int green, int blue);
struct LabBox {
    Triple low, high;
};
LabBox LabBoxOf(ColourMetric space, const std::array<int, 3>& low, const std::array<int, 3>& high);

// CIELAB's lightness and colour axes of a colour in linear light.
Triple CielabOfLinear(const Triple& linear);

// The coordinates of an sRGB colour in `space` (not Rgb), in single
// precision as the colour finder compares them.
struct Lab {
    float lightness, a, b;
};
Lab LabOf(ColourMetric space, int red, int green, int blue);
inline float LabDistance(const Lab& x, const Lab& y) {
    const float dl = x.lightness - y.lightness, da = x.a - y.a, db = x.b - y.b;
    return dl * dl + da * da + db * db;
}

}  // namespace orrisbay::quake_palette
