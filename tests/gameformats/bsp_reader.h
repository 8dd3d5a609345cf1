#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A compiled map's parts read from the file layout alone, independent of the
// program's reader: the lumps' bytes and each texture's bytes, from its
// header to the end of its last level (and palette, in version 30).
namespace orrisbay::gameformats::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

struct MapParts {
    std::vector<Bytes> lumps;     // the 15 lumps
    std::vector<Bytes> textures;  // in the table's order; empty for a missing one
    std::vector<std::string> names;
    std::vector<std::size_t> offsets;  // in the texture lump
};

inline MapParts ReadMapParts(const Bytes& map) {
    MapParts parts;
    for (int i = 0; i < 15; ++i) {
        const auto begin = map.begin() + U32(map, 4 + 8 * i);
        parts.lumps.emplace_back(begin, begin + U32(map, 8 + 8 * i));
    }
    const Bytes& lump = parts.lumps[2];
    for (std::uint32_t i = 0; i < U32(lump, 0); ++i) {
        const auto at = static_cast<std::int32_t>(U32(lump, 4 + 4 * i));
        if (at < 0) {
            parts.textures.emplace_back();
            parts.names.emplace_back();
            parts.offsets.push_back(0);
            continue;
        }
        const std::uint32_t width = U32(lump, at + 16), height = U32(lump, at + 20);
        std::size_t end = at + 40;
        if (U32(lump, at + 24) != 0) {  // levels stored: the last one ends them
            end = at + U32(lump, at + 36) + (width / 8) * (height / 8);
            end += map[0] == 30 ? 2 + 3 * (lump[end] | lump[end + 1] << 8) : 0;
        }
        parts.textures.emplace_back(lump.begin() + at, lump.begin() + end);
        parts.names.emplace_back(reinterpret_cast<const char*>(&lump[at]));
        parts.offsets.push_back(static_cast<std::size_t>(at));
    }
    return parts;
}

// The same map with its texture lump moved to the front, right after the
// header, so that every other lump comes after it.
inline Bytes TexturesFirst(const Bytes& map) {
    Bytes out(map.begin(), map.begin() + 124);
    for (const int lump : {2, 0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}) {
        out.resize((out.size() + 3) / 4 * 4, 0);
        Put32(out, 4 + 8 * lump, static_cast<std::uint32_t>(out.size()));
        const auto begin = map.begin() + U32(map, 4 + 8 * lump);
        out.insert(out.end(), begin, begin + U32(map, 8 + 8 * lump));
    }
    return out;
}

}  // namespace orrisbay::gameformats::testing
