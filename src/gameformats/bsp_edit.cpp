#include "gameformats/bsp_edit.h"

#include <algorithm>
#include <limits>

#include "console/text.h"
#include "gameformats/texture_names.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {
namespace {

using console::Quoted;

constexpr std::size_t kNameSize = 16;
constexpr std::int64_t kLargestMap = std::numeric_limits<std::int32_t>::max();

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

void WriteU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::size_t AlignTo4(std::size_t position) {
    return (position + 3) / 4 * 4;
}

std::string SizeText(unsigned width, unsigned height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// The bytes a stored texture takes in its lump: its own, and the padding
// after them up to a multiple of 4, the next texture or the lump's end.
std::size_t TextureSpan(const BspFile& map, const BspTexture& texture) {
    const BspLump& lump = map.lumps[kBspTextureLump];
    std::size_t next = lump.offset + std::size_t{lump.length};
    for (const BspTexture& other : map.textures) {
        if (other.storage != BspTextureStorage::Missing && other.offset > texture.offset) {
            next = std::min(next, other.offset);
        }
    }
    return std::min(AlignTo4(texture.offset + texture.size), next) - texture.offset;
}

// Moves what lies after the end of the old texture (`end`) by `delta` bytes:
// the later textures' entries in the table, the texture lump's length and
// the lumps after it.
void MoveLaterParts(const BspFile& map, std::size_t end, std::int64_t delta,
                    std::vector<std::uint8_t>& bytes) {
    const BspLump& textures = map.lumps[kBspTextureLump];
    const std::size_t count = ReadU32(bytes, textures.offset);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = textures.offset + 4 + 4 * i;
        const auto offset = static_cast<std::int32_t>(ReadU32(bytes, at));
        if (offset != -1 && textures.offset + static_cast<std::size_t>(offset) >= end) {
            WriteU32(bytes, at, static_cast<std::uint32_t>(offset + delta));
        }
    }
    const std::size_t lumpEnd = textures.offset + std::size_t{textures.length};
    for (std::size_t i = 0; i < kBspLumpCount; ++i) {
        BspLump lump = map.lumps[i];
        if (i == kBspTextureLump) {
            lump.length = static_cast<std::uint32_t>(lump.length + delta);
        } else if (lump.offset >= lumpEnd) {
            lump.offset = static_cast<std::uint32_t>(lump.offset + delta);
        } else if (lump.offset > textures.offset) {
            lump.offset = textures.offset;  // an empty lump pointing inside the textures
        }
        WriteU32(bytes, 4 + 8 * i, lump.offset);
        WriteU32(bytes, 8 + 8 * i, lump.length);
    }
}

// The map with `texture` laid out anew as `encoded` (a texture lump's bytes,
// whose name field gets the map's own), everything after it moved by a
// multiple of 4 bytes so every later part keeps its alignment.
Result<BspFile> LaidOutAgain(const BspFile& map, const BspTexture& texture,
                             std::vector<std::uint8_t> encoded, const std::string& mapName) {
    const std::size_t span = TextureSpan(map, texture);
    std::copy_n(map.bytes.begin() + static_cast<std::ptrdiff_t>(texture.offset), kNameSize,
                encoded.begin());
    encoded.resize(encoded.size() + (span - encoded.size()) % 4, 0);  // the same remainder
    const std::int64_t delta =
        static_cast<std::int64_t>(encoded.size()) - static_cast<std::int64_t>(span);
    if (static_cast<std::int64_t>(map.bytes.size()) + delta > kLargestMap) {
        return Fail(ProblemKind::CannotWrite, mapName + ": the map would pass 2 GiB", mapName);
    }
    const auto start = map.bytes.begin() + static_cast<std::ptrdiff_t>(texture.offset);
    std::vector<std::uint8_t> bytes(map.bytes.begin(), start);
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    bytes.insert(bytes.end(), start + static_cast<std::ptrdiff_t>(span), map.bytes.end());
    MoveLaterParts(map, texture.offset + span, delta, bytes);
    Result<BspFile> again = ParseBsp(bytes, mapName);
    if (!again) {
        return Fail(
            ProblemKind::Failed,
            mapName + ": the map could not be laid out again (" + again.problem().message + ")",
            mapName);
    }
    return again;
}

bool SameLevels(const MipTexture& a, const MipTexture& b, WadKind kind) {
    return a.width == b.width && a.height == b.height && a.mips == b.mips &&
           (kind == WadKind::Wad2 || a.palette == b.palette);
}

// The positions in the table of every texture stored under `name`.
std::vector<std::size_t> StoredEntries(const BspFile& map, std::string_view name) {
    std::vector<std::size_t> entries;
    for (std::size_t i = 0; i < map.textures.size(); ++i) {
        if (map.textures[i].storage == BspTextureStorage::InMap &&
            SameLumpName(map.textures[i].name, name)) {
            entries.push_back(i);
        }
    }
    return entries;
}

// Puts `texture` into entry `entry`: in place when its layout takes it,
// otherwise laid out anew.
Result<void> ReplaceEntry(BspFile& map, std::size_t entry, const MipTexture& texture,
                          const std::string& mapName) {
    const BspTexture& stored = map.textures[entry];
    const WadKind kind = TextureKindOf(map.version);
    if (OverwriteMipTexture(std::span(map.bytes).subspan(stored.offset, stored.size), texture,
                            kind)) {
        return {};
    }
    Result<BspFile> again =
        LaidOutAgain(map, stored, EncodeMipTexture(texture, kind).data, mapName);
    if (!again) {
        return again.problem();
    }
    map = std::move(again).value();
    return {};
}

}  // namespace

Result<MipTexture> StoredBspTexture(const BspFile& map, std::string_view name,
                                    const std::string& mapName, std::string_view advice) {
    const BspTexture* found = FindBspTexture(map, name);
    if (found == nullptr) {
        return Fail(ProblemKind::NotFound,
                    mapName + ": the map has no texture named " + Quoted(name), mapName);
    }
    if (found->storage != BspTextureStorage::InMap) {
        return Fail(ProblemKind::NotFound,
                    mapName + ": " + Quoted(found->name) +
                        " is not stored in the map: " + std::string(advice),
                    mapName);
    }
    return DecodeBspTexture(map, *found);
}

Result<void> CheckResize(const BspTexture& stored, unsigned width, unsigned height,
                         bool allowResize, const std::string& mapName) {
    if ((stored.width == width && stored.height == height) || allowResize) {
        return {};
    }
    return Fail(ProblemKind::WrongUsage,
                mapName + ": " + Quoted(stored.name) + " is " +
                    SizeText(stored.width, stored.height) + " in the map, the new one " +
                    SizeText(width, height) +
                    ": the map's texture coordinates were laid out for the old size",
                mapName);
}

Result<BspTextureChange> ReplaceBspTexture(BspFile& map, std::string_view asked,
                                           const MipTexture& texture, bool allowResize,
                                           const std::string& mapName) {
    const std::string name(asked);  // `asked` may be a name inside the map, which is laid out anew
    Result<MipTexture> old = StoredBspTexture(map, name, mapName, kUpdateTheWad);
    if (!old) {
        return old.problem();
    }
    const BspTexture& first = *FindBspTexture(map, name);
    BspTextureChange change{first.name,    first.width,    first.height,
                            texture.width, texture.height, false};
    if (Result<void> fits = CheckResize(first, texture.width, texture.height, allowResize, mapName);
        !fits) {
        return fits.problem();
    }
    // A map read whole can still be laid out strangely (two entries sharing a
    // texture's bytes, say); what the replacement makes is read back, and a
    // map that would not read is never handed on: the caller's stays as it was.
    BspFile before = map;
    for (const std::size_t entry : StoredEntries(map, name)) {
        if (SameLevels(DecodeBspTexture(map, map.textures[entry]), texture,
                       TextureKindOf(map.version))) {
            continue;
        }
        if (Result<void> replaced = ReplaceEntry(map, entry, texture, mapName); !replaced) {
            map = std::move(before);
            return replaced.problem();
        }
        change.changed = true;
    }
    if (change.changed) {
        if (Result<BspFile> again = ParseBsp(map.bytes, mapName); !again) {
            map = std::move(before);
            return Fail(
                ProblemKind::Damaged,
                mapName + ": the texture cannot be put into this map: " + again.problem().message,
                mapName);
        }
    }
    return change;
}

Result<std::vector<WadTextureOutcome>> ReplaceFromWad(BspFile& map, const WadFile& wad,
                                                      bool allowResize, const std::string& mapName,
                                                      const std::string& wadName) {
    const WadKind kind = TextureKindOf(map.version);
    if (wad.kind != kind) {
        return Fail(ProblemKind::UnsupportedType,
                    wadName + ": a " +
                        (wad.kind == WadKind::Wad3 ? "Half-Life WAD3" : "Quake WAD2") +
                        " file, but " + mapName + " takes " +
                        (kind == WadKind::Wad3 ? "Half-Life WAD3" : "Quake WAD2") + " textures",
                    wadName);
    }
    std::vector<WadTextureOutcome> outcomes;
    for (const WadLump& lump : wad.lumps) {
        if (!IsTextureLump(lump, kind) || FindBspTexture(map, lump.name) == nullptr) {
            continue;
        }
        Result<MipTexture> texture = DecodeMipTexture(lump, kind);
        if (!texture) {
            outcomes.push_back(
                {lump.name, Fail(ProblemKind::Damaged, wadName + ": " + ReasonOf(texture.problem()),
                                 wadName)});
            continue;
        }
        outcomes.push_back(
            {lump.name, ReplaceBspTexture(map, lump.name, *texture, allowResize, mapName)});
    }
    return outcomes;
}

Result<void> ExtractBspTexture(const BspFile& map, std::string_view name,
                               const quake_palette::Palette& gamePalette,
                               const std::string& picturePath, const std::string& mapName) {
    const Result<MipTexture> texture =
        StoredBspTexture(map, name, mapName, "extract it from its WAD instead");
    if (!texture) {
        return texture.problem();
    }
    const freeimage_base::Bitmap picture =
        MipTextureBitmap(*texture, TextureKindOf(map.version), gamePalette);
    if (!picture) {
        return Fail(ProblemKind::TooLarge,
                    mapName + ": " + Quoted(texture->name) + " is too large to extract", mapName);
    }
    return imageio::SaveImageFile(picture.get(), picturePath);
}

}  // namespace orrisbay::gameformats
