#include "imageio/bitmap_colour.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "imageio/freeimage_base.h"

namespace orrisbay::imageio {

namespace {

using namespace freeimage_base;

constexpr const char* kUnsupportedPixels = "cannot be applied to pixels of this kind";
constexpr unsigned kGreyLevels = 256;

#if FREEIMAGE_COLORORDER == FREEIMAGE_COLORORDER_BGR
constexpr PixelLayout kLayout24 = PixelLayout::Bgr8;
constexpr PixelLayout kLayout32 = PixelLayout::Bgra8;
#else
constexpr PixelLayout kLayout24 = PixelLayout::Rgb8;
constexpr PixelLayout kLayout32 = PixelLayout::Rgba8;
#endif

std::optional<PixelLayout> RowLayout(const FIBITMAP* dib) {
    switch (ImageType(dib)) {
        case FIT_BITMAP:
            if (Bpp(dib) == 24) {
                return kLayout24;
            }
            if (Bpp(dib) == 32) {
                return kLayout32;
            }
            return std::nullopt;
        case FIT_UINT16:
            return PixelLayout::Grey16;
        case FIT_RGB16:
            return PixelLayout::Rgb16;
        case FIT_RGBA16:
            return PixelLayout::Rgba16;
        default:
            return std::nullopt;
    }
}

Result<bool> ConvertRows(FIBITMAP* dib, ProfileBytes profile, PixelLayout layout) {
    return ConvertRowsToSrgb(profile,
                             {FreeImage_GetBits(dib), Pitch(dib), Width(dib), Height(dib), layout});
}

Result<bool> ConvertPalette(FIBITMAP* dib, ProfileBytes profile) {
    RGBQUAD* palette = FreeImage_GetPalette(dib);
    const unsigned count = FreeImage_GetColorsUsed(dib);
    if (palette == nullptr || count == 0) {
        return ProfileNotUsed(kUnsupportedPixels);
    }
    std::vector<std::uint8_t> rgb;
    rgb.reserve(3 * count);
    for (unsigned i = 0; i < count; ++i) {
        rgb.insert(rgb.end(), {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
    }
    Result<bool> result = ConvertColourTableToSrgb(profile, rgb);
    if (*result) {
        for (unsigned i = 0; i < count; ++i) {
            palette[i].rgbRed = rgb[3 * i];
            palette[i].rgbGreen = rgb[3 * i + 1];
            palette[i].rgbBlue = rgb[3 * i + 2];
        }
    }
    return result;
}

bool AllGrey(const std::vector<std::uint8_t>& rgb) {
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        if (rgb[i] != rgb[i + 1] || rgb[i] != rgb[i + 2]) {
            return false;
        }
    }
    return true;
}

// 8-bit grey pixels: their 256 levels are converted as a colour table. Grey
// results are written into the pixels, which keep their grey palette; colours
// (an RGB profile on grey pixels) become the palette instead.
Result<bool> ConvertGreyLevels(FIBITMAP* dib, ProfileBytes profile) {
    std::vector<std::uint8_t> levels(3 * kGreyLevels);
    for (unsigned level = 0; level < kGreyLevels; ++level) {
        std::fill_n(levels.begin() + 3 * level, 3, static_cast<std::uint8_t>(level));
    }
    Result<bool> result = ConvertColourTableToSrgb(profile, levels);
    if (!*result) {
        return result;
    }
    if (!AllGrey(levels)) {
        RGBQUAD* palette = FreeImage_GetPalette(dib);
        for (unsigned level = 0; level < kGreyLevels; ++level) {
            palette[level] = {levels[3 * level + 2], levels[3 * level + 1], levels[3 * level], 0};
        }
        return result;
    }
    for (unsigned y = 0; y < Height(dib); ++y) {
        BYTE* row = FreeImage_GetScanLine(dib, static_cast<int>(y));
        std::transform(row, row + Width(dib), row, [&](BYTE v) { return levels[3 * v]; });
    }
    return result;
}

}  // namespace

ProfileBytes AttachedProfile(const FIBITMAP* dib) {
    const FIICCPROFILE* profile = IccProfile(dib);
    if (profile == nullptr || profile->data == nullptr || profile->size == 0) {
        return {};
    }
    return {static_cast<const std::uint8_t*>(profile->data), profile->size};
}

Result<bool> ConvertBitmapToSrgb(FIBITMAP* dib, ProfileBytes profile) {
    Result<bool> result(false);
    const bool standard = ImageType(dib) == FIT_BITMAP;
    if (standard && Bpp(dib) == 8 && ColorType(dib) == FIC_MINISBLACK) {
        result = ConvertGreyLevels(dib, profile);
    } else if (standard && Bpp(dib) <= 8) {
        result = ConvertPalette(dib, profile);
    } else if (const std::optional<PixelLayout> layout = RowLayout(dib)) {
        result = ConvertRows(dib, profile, *layout);
    } else {
        return ProfileNotUsed(kUnsupportedPixels);
    }
    if (*result) {
        FreeImage_DestroyICCProfile(dib);  // the pixels are sRGB now
    }
    return result;
}

}  // namespace orrisbay::imageio
