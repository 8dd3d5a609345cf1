#include "gameformats/bsp_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "console/text.h"
#include "gameformats/mip_texture.h"
#include "gameformats/texture_names.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {
namespace {

namespace fs = std::filesystem;
using console::Quoted;

// Every offset and length in a map is a signed 32-bit number.
constexpr std::uint64_t kLargestMap = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kTextureHeaderSize = 40;  // name, width, height, four level offsets
constexpr std::size_t kNameSize = 16;

constexpr std::array<std::string_view, kBspLumpCount> kLumpNames = {
    "entities", "planes",       "textures", "vertexes",  "visibility",
    "nodes",    "texinfo",      "faces",    "lighting",  "clipnodes",
    "leafs",    "marksurfaces", "edges",    "surfedges", "models"};

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

std::string LumpName(std::size_t index) {
    return "lump " + std::to_string(index) + " (" + std::string(kLumpNames[index]) + ")";
}

Problem Damaged(const std::string& fileName, const std::string& fault) {
    return Fail(ProblemKind::Damaged, fileName + ": the map is damaged: " + fault, fileName);
}

// The version the first four bytes name, or why they name none we read.
Result<BspVersion> VersionOf(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    const std::string magic(bytes.begin(), bytes.begin() + std::min<std::size_t>(4, bytes.size()));
    if (magic == "BSP2") {
        return BspVersion::Bsp2;
    }
    if (magic == "2PSB") {
        return BspVersion::Bsp2Rmq;
    }
    if (bytes.size() >= 4 && ReadU32(bytes, 0) == 29) {
        return BspVersion::Quake29;
    }
    if (bytes.size() >= 4 && ReadU32(bytes, 0) == 30) {
        return BspVersion::HalfLife30;
    }
    return Fail(ProblemKind::UnsupportedType,
                fileName + ": not a compiled Quake or Half-Life map (BSP version 29, BSP2 or 30)",
                fileName);
}

// What is wrong with the lump directory, or empty when nothing is.
std::string DirectoryFault(const std::array<BspLump, kBspLumpCount>& lumps, std::size_t fileSize) {
    std::vector<std::size_t> used;
    for (std::size_t i = 0; i < kBspLumpCount; ++i) {
        const BspLump& lump = lumps[i];
        if (lump.offset > kLargestMap || lump.length > kLargestMap ||
            std::uint64_t{lump.offset} + lump.length > fileSize) {
            return LumpName(i) + " runs past the end of the file";
        }
        if (lump.length > 0 && lump.offset < kBspHeaderSize) {
            return LumpName(i) + " overlaps the file header";
        }
        if (lump.length > 0) {
            used.push_back(i);
        }
    }
    std::sort(used.begin(), used.end(),
              [&](std::size_t a, std::size_t b) { return lumps[a].offset < lumps[b].offset; });
    for (std::size_t i = 1; i < used.size(); ++i) {
        const BspLump& before = lumps[used[i - 1]];
        if (before.offset + before.length > lumps[used[i]].offset) {
            return LumpName(used[i - 1]) + " and " + LumpName(used[i]) + " overlap";
        }
    }
    return {};
}

// Entry `entry` of the texture table that begins `table` (the texture lump),
// or why it cannot be one. Positions are taken from the lump's start.
Result<BspTexture> ReadTextureEntry(std::span<const std::uint8_t> table, std::size_t entry,
                                    std::size_t tableEnd, WadKind kind) {
    const std::string which = "texture " + std::to_string(entry);
    const auto at = static_cast<std::int32_t>(ReadU32(table, 4 + 4 * entry));
    if (at == -1) {
        return BspTexture{};
    }
    if (at < 0 || static_cast<std::size_t>(at) < tableEnd ||
        static_cast<std::uint64_t>(at) + kTextureHeaderSize > table.size()) {
        return Fail(ProblemKind::Damaged, which + " lies outside the texture lump");
    }
    const auto data = table.subspan(static_cast<std::size_t>(at));
    const auto name = data.first(kNameSize);
    if (std::find(name.begin(), name.end(), 0) == name.end()) {
        return Fail(ProblemKind::Damaged, which + " has a name without an end");
    }
    BspTexture texture{std::string(reinterpret_cast<const char*>(name.data())),
                       ReadU32(data, kNameSize),
                       ReadU32(data, kNameSize + 4),
                       BspTextureStorage::InWad,
                       static_cast<std::size_t>(at),
                       kTextureHeaderSize};
    bool levelsStored = false;
    for (std::size_t level = 0; level < kMipLevels; ++level) {
        levelsStored |= ReadU32(data, kNameSize + 8 + 4 * level) != 0;
    }
    if (!levelsStored) {
        return texture;
    }
    if (std::string fault = MipTextureProblem(data, kind); !fault.empty()) {
        return Fail(ProblemKind::Damaged, "texture " + Quoted(texture.name) + ": " + fault);
    }
    texture.storage = BspTextureStorage::InMap;
    texture.size = MipTextureSize(data, kind);
    return texture;
}

// Two textures sharing bytes: replacing one would change the other.
std::string TextureOverlapFault(std::vector<BspTexture> textures) {
    std::erase_if(textures,
                  [](const BspTexture& t) { return t.storage == BspTextureStorage::Missing; });
    std::sort(textures.begin(), textures.end(),
              [](const BspTexture& a, const BspTexture& b) { return a.offset < b.offset; });
    for (std::size_t i = 1; i < textures.size(); ++i) {
        if (textures[i - 1].offset + textures[i - 1].size > textures[i].offset) {
            return "textures " + Quoted(textures[i - 1].name) + " and " + Quoted(textures[i].name) +
                   " overlap";
        }
    }
    return {};
}

// The texture table in `lump`, positions made the file's.
Result<std::vector<BspTexture>> ReadTextureTable(std::span<const std::uint8_t> lump,
                                                 std::size_t lumpOffset, WadKind kind) {
    std::vector<BspTexture> textures;
    if (lump.empty()) {
        return textures;
    }
    if (lump.size() < 4) {
        return Fail(ProblemKind::Damaged, "its texture lump is too short to hold a count");
    }
    const auto count = static_cast<std::int32_t>(ReadU32(lump, 0));
    if (count < 0 || 4 + 4 * static_cast<std::uint64_t>(count) > lump.size()) {
        return Fail(ProblemKind::Damaged, "it claims " + std::to_string(count) +
                                              " textures, more than its texture lump of " +
                                              std::to_string(lump.size()) + " bytes can hold");
    }
    const std::size_t tableEnd = 4 + 4 * static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        Result<BspTexture> texture = ReadTextureEntry(lump, i, tableEnd, kind);
        if (!texture) {
            return texture.problem();
        }
        if (texture->storage != BspTextureStorage::Missing) {
            texture->offset += lumpOffset;
        }
        textures.push_back(std::move(texture).value());
    }
    if (std::string fault = TextureOverlapFault(textures); !fault.empty()) {
        return Fail(ProblemKind::Damaged, fault);
    }
    return textures;
}

// The size of the file at `path`, or why it cannot be a map to read.
Result<std::uint64_t> MapFileSize(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return Fail(ProblemKind::Missing, path + ": no such file", path);
    }
    if (fs::is_directory(status)) {
        return Fail(ProblemKind::Unreadable, path + ": is a folder, not a map", path);
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    if (size > kLargestMap) {
        return Fail(ProblemKind::TooLarge, path + ": larger than a map can be", path);
    }
    return std::uint64_t{size};
}

}  // namespace

WadKind TextureKindOf(BspVersion version) {
    return version == BspVersion::HalfLife30 ? WadKind::Wad3 : WadKind::Wad2;
}

Result<BspFile> ParseBsp(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    Result<BspVersion> version = VersionOf(bytes, fileName);
    if (!version) {
        return version.problem();
    }
    if (bytes.size() < kBspHeaderSize) {
        return Damaged(fileName, "it ends inside its header");
    }
    BspFile map;
    map.version = *version;
    for (std::size_t i = 0; i < kBspLumpCount; ++i) {
        map.lumps[i] = {ReadU32(bytes, 4 + 8 * i), ReadU32(bytes, 8 + 8 * i)};
    }
    if (std::string fault = DirectoryFault(map.lumps, bytes.size()); !fault.empty()) {
        return Damaged(fileName, fault);
    }
    const BspLump& lump = map.lumps[kBspTextureLump];
    Result<std::vector<BspTexture>> textures = ReadTextureTable(
        bytes.subspan(lump.offset, lump.length), lump.offset, TextureKindOf(map.version));
    if (!textures) {
        return Damaged(fileName, textures.problem().message);
    }
    map.textures = std::move(textures).value();
    map.bytes.assign(bytes.begin(), bytes.end());
    return map;
}

Result<BspFile> ReadBspFile(const std::string& path) {
    const Result<std::uint64_t> size = MapFileSize(path);
    if (!size) {
        return size.problem();
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(*size);
    if (!in.read(reinterpret_cast<char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()))) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    return ParseBsp(bytes, path);
}

Result<void> WriteBspFile(const std::string& path, const BspFile& map) {
    if (path.find('\0') != std::string::npos) {
        return Fail(ProblemKind::CannotWrite, "invalid file name");
    }
    return imageio::WriteAtomically(map.bytes.data(), map.bytes.size(), fs::path(path));
}

const BspTexture* FindBspTexture(const BspFile& map, std::string_view name) {
    const BspTexture* found = nullptr;
    for (const BspTexture& texture : map.textures) {
        if (texture.storage == BspTextureStorage::Missing || !SameLumpName(texture.name, name)) {
            continue;
        }
        if (texture.storage == BspTextureStorage::InMap) {
            return &texture;
        }
        found = found == nullptr ? &texture : found;
    }
    return found;
}

MipTexture DecodeBspTexture(const BspFile& map, const BspTexture& texture) {
    return DecodeCheckedMipTexture(std::span(map.bytes).subspan(texture.offset, texture.size),
                                   TextureKindOf(map.version));
}

}  // namespace orrisbay::gameformats
