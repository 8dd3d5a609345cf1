#include "gameformats/glow_map.h"

#include <filesystem>

#include "gameformats/grid_fit.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {

std::string GlowMapPath(const std::string& outputPath) {
    std::filesystem::path path(outputPath);
    path.replace_filename(path.stem().string() + "_glow.png");
    return path.string();
}

freeimage_base::Bitmap MakeGlowMap(const FIBITMAP* colour, const FIBITMAP* glow) {
    freeimage_base::Bitmap map = freeimage_base::ConvertTo24Bits(colour);
    const unsigned width = freeimage_base::Width(map.get());
    const unsigned height = freeimage_base::Height(map.get());
    if (!map || freeimage_base::Width(glow) != width || freeimage_base::Height(glow) != height) {
        return {};
    }
    for (unsigned y = 0; y < height; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(map.get(), static_cast<int>(y));
        const BYTE* grey = freeimage_base::ScanLine(glow, y);
        for (unsigned x = 0; x < width; ++x, pixel += 3) {
            if (grey[x] < 128) {
                pixel[0] = pixel[1] = pixel[2] = 0;
            }
        }
    }
    return map;
}

Result<freeimage_base::Bitmap> ConvertWithGlowMask(const FIBITMAP* fullColour,
                                                   const quake_palette::Palette& palette,
                                                   const quake_palette::ConversionOptions& options,
                                                   const FIBITMAP* glow) {
    OutgoingTexture texture(fullColour, nullptr, glow);
    if (Result<void> fitted = FitGlowToTexture(texture); !fitted) {
        return fitted.problem();
    }
    return quake_palette::ConvertPicture(texture.colour, palette, options, texture.glow);
}

Result<void> WriteGlowMap(const FIBITMAP* colour, const FIBITMAP* glow, const std::string& path) {
    const freeimage_base::Bitmap map = MakeGlowMap(colour, glow);
    if (!map) {
        return Fail(ProblemKind::Failed, path + ": the glow map could not be made", path);
    }
    return imageio::SaveImageFile(map.get(), path);
}

}  // namespace orrisbay::gameformats
