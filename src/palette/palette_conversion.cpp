#include "palette/palette_conversion.h"

#include <algorithm>
#include <limits>

#include "palette/finder_cache.h"

namespace orrisbay::quake_palette {
namespace {

using freeimage_base::Bitmap;

constexpr int kCellBits = 3;  // 8 levels per channel in a cell, 32 cells per channel
constexpr int kCellsPerChannel = 256 >> kCellBits;
constexpr int kCellSpan = 1 << kCellBits;

int Red(ColourValue colour) {
    return static_cast<int>(colour & 0xFFu);
}
int Green(ColourValue colour) {
    return static_cast<int>((colour >> 8) & 0xFFu);
}
int Blue(ColourValue colour) {
    return static_cast<int>((colour >> 16) & 0xFFu);
}

std::uint64_t Square(int value) {
    return static_cast<std::uint64_t>(value) * static_cast<std::uint64_t>(value);
}

// The smallest and largest distance along one channel from `value` to any
// level in [low, high].
int NearestGap(int value, int low, int high) {
    return value < low ? low - value : (value > high ? value - high : 0);
}
int FarthestGap(int value, int low, int high) {
    return std::max(value - low, high - value);
}

std::size_t CellIndex(int red, int green, int blue) {
    return (static_cast<std::size_t>(red >> kCellBits) * kCellsPerChannel +
            static_cast<std::size_t>(green >> kCellBits)) *
               kCellsPerChannel +
           static_cast<std::size_t>(blue >> kCellBits);
}

int Clamp255(int value) {
    return std::clamp(value, 0, 255);
}

Bitmap MakeIndexedBitmap(unsigned width, unsigned height, const Palette& palette) {
    Bitmap indexed(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 8));
    if (!indexed) {
        return indexed;
    }
    RGBQUAD* table = FreeImage_GetPalette(indexed.get());
    for (std::size_t i = 0; i < palette.size(); ++i) {
        table[i].rgbRed = static_cast<BYTE>(Red(palette[i]));
        table[i].rgbGreen = static_cast<BYTE>(Green(palette[i]));
        table[i].rgbBlue = static_cast<BYTE>(Blue(palette[i]));
        table[i].rgbReserved = 0;
    }
    return indexed;
}

void ConvertPlain(FIBITMAP* rgb, FIBITMAP* indexed, const NearestColourFinder& finder) {
    const unsigned width = FreeImage_GetWidth(rgb);
    const unsigned height = FreeImage_GetHeight(rgb);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* in = FreeImage_GetScanLine(rgb, static_cast<int>(y));
        BYTE* out = FreeImage_GetScanLine(indexed, static_cast<int>(y));
        // Neighbouring pixels often share a colour: reuse the last answer.
        int lastRed = -1, lastGreen = -1, lastBlue = -1;
        std::uint8_t lastIndex = 0;
        for (unsigned x = 0; x < width; ++x, in += 3) {
            const int red = in[FI_RGBA_RED], green = in[FI_RGBA_GREEN], blue = in[FI_RGBA_BLUE];
            if (red != lastRed || green != lastGreen || blue != lastBlue) {
                lastIndex = finder.Nearest(red, green, blue);
                lastRed = red, lastGreen = green, lastBlue = blue;
            }
            out[x] = lastIndex;
        }
    }
}

// Floyd-Steinberg error diffusion, scanning rows in alternate directions so the
// error does not drift to one side. Errors are kept in sixteenths.
void ConvertDithered(FIBITMAP* rgb, FIBITMAP* indexed, const NearestColourFinder& finder) {
    const int width = static_cast<int>(FreeImage_GetWidth(rgb));
    const int height = static_cast<int>(FreeImage_GetHeight(rgb));
    const Palette& palette = finder.Colours();
    // One spare column on each side spares the edge checks.
    std::vector<int> current(static_cast<std::size_t>(width + 2) * 3, 0);
    std::vector<int> next(current.size(), 0);
    auto at = [](std::vector<int>& row, int x, int channel) -> int& {
        return row[static_cast<std::size_t>(x + 1) * 3 + static_cast<std::size_t>(channel)];
    };
    // Top row first, as the eye reads the texture.
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        const BYTE* in = FreeImage_GetScanLine(rgb, y);
        BYTE* out = FreeImage_GetScanLine(indexed, y);
        const bool leftToRight = row % 2 == 0;
        const int step = leftToRight ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = leftToRight ? i : width - 1 - i;
            const BYTE* pixel = in + static_cast<std::ptrdiff_t>(x) * 3;
            const int wanted[3] = {
                Clamp255(pixel[FI_RGBA_RED] + ((at(current, x, 0) + 8) >> 4)),
                Clamp255(pixel[FI_RGBA_GREEN] + ((at(current, x, 1) + 8) >> 4)),
                Clamp255(pixel[FI_RGBA_BLUE] + ((at(current, x, 2) + 8) >> 4)),
            };
            const std::uint8_t index = finder.Nearest(wanted[0], wanted[1], wanted[2]);
            out[x] = index;
            const ColourValue got = palette[index];
            const int error[3] = {wanted[0] - Red(got), wanted[1] - Green(got),
                                  wanted[2] - Blue(got)};
            for (int c = 0; c < 3; ++c) {
                at(current, x + step, c) += error[c] * 7;
                at(next, x - step, c) += error[c] * 3;
                at(next, x, c) += error[c] * 5;
                at(next, x + step, c) += error[c];
            }
        }
        current.swap(next);
        std::fill(next.begin(), next.end(), 0);
    }
}

}  // namespace

std::uint32_t ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
    // At most 1534 * 255^2 per term, so the sum fits 32 bits.
    const int redSum = r1 + r2;
    const int dr = r1 - r2, dg = g1 - g2, db = b1 - b2;
    return static_cast<std::uint32_t>(1024 + redSum) * static_cast<std::uint32_t>(dr * dr) +
           2048u * static_cast<std::uint32_t>(dg * dg) +
           static_cast<std::uint32_t>(1534 - redSum) * static_cast<std::uint32_t>(db * db);
}

NearestColourFinder::NearestColourFinder(const Palette& palette, bool allowFullbrights)
    : palette_(palette) {
    const int count = allowFullbrights ? 256 : kFirstFullbright;
    for (int i = 0; i < count; ++i) {
        const ColourValue c = palette[static_cast<std::size_t>(i)];
        allowed_.push_back(Entry{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(Red(c)),
                                 static_cast<std::uint8_t>(Green(c)),
                                 static_cast<std::uint8_t>(Blue(c)), 0});
    }
    cellStart_.reserve(kCellsPerChannel * kCellsPerChannel * kCellsPerChannel + 1);
    for (int r = 0; r < kCellsPerChannel; ++r) {
        for (int g = 0; g < kCellsPerChannel; ++g) {
            for (int b = 0; b < kCellsPerChannel; ++b) {
                cellStart_.push_back(static_cast<std::uint32_t>(candidates_.size()));
                BuildCell(r, g, b);
            }
        }
    }
    cellStart_.push_back(static_cast<std::uint32_t>(candidates_.size()));
}

// Keeps every entry whose smallest possible distance to the cell is no more
// than the best guaranteed distance of any entry: only those can be nearest
// (or tie for nearest) to a colour in the cell. Both bounds take the red-sum
// weights at their least and most favourable ends of the cell.
void NearestColourFinder::BuildCell(int cellRed, int cellGreen, int cellBlue) {
    const int lowRed = cellRed * kCellSpan, highRed = lowRed + kCellSpan - 1;
    const int lowGreen = cellGreen * kCellSpan, highGreen = lowGreen + kCellSpan - 1;
    const int lowBlue = cellBlue * kCellSpan, highBlue = lowBlue + kCellSpan - 1;
    std::vector<std::uint64_t> lower(allowed_.size());
    std::uint64_t bestUpper = std::numeric_limits<std::uint64_t>::max();
    for (std::size_t i = 0; i < allowed_.size(); ++i) {
        const Entry& e = allowed_[i];
        const int minSum = e.red + lowRed, maxSum = e.red + highRed;
        lower[i] =
            static_cast<std::uint64_t>(1024 + minSum) * Square(NearestGap(e.red, lowRed, highRed)) +
            2048u * Square(NearestGap(e.green, lowGreen, highGreen)) +
            static_cast<std::uint64_t>(1534 - maxSum) *
                Square(NearestGap(e.blue, lowBlue, highBlue));
        const std::uint64_t upper = static_cast<std::uint64_t>(1024 + maxSum) *
                                        Square(FarthestGap(e.red, lowRed, highRed)) +
                                    2048u * Square(FarthestGap(e.green, lowGreen, highGreen)) +
                                    static_cast<std::uint64_t>(1534 - minSum) *
                                        Square(FarthestGap(e.blue, lowBlue, highBlue));
        bestUpper = std::min(bestUpper, upper);
    }
    const std::size_t first = candidates_.size();
    for (std::size_t i = 0; i < allowed_.size(); ++i) {
        if (lower[i] <= bestUpper) {
            Entry candidate = allowed_[i];
            candidate.closest = static_cast<std::uint32_t>(lower[i]);
            candidates_.push_back(candidate);
        }
    }
    std::stable_sort(candidates_.begin() + static_cast<std::ptrdiff_t>(first), candidates_.end(),
                     [](const Entry& a, const Entry& b) { return a.closest < b.closest; });
}

std::uint8_t NearestColourFinder::Nearest(int red, int green, int blue) const {
    const std::size_t cell = CellIndex(red, green, blue);
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    std::uint8_t bestIndex = 0;
    // Candidates come closest-possible first: once that exceeds the best
    // distance found, no later candidate can win or even tie.
    for (std::uint32_t i = cellStart_[cell]; i < cellStart_[cell + 1]; ++i) {
        const Entry& e = candidates_[i];
        if (e.closest > best) {
            break;
        }
        const std::uint32_t distance = ColourDistance(red, green, blue, e.red, e.green, e.blue);
        if (distance < best || (distance == best && e.index < bestIndex)) {
            best = distance;
            bestIndex = e.index;
        }
    }
    return bestIndex;
}

Bitmap ConvertToPalette(const FIBITMAP* texture, const NearestColourFinder& finder, bool dither) {
    if (texture == nullptr || freeimage_base::ImageType(texture) != FIT_BITMAP) {
        return Bitmap();
    }
    const Bitmap rgb = freeimage_base::ConvertTo24Bits(texture);
    if (!rgb) {
        return Bitmap();
    }
    Bitmap indexed = MakeIndexedBitmap(FreeImage_GetWidth(rgb.get()),
                                       FreeImage_GetHeight(rgb.get()), finder.Colours());
    if (!indexed) {
        return indexed;
    }
    if (dither) {
        ConvertDithered(rgb.get(), indexed.get(), finder);
    } else {
        ConvertPlain(rgb.get(), indexed.get(), finder);
    }
    return indexed;
}

Bitmap ConvertToQuakePalette(const FIBITMAP* texture, const Palette& palette,
                             ConversionOptions options) {
    if (texture == nullptr) {
        return Bitmap();
    }
    return ConvertToPalette(texture, *SharedFinder(palette, options.allowFullbrights),
                            options.dither);
}

}  // namespace orrisbay::quake_palette
