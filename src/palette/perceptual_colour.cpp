#include "palette/perceptual_colour.h"

#include <algorithm>
#include <cmath>

namespace orrisbay::quake_palette {
namespace {

using Matrix = std::array<Triple, 3>;

// Linear sRGB to OKLab's cone responses, and the cube roots of those to OKLab.
constexpr Matrix kOklabCones{{{0.4122214708, 0.5363325363, 0.0514459929},
                              {0.2119034982, 0.6806995451, 0.1073969566},
                              {0.0883024619, 0.2817188376, 0.6299787005}}};
constexpr Matrix kOklabFromCones{{{0.2104542553, 0.7936177850, -0.0040720468},
                                  {1.9779984951, -2.4285922050, 0.4505937099},
                                  {0.0259040371, 0.7827717662, -0.8086757660}}};
// Linear sRGB to CIE XYZ, each row divided by the D65 white's value.
constexpr Matrix kXyzOverWhite{{{0.4124564 / 0.95047, 0.3575761 / 0.95047, 0.1804375 / 0.95047},
                                {0.2126729, 0.7151522, 0.0721750},
                                {0.0193339 / 1.08883, 0.1191920 / 1.08883, 0.9503041 / 1.08883}}};
constexpr Matrix kCielabFromCones{{{0, 116, 0}, {500, -500, 0}, {0, 200, -200}}};

const std::array<double, 256>& LinearTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (int i = 0; i < 256; ++i) {
            const double v = i / 255.0;
            values[i] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        }
        return values;
    }();
    return table;
}

Triple Apply(const Matrix& m, const Triple& v) {
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
            m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

// CIELAB's companding: a cube root with a straight piece near black.
double CieCompand(double t) {
    constexpr double kDelta = 6.0 / 29.0;
    return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0;
}

}  // namespace

double LinearFromSrgb(int level) {
    return LinearTable()[static_cast<std::size_t>(std::clamp(level, 0, 255))];
}

int SrgbFromLinear(double linear) {
    const double v =
        linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

Triple ConesOf(ColourMetric space, int red, int green, int blue) {
    const Triple linear{LinearFromSrgb(red), LinearFromSrgb(green), LinearFromSrgb(blue)};
    if (space == ColourMetric::Cielab) {
        const Triple xyz = Apply(kXyzOverWhite, linear);
        return {CieCompand(xyz[0]), CieCompand(xyz[1]), CieCompand(xyz[2])};
    }
    const Triple lms = Apply(kOklabCones, linear);
    return {std::cbrt(lms[0]), std::cbrt(lms[1]), std::cbrt(lms[2])};
}

Triple LabFromCones(ColourMetric space, const Triple& cones) {
    if (space == ColourMetric::Cielab) {
        Triple lab = Apply(kCielabFromCones, cones);
        lab[0] -= 16;
        return lab;
    }
    return Apply(kOklabFromCones, cones);
}

Lab LabOf(ColourMetric space, int red, int green, int blue) {
    const Triple lab = LabFromCones(space, ConesOf(space, red, green, blue));
    return {static_cast<float>(lab[0]), static_cast<float>(lab[1]), static_cast<float>(lab[2])};
}

}  // namespace orrisbay::quake_palette
