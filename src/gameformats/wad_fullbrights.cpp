#include "gameformats/wad_fullbrights.h"

#include "console/text.h"
#include "gameformats/wad_edit.h"
#include "slots/parallel_for.h"
#include "slots/pixel_conversions.h"
#include "slots/rescale.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

// One flag per pixel of a `width` x `height` texture, rows from the top: true
// where `mask`, made grey and brought to that size, is at least kKeepGlowLevel.
Result<std::vector<bool>> MaskKeeps(const FIBITMAP* mask, unsigned width, unsigned height) {
    Bitmap scaled;
    if (freeimage_base::Width(mask) != width || freeimage_base::Height(mask) != height) {
        scaled = slots::ResizeBitmap(mask, static_cast<int>(width), static_cast<int>(height),
                                     FILTER_BICUBIC, slots::MachineThreads());
        mask = scaled.get();
    }
    Bitmap grey;
    if (mask != nullptr && !slots::IsGreyscale8(mask)) {
        grey = slots::ToGreyscale8(mask, slots::MachineThreads());
        mask = grey.get();
    }
    if (mask == nullptr) {
        return Fail(ProblemKind::Failed, "the mask could not be scaled to " +
                                             std::to_string(width) + " x " +
                                             std::to_string(height) + " or made grey");
    }
    std::vector<bool> keep(std::size_t{width} * height);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* row = freeimage_base::ScanLine(mask, height - 1 - y);
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

Problem NoQuakeTextures() {
    return Fail(ProblemKind::UnsupportedType,
                "it is a Half-Life WAD3, whose textures carry their own colours, none of them "
                "drawn at full brightness");
}

}  // namespace

Result<WadFullbrights> CheckWadFullbrights(const std::string& path, int fullbrightCount) {
    Result<WadFile> wad = ReadWadFile(path);
    if (!wad) {
        return Forward<WadFullbrights>(std::move(wad));
    }
    WadFullbrights found{wad->kind, 0, {}};
    if (wad->kind == WadKind::Wad3) {
        Result<WadFullbrights> result(std::move(found));
        result.Warn(path +
                    ": a Half-Life WAD3: its textures carry their own colours, none of them "
                    "drawn at full brightness, so there is nothing to check");
        return result;
    }
    for (const WadLump& lump : wad->lumps) {
        const Result<MipTexture> texture = DecodeMipTexture(lump, wad->kind);
        if (!texture) {
            continue;  // a palette, a picture or a compressed lump
        }
        ++found.textures;
        if (FullbrightTally tally = CountFullbrights(*texture, fullbrightCount); tally.Glows()) {
            found.glowing.push_back(std::move(tally));
        }
    }
    return found;
}

Result<std::vector<GlowRemoved>> RemoveWadGlow(WadFile& wad, std::span<const std::string> names,
                                               const GlowRemovalRequest& request,
                                               const quake_palette::Palette& palette,
                                               int fullbrightCount) {
    if (wad.kind == WadKind::Wad3) {
        return NoQuakeTextures();
    }
    const std::array<std::uint8_t, 256> ordinary = NearestOrdinaryColours(palette, fullbrightCount);
    // The textures are worked on a copy, so a failure leaves `wad` alone.
    WadFile edited = wad;
    std::vector<GlowRemoved> removed;
    for (const std::string& name : names) {
        if (const std::size_t count = CountLumps(edited, name); count > 1) {
            return Fail(ProblemKind::Damaged, std::to_string(count) + " lumps are named " +
                                                  console::Quoted(name) +
                                                  " (the WAD is damaged), so which one is "
                                                  "meant is unknown; nothing was changed");
        }
        Result<MipTexture> texture = FindTexture(edited, name);
        if (!texture) {
            return texture.problem();
        }
        const GlowingIndices glows = GlowingIndicesOf(*texture, fullbrightCount);
        const Result<std::vector<bool>> keep = KeptGlow(*texture, request, glows);
        if (!keep) {
            return Fail(keep.problem().kind, "texture " + console::Quoted(texture->name) + ": " +
                                                 keep.problem().message);
        }
        removed.push_back({texture->name, RemoveGlow(*texture, *keep, glows, ordinary)});
        StoreMipPixels(*texture, edited.lumps[*FindLump(edited, name)]);
    }
    wad = std::move(edited);
    return removed;
}

Result<std::vector<GlowRemoved>> RemoveGlowInWadFile(const std::string& path,
                                                     std::span<const std::string> names,
                                                     const GlowRemovalRequest& request,
                                                     const quake_palette::Palette& palette,
                                                     int fullbrightCount) {
    Result<WadFile> wad = ReadWadFile(path);
    if (!wad) {
        return Forward<std::vector<GlowRemoved>>(std::move(wad));
    }
    Result<std::vector<GlowRemoved>> removed =
        RemoveWadGlow(*wad, names, request, palette, fullbrightCount);
    if (!removed) {
        const Problem& problem = removed.problem();
        return Fail(problem.kind, path + ": " + problem.message, path);
    }
    bool changed = false;
    for (const GlowRemoved& texture : *removed) {
        changed = changed || texture.changed[0] + texture.InSmallerMips() > 0;
    }
    if (changed) {
        if (Result<void> written = WriteWadFile(path, *wad); !written) {
            return Forward<std::vector<GlowRemoved>>(std::move(written));
        }
    }
    return removed;
}

}  // namespace orrisbay::gameformats
