#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orrisbay::slots {

// What one merge has to work with: the four inputs, the common size, and
// when height blending, the height maps it has.
struct MergeInputs {
    const FIBITMAP* layer1;
    const FIBITMAP* layer2;
    const FIBITMAP* mask1;
    const FIBITMAP* mask2;
    unsigned width;
    unsigned height;
    bool heightBlend = false;
    const FIBITMAP* height1 = nullptr;
    const FIBITMAP* height2 = nullptr;
    // Inputs (slots 0..3, then the height maps) whose pictures at the common
    // size the table holds from the merge before: nothing new is made for them.
    std::array<bool, 6> derived{};
};

// Bytes the merge's own bitmaps take at their largest on `threads` threads:
// the 32-bit copy of each layer the composite cannot read as it is; each
// layer and mask rescaled to the common size, unless it has that size
// already; each mask's greyscale copy, unless it is 8-bit greyscale; the
// 24-bit result; and each thread's working rows. Height blending adds the
// height maps' copies, as for masks, and a whole new mask 2 where a layer may
// go through the library's composite. The pictures kept from the merge before
// are in use already, so the system no longer counts them as available; they
// are not counted again.
std::uint64_t MergeMemoryNeed(const MergeInputs& inputs, unsigned threads);

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
