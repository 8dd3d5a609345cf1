#include "palette/palette_conversion.h"

#include <algorithm>
#include <vector>

#include "palette/dither_kernels.h"
#include "palette/finder_cache.h"

namespace orrisbay::quake_palette {
namespace {

using freeimage_base::Bitmap;

// A texture's 24-bit copy and the empty 8-bit result of its size, whose
// colour table is the palette.
struct Canvas {
    Bitmap rgb, indexed;
};

Result<Canvas> MakeCanvas(const FIBITMAP* texture, const Palette& palette) {
    if (texture == nullptr || freeimage_base::ImageType(texture) != FIT_BITMAP) {
        return Fail(ProblemKind::Failed, "the texture cannot be read as RGB");
    }
    Canvas canvas{freeimage_base::ConvertTo24Bits(texture), Bitmap()};
    if (!canvas.rgb) {
        return Fail(ProblemKind::Failed, "the texture cannot be read as RGB");
    }
    canvas.indexed =
        Bitmap(FreeImage_Allocate(static_cast<int>(freeimage_base::Width(texture)),
                                  static_cast<int>(freeimage_base::Height(texture)), 8));
    if (!canvas.indexed) {
        return Fail(ProblemKind::OutOfMemory, "there is too little memory to convert the texture");
    }
    RGBQUAD* table = FreeImage_GetPalette(canvas.indexed.get());
    for (std::size_t i = 0; i < palette.size(); ++i) {
        table[i].rgbRed = static_cast<BYTE>(palette[i]);
        table[i].rgbGreen = static_cast<BYTE>(palette[i] >> 8);
        table[i].rgbBlue = static_cast<BYTE>(palette[i] >> 16);
        table[i].rgbReserved = 0;
    }
    return canvas;
}

void Run(const ConversionJob& job, const Dithering& dithering) {
    switch (dithering.mode) {
        case DitherMode::None:
            ConvertPlain(job);
            break;
        case DitherMode::FloydSteinberg:
            ConvertFloydSteinberg(job);
            break;
        case DitherMode::Diffusion:
            ConvertWrappedDiffusion(job, dithering.Strength());
            break;
        case DitherMode::Ordered:
            ConvertOrdered(job, dithering.Strength());
            break;
    }
}

Problem NoColoursFor(std::string_view pixels) {
    std::string message = "the palette has no colours the ";
    message += pixels;
    message += " pixels may take";
    return Fail(ProblemKind::Failed, message);
}

}  // namespace

PaletteConverter::PaletteConverter(const Palette& palette, const RegionIndices& indices,
                                   ColourMetric metric)
    : palette_(palette), indices_(indices) {
    if (!indices.ordinary.Empty()) {
        ordinary_ = SharedFinder(palette, indices.ordinary, metric);
    }
    if (!indices.glowing.Empty()) {
        glowing_ = SharedFinder(palette, indices.glowing, metric);
    }
}

Result<Bitmap> PaletteConverter::Convert(const FIBITMAP* texture, const RegionMap* regions,
                                         const Dithering& dithering) const {
    if (texture == nullptr) {
        return Fail(ProblemKind::Failed, "there is no texture to convert");
    }
    if (regions && (regions->width != freeimage_base::Width(texture) ||
                    regions->height != freeimage_base::Height(texture))) {
        return Fail(ProblemKind::WrongUsage, "the texture's regions are not of its size");
    }
    if (!ordinary_ && (!regions || regions->Contains(PixelRegion::Ordinary))) {
        return NoColoursFor("ordinary");
    }
    if (!glowing_ && regions && regions->Contains(PixelRegion::Glowing)) {
        return NoColoursFor("glowing");
    }
    Result<Canvas> canvas = MakeCanvas(texture, palette_);
    if (!canvas) {
        return canvas.problem();
    }
    const ConversionJob job{canvas->rgb.get(), canvas->indexed.get(), regions,  ordinary_.get(),
                            glowing_.get(),    indices_.seeThrough,   &palette_};
    Run(job, dithering);
    return std::move(canvas->indexed);
}

Result<Bitmap> ConvertPicture(const FIBITMAP* texture, const Palette& palette,
                              const ConversionOptions& options, const FIBITMAP* glow) {
    if (texture == nullptr) {
        return Fail(ProblemKind::Failed, "there is no texture to convert");
    }
    std::optional<RegionMap> regions;
    if (glow) {
        Result<RegionMap> glowing =
            GlowRegions(glow, freeimage_base::Width(texture), freeimage_base::Height(texture));
        if (!glowing) {
            return glowing.problem();
        }
        regions = std::move(glowing.value());
    }
    const PaletteConverter converter(
        palette, PictureIndices(palette.fullbrightCount, options.allowFullbrights, glow != nullptr),
        options.metric);
    return converter.Convert(texture, regions ? &*regions : nullptr, options.EffectiveDithering());
}

Bitmap ConvertToQuakePalette(const FIBITMAP* texture, const Palette& palette,
                             ConversionOptions options) {
    Result<Bitmap> converted = ConvertPicture(texture, palette, options);
    return converted ? std::move(converted.value()) : Bitmap();
}

Bitmap ConvertToPalette(const FIBITMAP* texture, const NearestColourFinder& finder, bool dither) {
    Result<Canvas> canvas = MakeCanvas(texture, finder.Colours());
    if (!canvas) {
        return Bitmap();
    }
    ConversionJob job;
    job.rgb = canvas->rgb.get();
    job.indexed = canvas->indexed.get();
    job.ordinary = &finder;
    job.palette = &finder.Colours();
    Run(job, dither ? Dithering{DitherMode::FloydSteinberg, {}} : Dithering{});
    return std::move(canvas->indexed);
}

}  // namespace orrisbay::quake_palette
