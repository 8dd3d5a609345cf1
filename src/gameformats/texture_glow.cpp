#include "gameformats/texture_glow.h"

#include "console/text.h"
#include "gameformats/grid_fit.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

// One flag per pixel of a `width` x `height` texture, rows from the top: true
// where `mask`, made grey and brought to that size, is at least kKeepGlowLevel.
Result<std::vector<bool>> MaskKeeps(const FIBITMAP* mask, unsigned width, unsigned height) {
    const Result<Bitmap> grey = GreyMaskOfSize(mask, width, height);
    if (!grey) {
        return grey.problem();
    }
    std::vector<bool> keep(std::size_t{width} * height);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* row = freeimage_base::ScanLine(grey->get(), height - 1 - y);
        for (unsigned x = 0; x < width; ++x) {
            keep[std::size_t{y} * width + x] = row[x] >= kKeepGlowLevel;
        }
    }
    return keep;
}

// The full-size pixels of `texture` that keep their glow under `request`.
Result<std::vector<bool>> KeptGlow(const MipTexture& texture, const GlowRemovalRequest& request,
                                   const GlowingIndices& glows) {
    switch (request.removal) {
        case GlowRemoval::Specks:
            return ClusteredPixels(texture, glows);
        case GlowRemoval::OutsideMask:
            return MaskKeeps(request.mask, texture.width, texture.height);
        case GlowRemoval::All:
            break;
    }
    return std::vector<bool>(texture.mips[0].size(), false);
}

}  // namespace

void FullbrightCheck::Add(const MipTexture& texture, int fullbrightCount) {
    ++textures;
    if (FullbrightTally tally = CountFullbrights(texture, fullbrightCount); tally.Glows()) {
        glowing.push_back(std::move(tally));
    }
}

std::string NoGlowIn(const std::string& what) {
    return what + ": its textures carry their own colours, none of them drawn at full brightness";
}

bool AnyRemoved(std::span<const GlowRemoved> removed) {
    for (const GlowRemoved& texture : removed) {
        if (texture.Total() > 0) {
            return true;
        }
    }
    return false;
}

Result<GlowRemoved> RemoveTextureGlow(MipTexture& texture, const GlowRemovalRequest& request,
                                      const std::array<std::uint8_t, 256>& ordinary,
                                      int fullbrightCount) {
    const GlowingIndices glows = GlowingIndicesOf(texture, fullbrightCount);
    const Result<std::vector<bool>> keep = KeptGlow(texture, request, glows);
    if (!keep) {
        return Fail(keep.problem().kind,
                    "texture " + console::Quoted(texture.name) + ": " + keep.problem().message);
    }
    return GlowRemoved{texture.name, RemoveGlow(texture, *keep, glows, ordinary)};
}

}  // namespace orrisbay::gameformats
