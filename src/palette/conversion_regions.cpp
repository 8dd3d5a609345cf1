#include "palette/conversion_regions.h"

#include <algorithm>
#include <string>

#include "imageio/freeimage_base.h"

namespace orrisbay::quake_palette {

bool RegionMap::Contains(PixelRegion region) const {
    return std::find(regions.begin(), regions.end(), region) != regions.end();
}

RegionIndices PictureIndices(int fullbrightCount, bool allowFullbrights, bool glowMask) {
    const int firstFullbright = 256 - std::clamp(fullbrightCount, 0, 256);
    RegionIndices indices;
    indices.ordinary =
        IndexSet::Range(0, allowFullbrights && !glowMask ? 255 : firstFullbright - 1);
    if (glowMask) {
        indices.glowing = IndexSet::Range(firstFullbright, 255);
    }
    return indices;
}

RegionIndices KeepForSeeThrough(RegionIndices indices, std::uint8_t index) {
    indices.ordinary = indices.ordinary.Without(index);
    indices.glowing = indices.glowing.Without(index);
    indices.seeThrough = index;
    return indices;
}

Result<RegionMap> GlowRegions(const FIBITMAP* glow, unsigned width, unsigned height) {
    const unsigned glowWidth = freeimage_base::Width(glow);
    const unsigned glowHeight = freeimage_base::Height(glow);
    if (glowWidth != width || glowHeight != height) {
        return Fail(ProblemKind::WrongUsage, "the glow mask is " + std::to_string(glowWidth) +
                                                 " x " + std::to_string(glowHeight) +
                                                 " but the texture is " + std::to_string(width) +
                                                 " x " + std::to_string(height));
    }
    const freeimage_base::Bitmap grey = freeimage_base::ConvertToGreyscale(glow);
    if (!grey) {
        return Fail(ProblemKind::Failed, "the glow mask cannot be read as grey");
    }
    RegionMap map(width, height);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* line = freeimage_base::ScanLine(grey.get(), y);
        for (unsigned x = 0; x < width; ++x) {
            map.Set(x, y, line[x] >= 128 ? PixelRegion::Glowing : PixelRegion::Ordinary);
        }
    }
    return map;
}

}  // namespace orrisbay::quake_palette
