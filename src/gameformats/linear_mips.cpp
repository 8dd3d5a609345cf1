#include "gameformats/linear_mips.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "slots/parallel_for.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

const std::array<double, 256>& DecodeTable() {
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

// The sRGB formula, rounded to the nearest byte (ties to even).
std::uint8_t EncodeByFormula(double linear) {
    const double v =
        linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::nearbyint(std::clamp(v, 0.0, 1.0) * 255.0));
}

// The formula's answers without a power per pixel: it rises with its
// argument, so its byte for a value is how many of the least values giving
// 1, 2 ... 255 the value reaches. Each least value is found once, by halving
// the range of doubles between 0 and 1 (in the order of their bit patterns,
// which is theirs for positive numbers) with the formula as the judge.
struct EncodeTable {
    static constexpr int kBuckets = 4096;  // about one byte's step at the steepest
    std::array<double, 256> least{};       // least[0] unused
    std::array<std::uint8_t, kBuckets> atBucket{};
};

double FromBits(std::uint64_t bits) {
    return std::bit_cast<double>(bits);
}

const EncodeTable& TheEncodeTable() {
    static const EncodeTable table = [] {
        EncodeTable made;
        for (int byte = 1; byte < 256; ++byte) {
            std::uint64_t below = std::bit_cast<std::uint64_t>(0.0);  // gives less than `byte`
            std::uint64_t reaches = std::bit_cast<std::uint64_t>(1.0);
            while (reaches - below > 1) {
                const std::uint64_t middle = below + (reaches - below) / 2;
                (EncodeByFormula(FromBits(middle)) >= byte ? reaches : below) = middle;
            }
            made.least[static_cast<std::size_t>(byte)] = FromBits(reaches);
        }
        for (int bucket = 0; bucket < EncodeTable::kBuckets; ++bucket) {
            made.atBucket[static_cast<std::size_t>(bucket)] =
                EncodeByFormula(static_cast<double>(bucket) / EncodeTable::kBuckets);
        }
        return made;
    }();
    return table;
}

// One mip level of `level` = 1 to 3: each pixel averages its block of
// `level0`'s pixels that are not see-through, in linear light.
void ReduceLevel(LinearLevels& levels, int level, unsigned threads) {
    const FIBITMAP* full = levels.colour[0].get();
    const unsigned width = freeimage_base::Width(full) >> level;
    const unsigned height = freeimage_base::Height(full) >> level;
    const unsigned block = 1u << level;
    Bitmap reduced(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    if (!reduced) {
        return;
    }
    const std::vector<bool>& holes = levels.seeThrough[0];
    const auto& decode = DecodeTable();
    // Rows are made apart from one another: several at once, the same bytes.
    slots::ParallelFor(threads, height, [&](std::size_t row) {
        const auto y = static_cast<unsigned>(row);
        BYTE* out = FreeImage_GetScanLine(reduced.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x, out += 3) {
            double sum[3] = {0, 0, 0};
            unsigned counted = 0;
            for (unsigned by = y * block; by < (y + 1) * block; ++by) {
                const BYTE* in = freeimage_base::ScanLine(full, by);
                for (unsigned bx = x * block; bx < (x + 1) * block; ++bx) {
                    if (!holes.empty() && holes[std::size_t{by} * (width << level) + bx]) {
                        continue;
                    }
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += decode[in[bx * 3 + c]];
                    }
                    ++counted;
                }
            }
            for (int c = 0; c < 3; ++c) {
                out[c] = counted ? EncodeSrgb(sum[c] / counted) : 0;
            }
        }
    });
    levels.colour[level] = std::move(reduced);
}

// The flags of one level: each pixel's block of `mask` averages at least `threshold`.
std::vector<bool> MaskLevel(const FIBITMAP* mask, int threshold, int level) {
    const unsigned width = freeimage_base::Width(mask) >> level;
    const unsigned height = freeimage_base::Height(mask) >> level;
    const unsigned block = 1u << level;
    std::vector<bool> flags(std::size_t{width} * height);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            unsigned sum = 0;
            for (unsigned by = y * block; by < (y + 1) * block; ++by) {
                const BYTE* line = freeimage_base::ScanLine(mask, by);
                for (unsigned bx = x * block; bx < (x + 1) * block; ++bx) {
                    sum += line[bx];
                }
            }
            flags[std::size_t{y} * width + x] =
                sum >= static_cast<unsigned>(threshold) * block * block;
        }
    }
    return flags;
}

}  // namespace

std::uint8_t EncodeSrgb(double linear) {
    const EncodeTable& table = TheEncodeTable();
    if (!(linear > 0)) {
        return 0;
    }
    if (linear >= 1) {
        return 255;
    }
    // The byte at the start of the linear value's bucket, then the at most
    // two thresholds the bucket spans.
    int byte = table.atBucket[static_cast<std::size_t>(linear * EncodeTable::kBuckets)];
    while (byte < 255 && linear >= table.least[static_cast<std::size_t>(byte) + 1]) {
        ++byte;
    }
    return static_cast<std::uint8_t>(byte);
}

double DecodeSrgb(std::uint8_t value) {
    return DecodeTable()[value];
}

std::array<std::vector<bool>, kMipLevels> MaskLevels(const FIBITMAP* mask, int threshold) {
    std::array<std::vector<bool>, kMipLevels> levels;
    for (int level = 0; level < kMipLevels; ++level) {
        levels[static_cast<std::size_t>(level)] = MaskLevel(mask, threshold, level);
    }
    return levels;
}

LinearLevels MakeLinearLevels(const FIBITMAP* texture, const FIBITMAP* mask, int threshold,
                              unsigned threads) {
    LinearLevels levels;
    if (texture == nullptr || freeimage_base::ImageType(texture) != FIT_BITMAP) {
        return levels;
    }
    levels.colour[0] = freeimage_base::ConvertTo24Bits(texture);
    if (!levels.colour[0]) {
        return levels;
    }
    if (mask) {
        levels.seeThrough = MaskLevels(mask, threshold);
        for (std::vector<bool>& holes : levels.seeThrough) {
            holes.flip();
        }
    }
    for (int level = 1; level < kMipLevels; ++level) {
        ReduceLevel(levels, level, threads);
        if (!levels.colour[level]) {
            return LinearLevels();
        }
    }
    return levels;
}

}  // namespace orrisbay::gameformats
