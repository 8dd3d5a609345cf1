#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/result.h"
#include "gameformats/mip_texture.h"
#include "gameformats/wad_file.h"

namespace orrisbay::gameformats {

// The kinds of compiled map whose textures live in the map file itself.
enum class BspVersion {
    Quake29,     // Quake: version 29
    Bsp2,        // Quake maps past version 29's limits: "BSP2"
    Bsp2Rmq,     // the older form of BSP2: "2PSB"
    HalfLife30,  // Half-Life: version 30, each texture with its own palette
};

// The kind of WAD whose textures a map of `version` holds: Quake's maps hold
// WAD2 textures (in the game's palette), Half-Life's WAD3 textures.
WadKind TextureKindOf(BspVersion version);

// The directory of a map: 15 lumps, each a run of bytes in the file.
inline constexpr std::size_t kBspLumpCount = 15;
inline constexpr std::size_t kBspTextureLump = 2;
inline constexpr std::size_t kBspHeaderSize = 4 + 8 * kBspLumpCount;

struct BspLump {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// Where a texture the map names is kept.
enum class BspTextureStorage {
    InMap,    // its levels (and palette) are in the map
    InWad,    // the map holds only its name and size: the game reads it from a WAD
    Missing,  // the compiler found no texture for the faces that use this entry
};

// One entry of the map's texture table.
struct BspTexture {
    std::string name;  // empty when missing
    unsigned width = 0;
    unsigned height = 0;
    BspTextureStorage storage = BspTextureStorage::Missing;
    std::size_t offset = 0;  // of its header in the file
    std::size_t size = 0;    // header, levels and palette, as far as they reach
};

// A compiled map whose directory and texture table were found sound: the
// file's bytes as read, so every lump nobody edits is written back unchanged.
struct BspFile {
    BspVersion version = BspVersion::Quake29;
    std::array<BspLump, kBspLumpCount> lumps{};
    std::vector<BspTexture> textures;  // in the table's order
    std::vector<std::uint8_t> bytes;
};

// Reads a map from its bytes. Every lump must lie inside the file, after the
// header and apart from the others; the texture table's count must fit its
// lump, and each texture's header, levels and palette must lie inside the
// lump, apart from the others, with a terminated name. A map that breaks any
// of these is refused with a message that starts with `fileName` and names
// the fault.
Result<BspFile> ParseBsp(std::span<const std::uint8_t> bytes, const std::string& fileName);

// Reads and parses the map at `path`.
Result<BspFile> ReadBspFile(const std::string& path);

// Writes the map's bytes to a new file beside `path` and renames it into
// place (a link followed, the permissions kept), so a failure leaves the
// old map as it was. A failure is CannotWrite, "PATH: reason".
Result<void> WriteBspFile(const std::string& path, const BspFile& map);

// The first texture the map names `name`, matched without regard to case
// (a stored one before one kept in a WAD); null when there is none.
const BspTexture* FindBspTexture(const BspFile& map, std::string_view name);

// The levels and palette of a texture stored in the map.
MipTexture DecodeBspTexture(const BspFile& map, const BspTexture& texture);

}  // namespace orrisbay::gameformats
