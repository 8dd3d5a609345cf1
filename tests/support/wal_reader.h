#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orrisbay::testing {

// A .wal read from its layout alone: name[32], width, height, four offsets,
// the next frame's name[32], flags, contents, value; then the levels.
struct ReadWal {
    std::vector<std::uint32_t> numbers;  // from width to value, but the name
    std::string name, next;
    std::vector<std::vector<std::uint8_t>> mips{};
};

inline ReadWal ReadWalBytes(const std::vector<std::uint8_t>& b) {
    if (b.size() < 100) {
        ADD_FAILURE() << "a .wal of " << b.size() << " bytes";
        return {};
    }
    const auto u32 = [&b](std::size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
    };
    ReadWal wal{{}, std::string(&b[0], &b[31]).c_str(), std::string(&b[56], &b[87]).c_str()};
    for (const std::size_t at : {32, 36, 40, 44, 48, 52, 88, 92, 96}) {
        wal.numbers.push_back(u32(at));
    }
    for (int level = 0; level < 4; ++level) {
        const std::size_t at = u32(40 + 4 * level), size = (u32(32) >> level) * (u32(36) >> level);
        EXPECT_LE(at + size, b.size());
        wal.mips.emplace_back(b.begin() + at, b.begin() + at + size);
    }
    return wal;
}

}  // namespace orrisbay::testing
