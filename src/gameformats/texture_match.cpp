#include "gameformats/texture_match.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

bool SameSize(const FIBITMAP* picture, unsigned width, unsigned height) {
    return freeimage_base::Width(picture) == width && freeimage_base::Height(picture) == height;
}

bool SameColour(const BYTE* pixel, quake_palette::ColourValue colour) {
    return pixel[FI_RGBA_RED] == static_cast<BYTE>(colour) &&
           pixel[FI_RGBA_GREEN] == static_cast<BYTE>(colour >> 8) &&
           pixel[FI_RGBA_BLUE] == static_cast<BYTE>(colour >> 16);
}

}  // namespace

bool ShowsTexture(const FIBITMAP* picture, const FIBITMAP* mask, int threshold,
                  const MipTexture& stored, WadKind kind,
                  const quake_palette::Palette& gamePalette) {
    if (picture == nullptr || !SameSize(picture, stored.width, stored.height) ||
        (mask != nullptr && !SameSize(mask, stored.width, stored.height))) {
        return false;
    }
    const Bitmap colour = freeimage_base::ConvertTo24Bits(picture);
    const bool seeThrough = IsSeeThroughName(stored.name);
    const Bitmap grey =
        seeThrough && mask != nullptr ? freeimage_base::ConvertToGreyscale(mask) : Bitmap();
    if (!colour || (seeThrough && mask != nullptr && !grey)) {
        return false;
    }
    const quake_palette::Palette& colours = kind == WadKind::Wad3 ? stored.palette : gamePalette;
    for (unsigned y = 0; y < stored.height; ++y) {
        const BYTE* line = freeimage_base::ScanLine(colour.get(), y);
        const BYTE* levels = grey ? freeimage_base::ScanLine(grey.get(), y) : nullptr;
        // The library's rows run from the bottom, the texture's from the top.
        const std::uint8_t* indices =
            stored.mips[0].data() + std::size_t{stored.height - 1 - y} * stored.width;
        for (unsigned x = 0; x < stored.width; ++x) {
            const bool hole = seeThrough && indices[x] == kSeeThroughIndex;
            if (hole != (levels != nullptr && levels[x] < threshold)) {
                return false;
            }
            if (!hole && !SameColour(line + 3 * x, colours[indices[x]])) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace orrisbay::gameformats
