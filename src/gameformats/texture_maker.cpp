#include "gameformats/texture_maker.h"

#include "gameformats/linear_mips.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_palette.h"
#include "gameformats/texture_rules.h"
#include "palette/finder_cache.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

std::string SizeText(const FIBITMAP* bitmap) {
    return std::to_string(freeimage_base::Width(bitmap)) + " x " +
           std::to_string(freeimage_base::Height(bitmap));
}

// A finder that never answers 255: that entry is given the colour of 254, and
// ties go to the lower index.
quake_palette::NearestColourFinder FinderAvoidingSeeThrough(quake_palette::Palette palette,
                                                            bool allowFullbrights) {
    palette[kSeeThroughIndex] = palette[kSeeThroughIndex - 1];
    return *quake_palette::SharedFinder(palette, allowFullbrights);
}

// The mask as 8-bit grey, checked against the texture's size.
WadResult<Bitmap> GreyMask(const FIBITMAP* mask, const FIBITMAP* texture) {
    if (freeimage_base::Width(mask) != freeimage_base::Width(texture) ||
        freeimage_base::Height(mask) != freeimage_base::Height(texture)) {
        return WadFailure(WadProblem::BadPicture, "the see-through mask is " + SizeText(mask) +
                                                      " but the texture is " + SizeText(texture));
    }
    Bitmap grey = freeimage_base::ConvertToGreyscale(mask);
    if (!grey) {
        return WadFailure(WadProblem::ConversionFailed, "the see-through mask cannot be read");
    }
    return grey;
}

// Gives the see-through pixels of a level one colour of the palette, so they
// add no error when the level is dithered.
void PaintHoles(FIBITMAP* level, const std::vector<bool>& holes,
                const quake_palette::NearestColourFinder& finder) {
    const quake_palette::ColourValue fill = finder.Colours()[finder.Nearest(0, 0, 0)];
    const unsigned width = freeimage_base::Width(level);
    for (std::size_t i = 0; i < holes.size(); ++i) {
        if (holes[i]) {
            BYTE* pixel =
                FreeImage_GetScanLine(level, static_cast<int>(i / width)) + 3 * (i % width);
            pixel[FI_RGBA_RED] = static_cast<BYTE>(fill);
            pixel[FI_RGBA_GREEN] = static_cast<BYTE>(fill >> 8);
            pixel[FI_RGBA_BLUE] = static_cast<BYTE>(fill >> 16);
        }
    }
}

// The indices of an 8-bit bitmap, top row first as the game stores them, with
// 255 at the see-through pixels.
std::vector<std::uint8_t> TopDownIndices(const FIBITMAP* indexed, const std::vector<bool>& holes) {
    const unsigned width = freeimage_base::Width(indexed);
    const unsigned height = freeimage_base::Height(indexed);
    std::vector<std::uint8_t> indices;
    indices.reserve(std::size_t{width} * height);
    for (unsigned row = 0; row < height; ++row) {
        const unsigned y = height - 1 - row;
        const BYTE* line = freeimage_base::ScanLine(indexed, y);
        for (unsigned x = 0; x < width; ++x) {
            const bool hole = !holes.empty() && holes[std::size_t{y} * width + x];
            indices.push_back(hole ? kSeeThroughIndex : line[x]);
        }
    }
    return indices;
}

}  // namespace

WadResult<MipTexture> MakeMipTexture(const FIBITMAP* fullColour, const FIBITMAP* mask,
                                     std::string_view name, WadKind kind,
                                     const TextureOptions& options,
                                     const quake_palette::Palette& gamePalette) {
    if (fullColour == nullptr) {
        return WadFailure(WadProblem::BadPicture, "there is no texture to convert");
    }
    const unsigned width = freeimage_base::Width(fullColour);
    const unsigned height = freeimage_base::Height(fullColour);
    if (!IsWadTextureSize(width, height)) {
        return WadFailure(WadProblem::NotWadSize,
                          TextureSizeMessage(static_cast<int>(width), static_cast<int>(height)));
    }
    const WadResult<std::string> checked = CheckTextureName(name, kind);
    if (!checked) {
        return checked.status;
    }
    WadResult<Bitmap> grey;
    if (mask != nullptr && IsSeeThroughName(checked.value)) {
        if (grey = GreyMask(mask, fullColour); !grey) {
            return grey.status;
        }
    }
    LinearLevels levels =
        MakeLinearLevels(fullColour, grey.value.get(), options.seeThroughThreshold);
    if (!levels.colour[0]) {
        return WadFailure(WadProblem::ConversionFailed, "the texture cannot be converted");
    }
    MipTexture texture{checked.value, width, height, {}, {}};
    if (kind == WadKind::Wad3) {
        texture.palette = ChooseTexturePalette(levels);
    }
    const auto finder =
        FinderAvoidingSeeThrough(kind == WadKind::Wad3 ? texture.palette : gamePalette,
                                 kind == WadKind::Wad3 || options.conversion.allowFullbrights);
    for (int level = 0; level < kMipLevels; ++level) {
        PaintHoles(levels.colour[level].get(), levels.seeThrough[level], finder);
        const Bitmap indexed = quake_palette::ConvertToPalette(levels.colour[level].get(), finder,
                                                               options.conversion.dither);
        if (!indexed) {
            return WadFailure(WadProblem::ConversionFailed, "the texture cannot be converted");
        }
        texture.mips[level] = TopDownIndices(indexed.get(), levels.seeThrough[level]);
    }
    return texture;
}

}  // namespace orrisbay::gameformats
