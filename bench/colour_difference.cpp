#include "colour_difference.h"

#include <cmath>

namespace orrisbay::bench {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Degrees(double radians) {
    return radians * 180 / kPi;
}
double Radians(double degrees) {
    return degrees * kPi / 180;
}

double Compand(double t) {
    constexpr double kDelta = 6.0 / 29.0;
    return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0;
}

}  // namespace

double DecodeSrgb(int level) {
    const double v = level / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

CieLab LabFromLinear(const Linear& c) {
    const double x = (0.4124564 * c[0] + 0.3575761 * c[1] + 0.1804375 * c[2]) / 0.95047;
    const double y = 0.2126729 * c[0] + 0.7151522 * c[1] + 0.0721750 * c[2];
    const double z = (0.0193339 * c[0] + 0.1191920 * c[1] + 0.9503041 * c[2]) / 1.08883;
    const double fx = Compand(x), fy = Compand(y), fz = Compand(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double Ciede2000(const CieLab& x, const CieLab& y) {
    const double c1 = std::hypot(x[1], x[2]), c2 = std::hypot(y[1], y[2]);
    const double cMean7 = std::pow((c1 + c2) / 2, 7);
    const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * x[1], a2 = (1 + g) * y[1];
    const double c1p = std::hypot(a1, x[2]), c2p = std::hypot(a2, y[2]);
    auto hue = [](double b, double a) {
        if (a == 0 && b == 0) {
            return 0.0;
        }
        const double h = Degrees(std::atan2(b, a));
        return h < 0 ? h + 360 : h;
    };
    const double h1 = hue(x[2], a1), h2 = hue(y[2], a2);
    const double dL = y[0] - x[0], dC = c2p - c1p;
    double dh = 0;
    if (c1p * c2p != 0) {
        dh = h2 - h1;
        dh = dh > 180 ? dh - 360 : (dh < -180 ? dh + 360 : dh);
    }
    const double dH = 2 * std::sqrt(c1p * c2p) * std::sin(Radians(dh / 2));
    const double lMean = (x[0] + y[0]) / 2, cMeanP = (c1p + c2p) / 2;
    double hMean = h1 + h2;
    if (c1p * c2p != 0) {
        hMean = std::abs(h1 - h2) <= 180 ? (h1 + h2) / 2
                : h1 + h2 < 360          ? (h1 + h2 + 360) / 2
                                         : (h1 + h2 - 360) / 2;
    }
    const double t = 1 - 0.17 * std::cos(Radians(hMean - 30)) +
                     0.24 * std::cos(Radians(2 * hMean)) + 0.32 * std::cos(Radians(3 * hMean + 6)) -
                     0.20 * std::cos(Radians(4 * hMean - 63));
    const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double cMeanP7 = std::pow(cMeanP, 7);
    const double rc = 2 * std::sqrt(cMeanP7 / (cMeanP7 + std::pow(25.0, 7)));
    const double sl =
        1 + 0.015 * (lMean - 50) * (lMean - 50) / std::sqrt(20 + (lMean - 50) * (lMean - 50));
    const double sc = 1 + 0.045 * cMeanP, sh = 1 + 0.015 * cMeanP * t;
    const double rt = -std::sin(Radians(2 * dTheta)) * rc;
    const double l = dL / sl, c = dC / sc, h = dH / sh;
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}

LinearPicture WrappedBlur(const LinearPicture& picture, double sigma) {
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    std::vector<double> weights(static_cast<std::size_t>(2 * radius + 1));
    double total = 0;
    for (int d = -radius; d <= radius; ++d) {
        total += weights[static_cast<std::size_t>(d + radius)] =
            std::exp(-d * d / (2 * sigma * sigma));
    }
    for (double& w : weights) {
        w /= total;
    }
    const int width = picture.width, height = picture.height;
    auto pass = [&](const LinearPicture& from, bool across) {
        LinearPicture to = from;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Linear sum{0, 0, 0};
                for (int d = -radius; d <= radius; ++d) {
                    const int sx = across ? ((x + d) % width + width) % width : x;
                    const int sy = across ? y : ((y + d) % height + height) % height;
                    for (int c = 0; c < 3; ++c) {
                        sum[static_cast<std::size_t>(c)] +=
                            weights[static_cast<std::size_t>(d + radius)] *
                            from.At(sx, sy)[static_cast<std::size_t>(c)];
                    }
                }
                to.pixels[static_cast<std::size_t>(y) * width + x] = sum;
            }
        }
        return to;
    };
    return pass(pass(picture, true), false);
}

std::vector<double> Differences(const LinearPicture& a, const LinearPicture& b) {
    std::vector<double> differences(a.pixels.size());
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        differences[i] = Ciede2000(LabFromLinear(a.pixels[i]), LabFromLinear(b.pixels[i]));
    }
    return differences;
}

double SeamRatio(const std::vector<double>& differences, int width, int height) {
    auto nearSeam = [](int at, int side) { return at < 2 || at >= side - 2; };
    double band = 0, inside = 0;
    std::size_t bandCount = 0, insideCount = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double d = differences[static_cast<std::size_t>(y) * width + x];
            if (nearSeam(x, width) || nearSeam(y, height)) {
                band += d, ++bandCount;
            } else {
                inside += d, ++insideCount;
            }
        }
    }
    return bandCount && insideCount && inside > 0 ? (band / bandCount) / (inside / insideCount) : 1;
}

}  // namespace orrisbay::bench
