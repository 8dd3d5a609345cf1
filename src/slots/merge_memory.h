#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orrisbay::slots {

// What one merge has to work with: the four inputs, the common size and how
// much extra memory the concurrent composite keeps per thread.
struct MergeInputs {
    const FIBITMAP* layer1;
    const FIBITMAP* layer2;
    const FIBITMAP* mask1;
    const FIBITMAP* mask2;
    unsigned width;
    unsigned height;
};

// Bytes the merge's own bitmaps take at their largest: the two 32-bit layer
// copies at their own size; the two 32-bit layers and the two masks at the
// common size; the canvas, the first composite and the 24-bit result; plus
// `bandBytes` of working memory for the banded composite.
std::uint64_t MergeMemoryNeed(const MergeInputs& inputs, std::uint64_t bandBytes);

// Bytes of one row of a bitmap `width` pixels wide at `bpp` bits, padded as
// the image library pads its rows.
std::uint64_t RowBytes(unsigned width, unsigned bpp);

// Memory the system can still hand out without swapping, in bytes; empty when
// the system does not say.
std::optional<std::uint64_t> SystemAvailableMemory();

// "3.1 GiB", "12.0 MiB", "512 bytes": a byte count for a message. `roundUp`
// rounds the last digit up instead of down, so a need is never understated
// and an amount available never overstated.
std::string ByteCountText(std::uint64_t bytes, bool roundUp);

// The refusal for a merge that needs `need` bytes when `available` are free.
std::string MemoryRefusalText(std::uint64_t need, std::uint64_t available, unsigned width,
                              unsigned height);

}  // namespace orrisbay::slots
