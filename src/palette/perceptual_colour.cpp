#include "palette/perceptual_colour.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

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

// Single-precision copies for LabOf, made when the program starts so that a
// lookup needs no check whether they are made yet.
const std::array<float, 256> kLinearF = [] {
    std::array<float, 256> values{};
    for (std::size_t i = 0; i < 256; ++i) {
        values[i] = static_cast<float>(LinearTable()[i]);
    }
    return values;
}();

std::size_t ChannelIndex(int level) {
    return static_cast<std::size_t>(std::clamp(level, 0, 255));
}

// The cube root of a value from 0 up, to single precision: a first guess from
// the exponent's bits, then two of Halley's steps. Far quicker than std::cbrt.
float CubeRoot(float x) {
    if (!(x > 0)) {
        return 0;
    }
    float y = std::bit_cast<float>(std::bit_cast<std::uint32_t>(x) / 3 + 709921077u);
    for (int step = 0; step < 2; ++step) {
        const float cube = y * y * y;
        y *= (cube + 2 * x) / (2 * cube + x);
    }
    return y;
}

float CieCompandF(float t) {
    constexpr float kDelta = 6.0f / 29.0f;
    return t > kDelta * kDelta * kDelta ? CubeRoot(t) : t / (3 * kDelta * kDelta) + 4.0f / 29.0f;
}

// CIEDE2000 on average, as measured on textures: colour differences count
// less than in CIELAB, along b* less than along a* (which CIEDE2000 stretches
// by up to 1.5 for the near-neutral colours textures are mostly made of).
constexpr double kPerceptualA = 0.6, kPerceptualB = 0.4;
constexpr Matrix kPerceptualFromCones{{{0, 116, 0},
                                       {500 * kPerceptualA, -500 * kPerceptualA, 0},
                                       {0, 200 * kPerceptualB, -200 * kPerceptualB}}};

const Matrix& FromCones(ColourMetric space) {
    return space == ColourMetric::Oklab        ? kOklabFromCones
           : space == ColourMetric::Perceptual ? kPerceptualFromCones
                                               : kCielabFromCones;
}

// CIELAB lightness stretched so that equal steps weigh as CIEDE2000 weighs
// them: each step divided by its S_L, 1 at mid-grey and larger towards
// black and white. Rising, so the colour finder can still bound it.
constexpr int kLightnessSteps = 1000;
const std::array<double, kLightnessSteps + 1> kWeightedLightness = [] {
    std::array<double, kLightnessSteps + 1> values{};
    auto weight = [](double l) {
        const double d = (l - 50) * (l - 50);
        return 1 / (1 + 0.015 * d / std::sqrt(20 + d));
    };
    for (int i = 1; i <= kLightnessSteps; ++i) {
        const double l = 100.0 * (i - 0.5) / kLightnessSteps;
        values[static_cast<std::size_t>(i)] =
            values[static_cast<std::size_t>(i - 1)] + 100.0 / kLightnessSteps * weight(l);
    }
    return values;
}();
const std::array<float, kLightnessSteps + 1> kWeightedLightnessF = [] {
    std::array<float, kLightnessSteps + 1> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<float>(kWeightedLightness[i]);
    }
    return values;
}();

template <typename Number>
Number Interpolate(const std::array<Number, kLightnessSteps + 1>& table, Number lightness) {
    const Number at = std::clamp(lightness, Number{0}, Number{100}) * (kLightnessSteps / 100);
    const std::size_t below =
        std::min(static_cast<std::size_t>(at), std::size_t{kLightnessSteps - 1});
    const Number fraction = at - static_cast<Number>(below);
    return table[below] + fraction * (table[below + 1] - table[below]);
}

double WeightedLightness(double lightness) {
    return Interpolate(kWeightedLightness, lightness);
}

// The cone value of a pre-cone value x (linear light through the positive
// matrix): a cube root, or CIELAB's companding; and its slope, which never
// grows with x (infinite at 0 for the plain cube root).
double Compand(ColourMetric space, double x) {
    return space == ColourMetric::Oklab ? std::cbrt(x) : CieCompand(x);
}
double Slope(ColourMetric space, double x) {
    constexpr double kDelta = 6.0 / 29.0;
    if (space != ColourMetric::Oklab && x <= kDelta * kDelta * kDelta) {
        return 1 / (3 * kDelta * kDelta);
    }
    return x > 0 ? 1 / (3 * std::cbrt(x * x)) : std::numeric_limits<double>::infinity();
}

// The lightness offset and the perceptual remapping of lightness, on a box.
LabBox Finish(ColourMetric space, LabBox box) {
    if (space != ColourMetric::Oklab) {
        box.low[0] -= 16, box.high[0] -= 16;
    }
    if (space == ColourMetric::Perceptual) {
        box.low[0] = WeightedLightness(box.low[0]);
        box.high[0] = WeightedLightness(box.high[0]);
    }
    return box;
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
    if (space == ColourMetric::Oklab) {
        const Triple lms = Apply(kOklabCones, linear);
        return {std::cbrt(lms[0]), std::cbrt(lms[1]), std::cbrt(lms[2])};
    }
    const Triple xyz = Apply(kXyzOverWhite, linear);
    return {CieCompand(xyz[0]), CieCompand(xyz[1]), CieCompand(xyz[2])};
}

Triple CielabOfLinear(const Triple& linear) {
    const Triple xyz = Apply(kXyzOverWhite, linear);
    const Triple lab =
        Apply(kCielabFromCones, {CieCompand(xyz[0]), CieCompand(xyz[1]), CieCompand(xyz[2])});
    return {lab[0] - 16, lab[1], lab[2]};
}

LabBox LabBoxOf(ColourMetric space, const std::array<int, 3>& low, const std::array<int, 3>& high) {
    const Triple least = ConesOf(space, low[0], low[1], low[2]);
    const Triple most = ConesOf(space, high[0], high[1], high[2]);
    const Matrix& toLab = FromCones(space);
    // Each coordinate of the space is a linear sum of the cones, so it lies
    // between the sums of their least and most values ...
    LabBox box{};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            const double m = toLab[i][j];
            box.low[i] += m * (m >= 0 ? least[j] : most[j]);
            box.high[i] += m * (m >= 0 ? most[j] : least[j]);
        }
    }
    // ... and, tighter where the cube root is smooth over the box, within the
    // linearised spread around the box's middle plus the most the slope of
    // the cube root can differ from its mean over the box.
    const Matrix& toCones = space == ColourMetric::Oklab ? kOklabCones : kXyzOverWhite;
    Triple middle, radius;
    for (std::size_t j = 0; j < 3; ++j) {
        const double lowest = LinearFromSrgb(low[j]), highest = LinearFromSrgb(high[j]);
        middle[j] = (lowest + highest) / 2;
        radius[j] = (highest - lowest) / 2;
    }
    const Triple centre = Apply(toCones, middle), spread = Apply(toCones, radius);
    Triple slope, slopeRadius, centreCones;
    for (std::size_t i = 0; i < 3; ++i) {
        const double steepest = Slope(space, centre[i] - spread[i]);
        const double flattest = Slope(space, centre[i] + spread[i]);
        if (!std::isfinite(steepest)) {
            return Finish(space, box);
        }
        slope[i] = (steepest + flattest) / 2;
        slopeRadius[i] = (steepest - flattest) / 2;
        centreCones[i] = Compand(space, centre[i]);
    }
    const Triple centreLab = Apply(toLab, centreCones);
    for (std::size_t k = 0; k < 3; ++k) {
        double reach = 0;
        for (std::size_t j = 0; j < 3; ++j) {
            double linearised = 0;
            for (std::size_t i = 0; i < 3; ++i) {
                linearised += toLab[k][i] * slope[i] * toCones[i][j];
            }
            reach += std::abs(linearised) * radius[j];
        }
        for (std::size_t i = 0; i < 3; ++i) {
            reach += std::abs(toLab[k][i]) * slopeRadius[i] * spread[i];
        }
        box.low[k] = std::max(box.low[k], centreLab[k] - reach);
        box.high[k] = std::min(box.high[k], centreLab[k] + reach);
    }
    return Finish(space, box);
}

Lab LabOf(ColourMetric space, int red, int green, int blue) {
    const std::array<float, 3> linear{kLinearF[ChannelIndex(red)], kLinearF[ChannelIndex(green)],
                                      kLinearF[ChannelIndex(blue)]};
    const bool oklab = space == ColourMetric::Oklab;
    const Matrix& toCones = oklab ? kOklabCones : kXyzOverWhite;
    std::array<float, 3> cones;
    for (std::size_t i = 0; i < 3; ++i) {
        const float value = static_cast<float>(toCones[i][0]) * linear[0] +
                            static_cast<float>(toCones[i][1]) * linear[1] +
                            static_cast<float>(toCones[i][2]) * linear[2];
        cones[i] = oklab ? CubeRoot(value) : CieCompandF(value);
    }
    const Matrix& toLab = FromCones(space);
    std::array<float, 3> lab;
    for (std::size_t i = 0; i < 3; ++i) {
        lab[i] = static_cast<float>(toLab[i][0]) * cones[0] +
                 static_cast<float>(toLab[i][1]) * cones[1] +
                 static_cast<float>(toLab[i][2]) * cones[2];
    }
    if (!oklab) {
        lab[0] -= 16;
    }
    if (space == ColourMetric::Perceptual) {
        lab[0] = Interpolate(kWeightedLightnessF, lab[0]);
    }
    return {lab[0], lab[1], lab[2]};
}

}  // namespace orrisbay::quake_palette
