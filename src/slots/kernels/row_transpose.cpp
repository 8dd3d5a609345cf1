#include "slots/kernels/row_transpose.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace orrisbay::slots {

namespace {

static_assert(simd::kGroupRows == 8, "the block transpose works on 8 x 8 bytes");
static_assert(std::endian::native == std::endian::little, "byte j of a word is bits 8j to 8j+7");

using Block = std::uint64_t[8];

// Exchanges the bytes of `a` that `mask` selects after a shift right by
// `shift` bits with the bytes of `b` that it selects in place.
inline void SwapBytes(std::uint64_t& a, std::uint64_t& b, unsigned shift, std::uint64_t mask) {
    const std::uint64_t t = ((a >> shift) ^ b) & mask;
    a ^= t << shift;
    b ^= t;
}

// Transposes 8 x 8 bytes: afterwards byte r of word j is what byte j of word
// r was. 4 x 4 blocks first, then 2 x 2 blocks, then single bytes.
inline void Transpose(Block& m) {
    constexpr std::uint64_t k4 = 0x00000000FFFFFFFFULL;
    constexpr std::uint64_t k2 = 0x0000FFFF0000FFFFULL;
    constexpr std::uint64_t k1 = 0x00FF00FF00FF00FFULL;
    SwapBytes(m[0], m[4], 32, k4);
    SwapBytes(m[1], m[5], 32, k4);
    SwapBytes(m[2], m[6], 32, k4);
    SwapBytes(m[3], m[7], 32, k4);
    SwapBytes(m[0], m[2], 16, k2);
    SwapBytes(m[1], m[3], 16, k2);
    SwapBytes(m[4], m[6], 16, k2);
    SwapBytes(m[5], m[7], 16, k2);
    SwapBytes(m[0], m[1], 8, k1);
    SwapBytes(m[2], m[3], 8, k1);
    SwapBytes(m[4], m[5], 8, k1);
    SwapBytes(m[6], m[7], 8, k1);
}

}  // namespace

void TransposeRows(const BYTE* first, std::ptrdiff_t pitch, unsigned rows, std::size_t bytes,
                   BYTE* out) {
    std::size_t s = 0;
    for (; s + 8 <= bytes; s += 8) {
        Block block{};
        for (unsigned r = 0; r < rows; ++r) {
            std::memcpy(&block[r], first + r * pitch + s, 8);
        }
        Transpose(block);
        std::memcpy(out + s * 8, block, sizeof block);
    }
    for (; s < bytes; ++s) {
        for (unsigned r = 0; r < 8; ++r) {
            out[s * 8 + r] = r < rows ? first[r * pitch + s] : 0;
        }
    }
}

void UntransposeRows(const BYTE* in, std::size_t bytes, unsigned rows, BYTE* first,
                     std::ptrdiff_t pitch) {
    std::size_t s = 0;
    for (; s + 8 <= bytes; s += 8) {
        Block block;
        std::memcpy(block, in + s * 8, sizeof block);
        Transpose(block);
        for (unsigned r = 0; r < rows; ++r) {
            std::memcpy(first + r * pitch + s, &block[r], 8);
        }
    }
    for (; s < bytes; ++s) {
        for (unsigned r = 0; r < rows; ++r) {
            first[r * pitch + s] = in[s * 8 + r];
        }
    }
}

}  // namespace orrisbay::slots
