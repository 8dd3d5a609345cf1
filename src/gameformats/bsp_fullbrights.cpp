#include "gameformats/bsp_fullbrights.h"

#include "console/text.h"
#include "gameformats/bsp_edit.h"
#include "gameformats/texture_names.h"

namespace orrisbay::gameformats {
namespace {

constexpr const char* kHalfLifeMap = "a Half-Life map";

// Remaps the glow of every entry that stores `name` (a damaged map may hold
// two); the counts are their sum.
Result<GlowRemoved> RemoveEntriesGlow(BspFile& map, const std::string& name,
                                      const GlowRemovalRequest& request,
                                      const std::array<std::uint8_t, 256>& ordinary,
                                      int fullbrightCount, const std::string& mapName) {
    const BspTexture& first = *FindBspTexture(map, name);
    GlowRemoved total{first.name, {}};
    for (const BspTexture& entry : map.textures) {
        if (entry.storage != BspTextureStorage::InMap || !SameLumpName(entry.name, name)) {
            continue;
        }
        MipTexture texture = DecodeBspTexture(map, entry);
        const Result<GlowRemoved> removed =
            RemoveTextureGlow(texture, request, ordinary, fullbrightCount);
        if (!removed) {
            return Fail(removed.problem().kind, mapName + ": " + removed.problem().message,
                        mapName);
        }
        for (int level = 0; level < kMipLevels; ++level) {
            total.changed[level] += removed->changed[level];
        }
        // The same size and kind: only the levels' bytes are written.
        if (!OverwriteMipTexture(std::span(map.bytes).subspan(entry.offset, entry.size), texture,
                                 TextureKindOf(map.version))) {
            return Fail(ProblemKind::Damaged,
                        mapName + ": texture " + console::Quoted(entry.name) +
                            " could not be written back where it lies; nothing was changed",
                        mapName);
        }
    }
    return total;
}

}  // namespace

Result<FullbrightCheck> CheckBspFullbrights(const std::string& path, int fullbrightCount) {
    Result<BspFile> map = ReadBspFile(path);
    if (!map) {
        return Forward<FullbrightCheck>(std::move(map));
    }
    FullbrightCheck found;
    found.kind = TextureKindOf(map->version);
    if (found.kind == WadKind::Wad3) {
        Result<FullbrightCheck> result(std::move(found));
        result.Warn(path + ": " + NoGlowIn(kHalfLifeMap) + ", so there is nothing to check");
        return result;
    }
    for (const BspTexture& texture : map->textures) {
        if (texture.storage == BspTextureStorage::InMap) {
            found.Add(DecodeBspTexture(*map, texture), fullbrightCount);
        } else if (texture.storage == BspTextureStorage::InWad) {
            ++found.elsewhere;
        }
    }
    return found;
}

Result<std::vector<GlowRemoved>> RemoveBspGlow(BspFile& map, std::span<const std::string> names,
                                               const GlowRemovalRequest& request,
                                               const quake_palette::Palette& palette,
                                               int fullbrightCount, const std::string& mapName) {
    if (TextureKindOf(map.version) == WadKind::Wad3) {
        return Fail(ProblemKind::UnsupportedType, mapName + ": " + NoGlowIn(kHalfLifeMap), mapName);
    }
    const std::array<std::uint8_t, 256> ordinary = NearestOrdinaryColours(palette, fullbrightCount);
    // The textures are worked on a copy, so a failure leaves `map` alone.
    BspFile edited = map;
    std::vector<GlowRemoved> removed;
    for (const std::string& name : names) {
        if (const Result<MipTexture> stored =
                StoredBspTexture(edited, name, mapName, "defullbright its WAD instead");
            !stored) {
            return stored.problem();
        }
        Result<GlowRemoved> done =
            RemoveEntriesGlow(edited, name, request, ordinary, fullbrightCount, mapName);
        if (!done) {
            return done.problem();
        }
        removed.push_back(std::move(done).value());
    }
    // A map read whole can still be laid out strangely (levels over a header,
    // say); one that would not read back is never handed on.
    if (const Result<BspFile> again = ParseBsp(edited.bytes, mapName); !again) {
        return Fail(
            ProblemKind::Damaged,
            mapName + ": the glow cannot be removed from this map: " + again.problem().message,
            mapName);
    }
    map = std::move(edited);
    return removed;
}

Result<std::vector<GlowRemoved>> RemoveGlowInBspFile(const std::string& path,
                                                     std::span<const std::string> names,
                                                     const GlowRemovalRequest& request,
                                                     const quake_palette::Palette& palette,
                                                     int fullbrightCount) {
    Result<BspFile> map = ReadBspFile(path);
    if (!map) {
        return Forward<std::vector<GlowRemoved>>(std::move(map));
    }
    Result<std::vector<GlowRemoved>> removed =
        RemoveBspGlow(*map, names, request, palette, fullbrightCount, path);
    if (removed && AnyRemoved(*removed)) {
        if (Result<void> written = WriteBspFile(path, *map); !written) {
            return Forward<std::vector<GlowRemoved>>(std::move(written));
        }
    }
    return removed;
}

}  // namespace orrisbay::gameformats
