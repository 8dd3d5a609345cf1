#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace orrisbay::gameformats::testing {

// A WAD2 and WAD3 reader written from the file layout alone, independent of
// the writer: it checks every offset against the file's length as it goes.
struct ReadLump {
    std::uint32_t position = 0, diskSize = 0, memorySize = 0;
    std::uint8_t type = 0, compression = 0, pad1 = 0, pad2 = 0;
    std::string directoryName;      // up to the first NUL
    std::string rawDirectoryName;   // all 16 bytes
    std::vector<std::uint8_t> raw;  // the lump's bytes
    // The texture inside a texture lump (type 0x44 in WAD2, 0x43 in WAD3).
    std::string textureName;
    std::uint32_t width = 0, height = 0;
    std::uint32_t offsets[4] = {};
    std::vector<std::vector<std::uint8_t>> mips;
    std::vector<std::uint8_t> palette;  // WAD3: red, green, blue for each colour
};

struct ReadWad {
    std::string magic;
    std::uint32_t count = 0, directoryOffset = 0;
    std::vector<ReadLump> lumps;
};

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Wad2Reader {
  public:
    explicit Wad2Reader(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::optional<ReadWad> Read() {
        ReadWad wad;
        if (bytes_.size() < 12) {
            return std::nullopt;
        }
        wad.magic.assign(bytes_.begin(), bytes_.begin() + 4);
        wad.count = U32(4);
        wad.directoryOffset = U32(8);
        if (std::uint64_t{wad.directoryOffset} + 32ull * wad.count != bytes_.size()) {
            return std::nullopt;  // the directory ends the file
        }
        for (std::uint32_t i = 0; i < wad.count; ++i) {
            const std::size_t at = wad.directoryOffset + 32u * i;
            ReadLump lump;
            lump.position = U32(at);
            lump.diskSize = U32(at + 4);
            lump.memorySize = U32(at + 8);
            lump.type = bytes_[at + 12];
            lump.compression = bytes_[at + 13];
            lump.pad1 = bytes_[at + 14];
            lump.pad2 = bytes_[at + 15];
            lump.rawDirectoryName.assign(bytes_.begin() + at + 16, bytes_.begin() + at + 32);
            lump.directoryName = lump.rawDirectoryName.c_str();
            if (std::uint64_t{lump.position} + lump.diskSize > wad.directoryOffset) {
                return std::nullopt;
            }
            const auto begin = bytes_.begin() + lump.position;
            lump.raw.assign(begin, begin + lump.diskSize);
            const std::uint8_t textureType = wad.magic == "WAD3" ? 0x43 : 0x44;
            if (lump.type == textureType && !ReadTexture(lump, wad.magic == "WAD3")) {
                return std::nullopt;
            }
            wad.lumps.push_back(std::move(lump));
        }
        return wad;
    }

  private:
    bool ReadTexture(ReadLump& lump, bool withPalette) {
        const std::size_t at = lump.position;
        if (lump.diskSize < 40) {
            return false;
        }
        lump.textureName = std::string(bytes_.begin() + at, bytes_.begin() + at + 16).c_str();
        lump.width = U32(at + 16);
        lump.height = U32(at + 20);
        for (int level = 0; level < 4; ++level) {
            lump.offsets[level] = U32(at + 24 + 4 * level);
            const std::uint64_t size = std::uint64_t{lump.width >> level} * (lump.height >> level);
            if (lump.offsets[level] + size > lump.diskSize) {
                return false;
            }
            const auto begin =
                bytes_.begin() + static_cast<std::ptrdiff_t>(at + lump.offsets[level]);
            lump.mips.emplace_back(begin, begin + static_cast<std::ptrdiff_t>(size));
        }
        // WAD3: a 16-bit colour count and the colours follow the last level.
        const std::size_t end = lump.offsets[3] + lump.mips[3].size();
        if (withPalette) {
            if (end + 2 > lump.diskSize || end + 2 + 3u * U16(at + end) > lump.diskSize) {
                return false;
            }
            const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(at + end + 2);
            lump.palette.assign(begin, begin + 3 * U16(at + end));
        }
        return true;
    }

    std::uint32_t U16(std::size_t at) const {
        return bytes_[at] | std::uint32_t{bytes_[at + 1]} << 8;
    }
    std::uint32_t U32(std::size_t at) const {
        return std::uint32_t{bytes_[at]} | std::uint32_t{bytes_[at + 1]} << 8 |
               std::uint32_t{bytes_[at + 2]} << 16 | std::uint32_t{bytes_[at + 3]} << 24;
    }

    std::vector<std::uint8_t> bytes_;
};

}  // namespace orrisbay::gameformats::testing
