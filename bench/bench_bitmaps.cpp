#include "bench_bitmaps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>

namespace orrisbay::bench {

using freeimage_base::Bitmap;

namespace {

// Smooth noise in [0, 1]: four octaves of value noise on a lattice of random values.
class SmoothNoise {
  public:
    explicit SmoothNoise(unsigned seed) {
        std::mt19937 random(seed);
        for (float& value : lattice_) {
            value = static_cast<float>(random() % 1024) / 1023.0f;
        }
    }
    float operator()(float x, float y) const {
        float sum = 0;
        float weight = 0.5f;
        for (int octave = 0; octave < 4; ++octave, x *= 2, y *= 2, weight /= 2) {
            sum += weight * Octave(x + 17.0f * static_cast<float>(octave), y);
        }
        return sum / 0.9375f;
    }

  private:
    static constexpr int kSide = 64;
    float At(int x, int y) const { return lattice_[(y & (kSide - 1)) * kSide + (x & (kSide - 1))]; }
    float Octave(float x, float y) const {
        const int cx = static_cast<int>(std::floor(x));
        const int cy = static_cast<int>(std::floor(y));
        const auto smooth = [](float t) { return t * t * (3 - 2 * t); };
        const float fx = smooth(x - static_cast<float>(cx));
        const float fy = smooth(y - static_cast<float>(cy));
        const float top = At(cx, cy) + (At(cx + 1, cy) - At(cx, cy)) * fx;
        const float bottom = At(cx, cy + 1) + (At(cx + 1, cy + 1) - At(cx, cy + 1)) * fx;
        return top + (bottom - top) * fy;
    }
    std::array<float, kSide * kSide> lattice_{};
};

}  // namespace

Bitmap WarpedLayer(const FIBITMAP* tile, int side, unsigned seed) {
    Bitmap layer(FreeImage_Allocate(side, side, 24));
    const int tileSide = static_cast<int>(orrisbay::freeimage_base::Width(tile));
    const SmoothNoise warp(seed);
    const SmoothNoise shade(seed + 1);
    const float scale = 6.0f / static_cast<float>(side);
    for (int y = 0; y < side; ++y) {
        BYTE* out = FreeImage_GetScanLine(layer.get(), y);
        for (int x = 0; x < side; ++x, out += 3) {
            const float u = static_cast<float>(x) * scale;
            const float v = static_cast<float>(y) * scale;
            const int sx = (x + static_cast<int>(40 * warp(u, v))) % tileSide;
            const int sy = (y + static_cast<int>(40 * warp(v + 5, u))) % tileSide;
            const BYTE* in = freeimage_base::ScanLine(tile, static_cast<unsigned>(sy)) + 3 * sx;
            const float light = 0.7f + 0.6f * shade(u, v);
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<BYTE>(std::min(255.0f, static_cast<float>(in[c]) * light));
            }
        }
    }
    return layer;
}

Bitmap PaintedMask(int side, unsigned seed) {
    Bitmap mask(FreeImage_Allocate(side, side, 24));
    const SmoothNoise noise(seed);
    const float scale = 4.0f / static_cast<float>(side);
    for (int y = 0; y < side; ++y) {
        BYTE* out = FreeImage_GetScanLine(mask.get(), y);
        for (int x = 0; x < side; ++x, out += 3) {
            const float edge =
                (noise(static_cast<float>(x) * scale, static_cast<float>(y) * scale) - 0.5f) *
                    8.0f +
                0.5f;
            const BYTE level = static_cast<BYTE>(255.0f * std::clamp(edge, 0.0f, 1.0f));
            out[0] = out[1] = out[2] = level;
        }
    }
    return mask;
}

freeimage_base::Bitmap Gradient(int side, int bpp) {
    freeimage_base::Bitmap bitmap(FreeImage_Allocate(side, side, bpp));
    const unsigned pitch = FreeImage_GetPitch(bitmap.get());
    const unsigned line = FreeImage_GetLine(bitmap.get());
    BYTE* bits = FreeImage_GetBits(bitmap.get());
    for (int y = 0; y < side; ++y) {
        BYTE* row = bits + static_cast<std::size_t>(y) * pitch;
        for (unsigned x = 0; x < line; ++x) {
            row[x] = static_cast<BYTE>((x + static_cast<unsigned>(y)) & 0xFF);
        }
    }
    return bitmap;
}

freeimage_base::Bitmap Noise(int side, int bpp) {
    freeimage_base::Bitmap bitmap(FreeImage_Allocate(side, side, bpp));
    const unsigned pitch = FreeImage_GetPitch(bitmap.get());
    const unsigned line = FreeImage_GetLine(bitmap.get());
    BYTE* bits = FreeImage_GetBits(bitmap.get());
    std::uint32_t state = 1;
    for (int y = 0; y < side; ++y) {
        BYTE* row = bits + static_cast<std::size_t>(y) * pitch;
        for (unsigned x = 0; x < line; ++x) {
            state = state * 1664525U + 1013904223U;
            row[x] = static_cast<BYTE>(state >> 24);
        }
    }
    return bitmap;
}

}  // namespace orrisbay::bench
