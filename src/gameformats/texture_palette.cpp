#include "gameformats/texture_palette.h"

#include <algorithm>
#include <set>

#include "gameformats/mip_texture.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

constexpr std::size_t kChosenColours = 255;  // the last entry is kept for see-through pixels
constexpr std::size_t kMostSampled = 512 * 512 * 4 / 3;

// The pixels of every level that are not see-through and, when `glowing`
// (flags per level as MaskLevels gives them) is given, glow as `glows` says.
std::vector<quake_palette::ColourValue> VisiblePixels(
    const LinearLevels& levels, const std::array<std::vector<bool>, kMipLevels>* glowing = nullptr,
    bool glows = false) {
    std::vector<quake_palette::ColourValue> pixels;
    for (int level = 0; level < kMipLevels; ++level) {
        const FIBITMAP* colour = levels.colour[level].get();
        const unsigned width = freeimage_base::Width(colour);
        const std::vector<bool>& holes = levels.seeThrough[level];
        for (unsigned y = 0; y < freeimage_base::Height(colour); ++y) {
            const BYTE* pixel = freeimage_base::ScanLine(colour, y);
            for (unsigned x = 0; x < width; ++x, pixel += 3) {
                const std::size_t i = std::size_t{y} * width + x;
                if ((holes.empty() || !holes[i]) &&
                    (glowing == nullptr || (*glowing)[level][i] == glows)) {
                    pixels.push_back(quake_palette::MakeColour(
                        pixel[FI_RGBA_RED], pixel[FI_RGBA_GREEN], pixel[FI_RGBA_BLUE]));
                }
            }
        }
    }
    return pixels;
}

// A sample of `pixels` (every one up to about a 512 x 512 texture's worth,
// evenly spread beyond) in a 24-bit bitmap as wide as `width`, since the
// quantizers walk rows with 16-bit counters; the last row is filled up with
// the first pixels again.
Bitmap PixelStrip(const std::vector<quake_palette::ColourValue>& pixels, std::size_t width) {
    const std::size_t step = 1 + pixels.size() / kMostSampled;
    const std::size_t count = (pixels.size() + step - 1) / step;
    const std::size_t height = (count + width - 1) / width;
    Bitmap strip(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    for (std::size_t i = 0; strip && i < width * height; ++i) {
        BYTE* pixel =
            FreeImage_GetScanLine(strip.get(), static_cast<int>(i / width)) + 3 * (i % width);
        const quake_palette::ColourValue colour = pixels[i % count * step];
        pixel[FI_RGBA_RED] = static_cast<BYTE>(colour);
        pixel[FI_RGBA_GREEN] = static_cast<BYTE>(colour >> 8);
        pixel[FI_RGBA_BLUE] = static_cast<BYTE>(colour >> 16);
    }
    return strip;
}

// `count` colours standing for `pixels`, chosen by the image library.
std::vector<quake_palette::ColourValue> QuantizedColours(
    const std::vector<quake_palette::ColourValue>& pixels, std::size_t count, std::size_t width) {
    const Bitmap strip = PixelStrip(pixels, width);
    const int size = static_cast<int>(count);
    Bitmap chosen(strip ? FreeImage_ColorQuantizeEx(strip.get(), FIQ_NNQUANT, size, 0, nullptr)
                        : nullptr);
    if (strip && !chosen) {
        chosen.reset(FreeImage_ColorQuantizeEx(strip.get(), FIQ_WUQUANT, size, 0, nullptr));
    }
    std::vector<quake_palette::ColourValue> colours;
    const RGBQUAD* table = chosen ? freeimage_base::Palette(chosen.get()) : nullptr;
    for (std::size_t i = 0; table && i < count; ++i) {
        colours.push_back(
            quake_palette::MakeColour(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue));
    }
    return colours;
}

// Writes up to `count` colours standing for `pixels` from `first` on: their
// own colours in order when they hold no more than `count`, otherwise the
// quantizer's (the library's sampling strip as wide as `width`).
void ChooseColours(const std::vector<quake_palette::ColourValue>& pixels, std::size_t count,
                   std::size_t width, quake_palette::Palette& palette, std::size_t first) {
    std::set<quake_palette::ColourValue> distinct;
    for (auto pixel = pixels.begin(); pixel != pixels.end() && distinct.size() <= count; ++pixel) {
        distinct.insert(*pixel);
    }
    std::vector<quake_palette::ColourValue> colours(distinct.begin(), distinct.end());
    if (colours.size() > count) {
        colours = QuantizedColours(pixels, count, width);
    }
    std::copy_n(colours.begin(), std::min(colours.size(), count), palette.begin() + first);
}

}  // namespace

quake_palette::Palette ChooseTexturePalette(const LinearLevels& levels) {
    quake_palette::Palette palette{};
    ChooseColours(VisiblePixels(levels), kChosenColours,
                  freeimage_base::Width(levels.colour[0].get()), palette, 0);
    palette[kSeeThroughIndex] = kSeeThroughBlue;
    return palette;
}

quake_palette::Palette ChooseGlowingTexturePalette(
    const LinearLevels& levels, const std::array<std::vector<bool>, kMipLevels>& glowing) {
    const std::size_t width = freeimage_base::Width(levels.colour[0].get());
    quake_palette::Palette palette{};
    ChooseColours(VisiblePixels(levels, &glowing, false), kFirstGlowingEntry, width, palette, 0);
    ChooseColours(VisiblePixels(levels, &glowing, true), palette.size() - kFirstGlowingEntry, width,
                  palette, kFirstGlowingEntry);
    return palette;
}

}  // namespace orrisbay::gameformats
