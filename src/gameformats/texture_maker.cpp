#include "gameformats/texture_maker.h"

#include <optional>

#include "gameformats/linear_mips.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_palette.h"
#include "gameformats/texture_rules.h"
#include "slots/parallel_for.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

std::string SizeText(const FIBITMAP* bitmap) {
    return std::to_string(freeimage_base::Width(bitmap)) + " x " +
           std::to_string(freeimage_base::Height(bitmap));
}

// The mask as 8-bit grey, checked against the texture's size.
Result<Bitmap> GreyMask(const FIBITMAP* mask, const FIBITMAP* texture, const std::string& what) {
    if (freeimage_base::Width(mask) != freeimage_base::Width(texture) ||
        freeimage_base::Height(mask) != freeimage_base::Height(texture)) {
        return Fail(ProblemKind::Failed, "the " + what + " is " + SizeText(mask) +
                                             " but the texture is " + SizeText(texture));
    }
    Bitmap grey = freeimage_base::ConvertToGreyscale(mask);
    if (!grey) {
        return Fail(ProblemKind::ConversionFailed, "the " + what + " cannot be read");
    }
    return grey;
}

// The indices a texture's pixels may take: every colour of a WAD3's own
// palette (with `glow`, the glowing pixels 224 to 255 and the others the
// rest), the game palette's as the options and the glow mask say in a WAD2;
// 255 only for see-through pixels, except in a glowing WAD3 texture, which
// has none.
quake_palette::RegionIndices WadIndices(WadKind kind, const TextureOptions& options, bool glow,
                                        const quake_palette::Palette& gamePalette) {
    if (kind == WadKind::Wad3 && glow) {
        return quake_palette::PictureIndices(256 - static_cast<int>(kFirstGlowingEntry), false,
                                             true);
    }
    const quake_palette::RegionIndices indices =
        kind == WadKind::Wad3
            ? quake_palette::PictureIndices(0, true, false)
            : quake_palette::PictureIndices(gamePalette.fullbrightCount,
                                            options.conversion.allowFullbrights, glow);
    return quake_palette::KeepForSeeThrough(indices, kSeeThroughIndex);
}

// The regions of one level from its see-through and glowing flags (either
// may be empty); none when neither marks a pixel.
std::optional<quake_palette::RegionMap> LevelRegions(const FIBITMAP* level,
                                                     const std::vector<bool>& holes,
                                                     const std::vector<bool>& glowing) {
    if (holes.empty() && glowing.empty()) {
        return std::nullopt;
    }
    using quake_palette::PixelRegion;
    quake_palette::RegionMap map(freeimage_base::Width(level), freeimage_base::Height(level));
    for (std::size_t i = 0; i < map.regions.size(); ++i) {
        map.regions[i] = !holes.empty() && holes[i]       ? PixelRegion::SeeThrough
                         : !glowing.empty() && glowing[i] ? PixelRegion::Glowing
                                                          : PixelRegion::Ordinary;
    }
    return map;
}

// The indices of an 8-bit bitmap, top row first as the game stores them.
std::vector<std::uint8_t> TopDownIndices(const FIBITMAP* indexed) {
    const unsigned width = freeimage_base::Width(indexed);
    const unsigned height = freeimage_base::Height(indexed);
    std::vector<std::uint8_t> indices;
    indices.reserve(std::size_t{width} * height);
    for (unsigned row = 0; row < height; ++row) {
        const BYTE* line = freeimage_base::ScanLine(indexed, height - 1 - row);
        indices.insert(indices.end(), line, line + width);
    }
    return indices;
}

Problem ConversionProblem(const Problem& problem) {
    return Problem{
        ProblemKind::ConversionFailed, "the texture cannot be converted: " + problem.message, {}};
}

}  // namespace

Result<MipTexture> MakeMipTexture(const FIBITMAP* fullColour, const FIBITMAP* mask,
                                  std::string_view name, WadKind kind,
                                  const TextureOptions& options,
                                  const quake_palette::Palette& gamePalette) {
    if (fullColour == nullptr) {
        return Fail(ProblemKind::Failed, "there is no texture to convert");
    }
    const unsigned width = freeimage_base::Width(fullColour);
    const unsigned height = freeimage_base::Height(fullColour);
    if (!IsWadTextureSize(width, height)) {
        return Fail(
            ProblemKind::NotOnGrid,
            TextureSizeMessage(static_cast<int>(width), static_cast<int>(height), GameName(kind)));
    }
    const Result<std::string> checked = CheckTextureName(name, kind);
    if (!checked) {
        return checked.problem();
    }
    Bitmap grey;
    if (mask != nullptr && IsSeeThroughName(*checked)) {
        Result<Bitmap> made = GreyMask(mask, fullColour, "see-through mask");
        if (!made) {
            return made.problem();
        }
        grey = std::move(*made);
    }
    std::array<std::vector<bool>, kMipLevels> glowing;
    const bool glow =
        options.glow != nullptr && (kind == WadKind::Wad2 || IsGlowingPaletteName(checked.value()));
    if (glow) {
        const Result<Bitmap> glowGrey = GreyMask(options.glow, fullColour, "glow mask");
        if (!glowGrey) {
            return glowGrey.problem();
        }
        glowing = MaskLevels(glowGrey->get(), 128);
    }
    const unsigned threads = options.threads != 0 ? options.threads : slots::MachineThreads();
    LinearLevels levels =
        MakeLinearLevels(fullColour, grey.get(), options.seeThroughThreshold, threads);
    if (!levels.colour[0]) {
        return Fail(ProblemKind::ConversionFailed, "the texture cannot be converted");
    }
    MipTexture texture{checked.value(), width, height, {}, {}};
    if (kind == WadKind::Wad3) {
        texture.palette =
            glow ? ChooseGlowingTexturePalette(levels, glowing) : ChooseTexturePalette(levels);
    }
    const quake_palette::PaletteConverter converter(
        kind == WadKind::Wad3 ? texture.palette : gamePalette,
        WadIndices(kind, options, glow, gamePalette), options.conversion.metric);
    const quake_palette::Dithering dithering = options.conversion.EffectiveDithering();
    // The levels apart from one another, several at once: the first, three
    // quarters of the pixels, beside the other three.
    std::array<std::optional<Problem>, kMipLevels> failed;
    slots::ParallelFor(threads, kMipLevels, [&](std::size_t level) {
        const FIBITMAP* colour = levels.colour[level].get();
        const auto regions = LevelRegions(colour, levels.seeThrough[level], glowing[level]);
        const Result<Bitmap> indexed =
            converter.Convert(colour, regions ? &*regions : nullptr, dithering);
        if (indexed) {
            texture.mips[level] = TopDownIndices(indexed->get());
        } else {
            failed[level] = ConversionProblem(indexed.problem());
        }
    });
    for (const std::optional<Problem>& problem : failed) {
        if (problem) {
            return *problem;
        }
    }
    return texture;
}

}  // namespace orrisbay::gameformats
