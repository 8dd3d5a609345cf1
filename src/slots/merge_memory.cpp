#include "slots/merge_memory.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "imageio/freeimage_base.h"
#include "slots/band_composite.h"
#include "slots/merge_plan.h"
#include "slots/pixel_conversions.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace orrisbay::slots {

namespace {

std::uint64_t BitmapBytes(unsigned width, unsigned height, unsigned bpp) {
    return RowBytes(width, bpp) * height;
}

// A mask keeps its own depth through the rescale, and is at least one byte
// per pixel once it is greyscale.
unsigned MaskBpp(const FIBITMAP* mask) {
    return std::max(8U, freeimage_base::Bpp(mask));
}

// A layer read as it is needs a copy only when it is rescaled, at its own
// depth; any other has a 32-bit copy at its own size, rescaled unless it has
// the common size already.
std::uint64_t LayerScratch(const FIBITMAP* layer, unsigned width, unsigned height) {
    const unsigned ownWidth = freeimage_base::Width(layer);
    const unsigned ownHeight = freeimage_base::Height(layer);
    const bool sameSize = ownWidth == width && ownHeight == height;
    if (LayerReadAsItIs(layer)) {
        return sameSize ? 0 : BitmapBytes(width, height, freeimage_base::Bpp(layer));
    }
    return BitmapBytes(ownWidth, ownHeight, 32) + (sameSize ? 0 : BitmapBytes(width, height, 32));
}

// A mask's copy at the common size, if it needs one, and its greyscale copy,
// if it needs one.
std::uint64_t MaskScratch(const FIBITMAP* mask, unsigned width, unsigned height) {
    const std::uint64_t scaled =
        KeepsItsSize(mask, width, height) ? 0 : BitmapBytes(width, height, MaskBpp(mask));
    return scaled + (IsGreyscale8(mask) ? 0 : BitmapBytes(width, height, 8));
}

std::uint64_t HeightBlendScratch(const MergeInputs& inputs) {
    if (!inputs.heightBlend) {
        return 0;
    }
    std::uint64_t bytes = 0;
    for (const std::size_t which : {0U, 1U}) {
        const FIBITMAP* map = which == 0 ? inputs.height1 : inputs.height2;
        if (map != nullptr && !inputs.derived[4 + which]) {
            bytes += MaskScratch(map, inputs.width, inputs.height);
        }
    }
    if (!LayerReadAsItIs(inputs.layer1) || !LayerReadAsItIs(inputs.layer2)) {
        bytes += BitmapBytes(inputs.width, inputs.height, 8);
    }
    return bytes;
}

// "MemAvailable:  123456 kB" from /proc/meminfo.
std::optional<std::uint64_t> LinuxMemAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key;
        std::uint64_t kibibytes = 0;
        if (fields >> key >> kibibytes && key == "MemAvailable:") {
            return kibibytes * 1024;
        }
    }
    return std::nullopt;
}

}  // namespace

std::uint64_t RowBytes(unsigned width, unsigned bpp) {
    // Rows are padded to whole 32-bit words.
    return ((std::uint64_t{width} * bpp + 31) / 32) * 4;
}

std::uint64_t MergeMemoryNeed(const MergeInputs& inputs, unsigned threads) {
    const unsigned w = inputs.width;
    const unsigned h = inputs.height;
    const auto unless = [&](std::size_t input, std::uint64_t bytes) {
        return inputs.derived[input] ? 0 : bytes;
    };
    return unless(0, LayerScratch(inputs.layer1, w, h)) +
           unless(1, LayerScratch(inputs.layer2, w, h)) +
           unless(2, MaskScratch(inputs.mask1, w, h)) + unless(3, MaskScratch(inputs.mask2, w, h)) +
           HeightBlendScratch(inputs) + BitmapBytes(w, h, 24) +
           std::uint64_t{threads} * BandWorkingBytes(w, h);
}

std::optional<std::uint64_t> SystemAvailableMemory() {
    if (auto available = LinuxMemAvailable()) {
        return available;
    }
#if defined(_SC_AVPHYS_PAGES) && defined(_SC_PAGESIZE)
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
#endif
    return std::nullopt;
}

std::string ByteCountText(std::uint64_t bytes, bool roundUp) {
    constexpr std::array<const char*, 4> kUnits = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    for (value /= 1024.0; value >= 1024.0 && unit + 1 < kUnits.size(); value /= 1024.0) {
        ++unit;
    }
    const double tenths = roundUp ? std::ceil(value * 10.0) : std::floor(value * 10.0);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", tenths / 10.0, kUnits[unit]);
    return text;
}

std::string MemoryRefusalText(std::uint64_t need, std::uint64_t available, unsigned width,
                              unsigned height) {
    return "Merge stopped: it needs about " + ByteCountText(need, true) + " of memory for a " +
           std::to_string(width) + " x " + std::to_string(height) + " texture, but only " +
           ByteCountText(available, false) + " is available.";
}

}  // namespace orrisbay::slots
