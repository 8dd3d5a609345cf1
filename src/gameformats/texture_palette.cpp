#include "gameformats/texture_palette.h"

#include <algorithm>
#include <set>

#include "gameformats/mip_texture.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

constexpr std::size_t kChosenColours = 255;  // the last entry is kept for see-through pixels
constexpr std::size_t kMostSampled = 512 * 512 * 4 / 3;

// The pixels of every level that are not see-through.
std::vector<quake_palette::ColourValue> VisiblePixels(const LinearLevels& levels) {
    std::vector<quake_palette::ColourValue> pixels;
    for (int level = 0; level < kMipLevels; ++level) {
        const FIBITMAP* colour = levels.colour[level].get();
        const unsigned width = freeimage_base::Width(colour);
        const std::vector<bool>& holes = levels.seeThrough[level];
        for (unsigned y = 0; y < freeimage_base::Height(colour); ++y) {
            const BYTE* pixel = freeimage_base::ScanLine(colour, y);
            for (unsigned x = 0; x < width; ++x, pixel += 3) {
                if (holes.empty() || !holes[std::size_t{y} * width + x]) {
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

// Up to 255 colours standing for `pixels`, chosen by the image library.
std::vector<quake_palette::ColourValue> QuantizedColours(
    const std::vector<quake_palette::ColourValue>& pixels, std::size_t width) {
    const Bitmap strip = PixelStrip(pixels, width);
    const int size = static_cast<int>(kChosenColours);
    Bitmap chosen(strip ? FreeImage_ColorQuantizeEx(strip.get(), FIQ_NNQUANT, size, 0, nullptr)
                        : nullptr);
    if (strip && !chosen) {
        chosen.reset(FreeImage_ColorQuantizeEx(strip.get(), FIQ_WUQUANT, size, 0, nullptr));
    }
    std::vector<quake_palette::ColourValue> colours;
    const RGBQUAD* table = chosen ? freeimage_base::Palette(chosen.get()) : nullptr;
    for (std::size_t i = 0; table && i < kChosenColours; ++i) {
        colours.push_back(
            quake_palette::MakeColour(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue));
    }
    return colours;
}

}  // namespace

quake_palette::Palette ChooseTexturePalette(const LinearLevels& levels) {
    const std::vector<quake_palette::ColourValue> pixels = VisiblePixels(levels);
    std::set<quake_palette::ColourValue> distinct;
    for (auto pixel = pixels.begin(); pixel != pixels.end() && distinct.size() <= kChosenColours;
         ++pixel) {
        distinct.insert(*pixel);
    }
    std::vector<quake_palette::ColourValue> colours(distinct.begin(), distinct.end());
    if (colours.size() > kChosenColours) {
        colours = QuantizedColours(pixels, freeimage_base::Width(levels.colour[0].get()));
    }
    quake_palette::Palette palette{};
    std::copy_n(colours.begin(), std::min(colours.size(), kChosenColours), palette.begin());
    palette[kSeeThroughIndex] = kSeeThroughBlue;
    return palette;
}

}  // namespace orrisbay::gameformats
