#include "palette/dither_kernels.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imageio/freeimage_base.h"
#include "palette/blue_noise.h"
#include "palette/palette_gamut.h"
#include "palette/perceptual_colour.h"

namespace orrisbay::quake_palette {
namespace {

// Floyd-Steinberg's shares of the error, in sixteenths: the next pixel along
// the row, then the three below it (behind, under, ahead).
constexpr int kAhead = 7, kBehindBelow = 3, kBelow = 5, kAheadBelow = 1;

// How far the wrapped diffusion runs ahead of the texture's first row and a
// row's first pixel, so they start with the error the last ones leave.
constexpr int kWarmRows = 64;
constexpr int kWarmPixels = 16;

// Linear light a wanted colour may reach: a little past the palette's ends,
// so colours beyond every palette colour still get dithered, without letting
// the error grow without bound.
constexpr float kLeastLinear = -0.05f;
constexpr float kMostLinear = 1.1f;

// The spread of the ordered pattern at strength 1, in sRGB levels.
constexpr float kOrderedSpread = 24.0f;

int Channel(ColourValue colour, int channel) {
    return static_cast<int>((colour >> (8 * channel)) & 0xFFu);
}

PixelRegion RegionAt(const ConversionJob& job, int x, int y) {
    return job.regions ? job.regions->At(static_cast<unsigned>(x), static_cast<unsigned>(y))
                       : PixelRegion::Ordinary;
}

// How many answers a kernel remembers: one for each pixel, or, when
// `slowOnly`, none under the redmean metric, whose search is as quick as a
// look into a large table when the colours asked for rarely repeat.
std::size_t Questions(const ConversionJob& job, bool slowOnly) {
    const NearestColourFinder* finder = job.ordinary ? job.ordinary : job.glowing;
    if (slowOnly && finder->Metric() == ColourMetric::Rgb) {
        return 0;
    }
    return std::size_t{freeimage_base::Width(job.rgb)} * freeimage_base::Height(job.rgb);
}

// The finders of a job's regions, remembering their answers for the job.
class Finders {
  public:
    Finders(const ConversionJob& job, bool slowOnly)
        : ordinary_(job.ordinary, Questions(job, slowOnly)),
          glowing_(job.glowing, Questions(job, slowOnly)) {}
    std::uint8_t Nearest(PixelRegion region, int red, int green, int blue) {
        return (region == PixelRegion::Glowing ? glowing_ : ordinary_).Nearest(red, green, blue);
    }

  private:
    RememberingFinder ordinary_, glowing_;
};

// The red, green and blue of a 24-bit pixel.
std::array<int, 3> PixelAt(const BYTE* pixel) {
    return {pixel[FI_RGBA_RED], pixel[FI_RGBA_GREEN], pixel[FI_RGBA_BLUE]};
}

// sRGB levels of linear intensities, finely enough sampled that a lookup is
// never more than a fraction of a level off.
class SrgbEncoder {
  public:
    SrgbEncoder() {
        for (int i = 0; i < kSteps + 1; ++i) {
            levels_[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(SrgbFromLinear(static_cast<double>(i) / kSteps));
        }
    }
    int operator()(float linear) const {
        const float clamped = std::clamp(linear, 0.0f, 1.0f);
        return levels_[static_cast<std::size_t>(clamped * kSteps + 0.5f)];
    }

  private:
    static constexpr int kSteps = 16384;
    std::array<std::uint8_t, kSteps + 1> levels_{};
};

const SrgbEncoder& Encoder() {
    static const SrgbEncoder encoder;
    return encoder;
}

const std::array<float, 256>& LinearLevels() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int i = 0; i < 256; ++i) {
            values[static_cast<std::size_t>(i)] = static_cast<float>(LinearFromSrgb(i));
        }
        return values;
    }();
    return table;
}

// Serpentine diffusion on the torus. Each row starts with the error a short
// run over the pixels before its start (wrapping round) leaves, and the
// first row with the error the last rows pass down, so the pattern continues
// across the edges where the game repeats the texture.
class WrappedDiffusion {
  public:
    WrappedDiffusion(const ConversionJob& job, float strength)
        : job_(job),
          width_(static_cast<int>(freeimage_base::Width(job.rgb))),
          height_(static_cast<int>(freeimage_base::Height(job.rgb))),
          strength_(strength),
          current_(static_cast<std::size_t>(width_) * 3),
          next_(current_.size()) {
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            for (int c = 0; c < 3; ++c) {
                palette_[i][static_cast<std::size_t>(c)] =
                    LinearLevels()[static_cast<std::size_t>(Channel((*job.palette)[i], c))];
            }
        }
    }

    void Run() {
        for (int row = height_ - std::min(height_, kWarmRows); row < height_; ++row) {
            DiffuseRow(row, false);
        }
        for (int row = 0; row < height_; ++row) {
            DiffuseRow(row, true);
        }
    }

  private:
    using Error = std::array<float, 3>;

    int Wrap(int x, int side) const { return x < 0 ? x + side : (x >= side ? x - side : x); }
    bool Same(int x, int y, PixelRegion region) const { return RegionAt(job_, x, y) == region; }

    void DiffuseRow(int row, bool write) {
        const int y = height_ - 1 - row;
        const int step = row % 2 == 0 ? 1 : -1;
        const int start = step > 0 ? 0 : width_ - 1;
        const BYTE* in = freeimage_base::ScanLine(job_.rgb, static_cast<unsigned>(y));
        BYTE* out = write ? FreeImage_GetScanLine(job_.indexed, y) : nullptr;
        Error carry{};
        const int warm = std::min(width_, kWarmPixels);
        for (int i = warm; i > 0; --i) {
            Diffuse(in, nullptr, Wrap(start - step * i, width_), y, step, carry, false);
        }
        for (int i = 0; i < width_; ++i) {
            Diffuse(in, out, Wrap(start + step * i, width_), y, step, carry, true);
        }
        current_.swap(next_);
        std::fill(next_.begin(), next_.end(), 0.0f);
    }

    // Chooses pixel (x, y)'s colour and passes its error on: along the row
    // through `carry`, and, when `passDown`, to the row below. A neighbour
    // of another region gets nothing; its share goes to the others.
    void Diffuse(const BYTE* in, BYTE* out, int x, int y, int step, Error& carry, bool passDown) {
        const PixelRegion region = RegionAt(job_, x, y);
        if (region == PixelRegion::SeeThrough) {
            if (out) {
                out[x] = job_.seeThroughIndex;
            }
            carry = {};
            return;
        }
        const std::array<int, 3> pixel = PixelAt(in + static_cast<std::ptrdiff_t>(x) * 3);
        // Aimed at the pixel's own colour, unless that is out of reach.
        Error aim{linear_[static_cast<std::size_t>(pixel[0])],
                  linear_[static_cast<std::size_t>(pixel[1])],
                  linear_[static_cast<std::size_t>(pixel[2])]};
        const GamutMap& gamut = region == PixelRegion::Glowing ? *glowingGamut_ : *ordinaryGamut_;
        if (!gamut.BlockInReach(pixel)) {
            aim = gamut.Aim(pixel, aim);
        }
        Error wanted;
        std::array<int, 3> query;
        for (std::size_t c = 0; c < 3; ++c) {
            const float value = aim[c] + current_[static_cast<std::size_t>(x) * 3 + c] + carry[c];
            wanted[c] = std::clamp(value, kLeastLinear, kMostLinear);
            query[c] = encode_(wanted[c]);
        }
        const std::uint8_t index = finders_.Nearest(region, query[0], query[1], query[2]);
        if (out) {
            out[x] = index;
        }
        const int ahead = Wrap(x + step, width_), behind = Wrap(x - step, width_);
        const int below = y == 0 ? height_ - 1 : y - 1;
        float shares[4] = {kAhead, kBehindBelow, kBelow, kAheadBelow};
        if (job_.regions) {
            shares[0] = Same(ahead, y, region) ? shares[0] : 0.0f;
            shares[1] = Same(behind, below, region) ? shares[1] : 0.0f;
            shares[2] = Same(x, below, region) ? shares[2] : 0.0f;
            shares[3] = Same(ahead, below, region) ? shares[3] : 0.0f;
        }
        const float total = shares[0] + shares[1] + shares[2] + shares[3];
        const float scale = total > 0 ? strength_ / total : 0.0f;
        for (std::size_t c = 0; c < 3; ++c) {
            const float error = (wanted[c] - palette_[index][c]) * scale;
            carry[c] = error * shares[0];
            if (passDown) {
                next_[static_cast<std::size_t>(behind) * 3 + c] += error * shares[1];
                next_[static_cast<std::size_t>(x) * 3 + c] += error * shares[2];
                next_[static_cast<std::size_t>(ahead) * 3 + c] += error * shares[3];
            }
        }
    }

    const ConversionJob& job_;
    Finders finders_{job_, true};  // diffused colours rarely repeat
    const GamutMap* ordinaryGamut_ = job_.ordinary ? &job_.ordinary->Gamut() : nullptr;
    const GamutMap* glowingGamut_ = job_.glowing ? &job_.glowing->Gamut() : nullptr;
    const std::array<float, 256>& linear_ = LinearLevels();
    const SrgbEncoder& encode_ = Encoder();
    int width_, height_;
    float strength_;
    std::array<std::array<float, 3>, 256> palette_{};
    std::vector<float> current_, next_;  // the error waiting at this row's pixels and the next's
};

}  // namespace

void ConvertPlain(const ConversionJob& job) {
    Finders finders(job, false);
    const unsigned width = freeimage_base::Width(job.rgb);
    const unsigned height = freeimage_base::Height(job.rgb);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* in = freeimage_base::ScanLine(job.rgb, y);
        BYTE* out = FreeImage_GetScanLine(job.indexed, static_cast<int>(y));
        // Neighbouring pixels often share a colour: reuse the last answer.
        std::array<int, 3> last{-1, -1, -1};
        PixelRegion lastRegion = PixelRegion::SeeThrough;
        std::uint8_t lastIndex = 0;
        for (unsigned x = 0; x < width; ++x, in += 3) {
            const PixelRegion region = RegionAt(job, static_cast<int>(x), static_cast<int>(y));
            if (region == PixelRegion::SeeThrough) {
                out[x] = job.seeThroughIndex;
                continue;
            }
            const std::array<int, 3> pixel = PixelAt(in);
            if (pixel != last || region != lastRegion) {
                lastIndex = finders.Nearest(region, pixel[0], pixel[1], pixel[2]);
                last = pixel;
                lastRegion = region;
            }
            out[x] = lastIndex;
        }
    }
}

void ConvertFloydSteinberg(const ConversionJob& job) {
    Finders finders(job, true);
    const int width = static_cast<int>(freeimage_base::Width(job.rgb));
    const int height = static_cast<int>(freeimage_base::Height(job.rgb));
    // One spare column on each side spares the edge checks.
    std::vector<int> current(static_cast<std::size_t>(width + 2) * 3, 0);
    std::vector<int> next(current.size(), 0);
    auto at = [](std::vector<int>& row, int x, int channel) -> int& {
        return row[static_cast<std::size_t>(x + 1) * 3 + static_cast<std::size_t>(channel)];
    };
    // Whether (x, y) may take error from a pixel of `region`: outside the
    // picture it may (the share is lost), as the first version had it.
    auto takes = [&](int x, int y, PixelRegion region) {
        return x < 0 || x >= width || y < 0 || RegionAt(job, x, y) == region;
    };
    // Top row first, as the eye reads the texture.
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        const BYTE* in = freeimage_base::ScanLine(job.rgb, static_cast<unsigned>(y));
        BYTE* out = FreeImage_GetScanLine(job.indexed, y);
        const bool leftToRight = row % 2 == 0;
        const int step = leftToRight ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = leftToRight ? i : width - 1 - i;
            const PixelRegion region = RegionAt(job, x, y);
            if (region == PixelRegion::SeeThrough) {
                out[x] = job.seeThroughIndex;
                continue;
            }
            const std::array<int, 3> pixel = PixelAt(in + static_cast<std::ptrdiff_t>(x) * 3);
            int wanted[3];
            for (int c = 0; c < 3; ++c) {
                wanted[c] = std::clamp(
                    pixel[static_cast<std::size_t>(c)] + ((at(current, x, c) + 8) >> 4), 0, 255);
            }
            const std::uint8_t index = finders.Nearest(region, wanted[0], wanted[1], wanted[2]);
            out[x] = index;
            const ColourValue got = (*job.palette)[index];
            // With every neighbour taking its share the weights sum to 16
            // and each share is exactly error * weight.
            const int shares[4] = {
                takes(x + step, y, region) ? kAhead : 0,
                takes(x - step, y - 1, region) ? kBehindBelow : 0,
                takes(x, y - 1, region) ? kBelow : 0,
                takes(x + step, y - 1, region) ? kAheadBelow : 0,
            };
            const int total = shares[0] + shares[1] + shares[2] + shares[3];
            if (total == 0) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                const int error = (wanted[c] - Channel(got, c)) * 16;
                at(current, x + step, c) += error * shares[0] / total;
                at(next, x - step, c) += error * shares[1] / total;
                at(next, x, c) += error * shares[2] / total;
                at(next, x + step, c) += error * shares[3] / total;
            }
        }
        current.swap(next);
        std::fill(next.begin(), next.end(), 0);
    }
}

void ConvertWrappedDiffusion(const ConversionJob& job, float strength) {
    WrappedDiffusion(job, strength).Run();
}

void ConvertOrdered(const ConversionJob& job, float strength) {
    Finders finders(job, false);
    const int width = static_cast<int>(freeimage_base::Width(job.rgb));
    const int height = static_cast<int>(freeimage_base::Height(job.rgb));
    const int tileWidth = BlueNoiseSide(width), tileHeight = BlueNoiseSide(height);
    const std::vector<float>& tile = BlueNoiseTile(tileWidth, tileHeight);
    const float spread = strength * kOrderedSpread;
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        const BYTE* in = freeimage_base::ScanLine(job.rgb, static_cast<unsigned>(y));
        BYTE* out = FreeImage_GetScanLine(job.indexed, y);
        const float* thresholds = &tile[static_cast<std::size_t>(row % tileHeight) * tileWidth];
        for (int x = 0; x < width; ++x) {
            const PixelRegion region = RegionAt(job, x, y);
            if (region == PixelRegion::SeeThrough) {
                out[x] = job.seeThroughIndex;
                continue;
            }
            const std::array<int, 3> pixel = PixelAt(in + static_cast<std::ptrdiff_t>(x) * 3);
            const int offset = static_cast<int>(std::lround(thresholds[x % tileWidth] * spread));
            out[x] =
                finders.Nearest(region, pixel[0] + offset, pixel[1] + offset, pixel[2] + offset);
        }
    }
}

}  // namespace orrisbay::quake_palette
