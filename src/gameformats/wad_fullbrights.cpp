#include "gameformats/wad_fullbrights.h"

#include "console/text.h"
#include "gameformats/wad_edit.h"

namespace orrisbay::gameformats {
namespace {

constexpr const char* kHalfLifeWad = "a Half-Life WAD3";

}  // namespace

Result<FullbrightCheck> CheckWadFullbrights(const std::string& path, int fullbrightCount) {
    Result<WadFile> wad = ReadWadFile(path);
    if (!wad) {
        return Forward<FullbrightCheck>(std::move(wad));
    }
    FullbrightCheck found;
    found.kind = wad->kind;
    if (wad->kind == WadKind::Wad3) {
        Result<FullbrightCheck> result(std::move(found));
        result.Warn(path + ": " + NoGlowIn(kHalfLifeWad) + ", so there is nothing to check");
        return result;
    }
    for (const WadLump& lump : wad->lumps) {
        const Result<MipTexture> texture = DecodeMipTexture(lump, wad->kind);
        if (texture) {  // not a palette, a picture or a compressed lump
            found.Add(*texture, fullbrightCount);
        }
    }
    return found;
}

Result<std::vector<GlowRemoved>> RemoveWadGlow(WadFile& wad, std::span<const std::string> names,
                                               const GlowRemovalRequest& request,
                                               const quake_palette::Palette& palette,
                                               int fullbrightCount) {
    if (wad.kind == WadKind::Wad3) {
        return Fail(ProblemKind::UnsupportedType, NoGlowIn(kHalfLifeWad));
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
        Result<GlowRemoved> done = RemoveTextureGlow(*texture, request, ordinary, fullbrightCount);
        if (!done) {
            return done.problem();
        }
        removed.push_back(std::move(done).value());
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
    if (AnyRemoved(*removed)) {
        if (Result<void> written = WriteWadFile(path, *wad); !written) {
            return Forward<std::vector<GlowRemoved>>(std::move(written));
        }
    }
    return removed;
}

}  // namespace orrisbay::gameformats
