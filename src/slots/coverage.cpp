#include "slots/coverage.h"

#include "slots/parallel_for.h"
#include "slots/pixel_conversions.h"
#include "slots/rescale.h"

namespace orrisbay::slots {
namespace {

using freeimage_base::Bitmap;

// A mask at the common size and in 8-bit grey, made as the merge makes it.
Bitmap MaskAtSize(const FIBITMAP* mask, unsigned width, unsigned height) {
    Bitmap scaled = ResizeBitmap(mask, static_cast<int>(width), static_cast<int>(height),
                                 FILTER_BICUBIC, MachineThreads());
    if (!scaled || IsGreyscale8(scaled.get())) {
        return scaled;
    }
    return ToGreyscale8(scaled.get(), MachineThreads());
}

}  // namespace

Bitmap MergedCoverage(const FIBITMAP* mask1, const FIBITMAP* mask2, unsigned width,
                      unsigned height) {
    const Bitmap first = MaskAtSize(mask1, width, height);
    const Bitmap second = MaskAtSize(mask2, width, height);
    if (!first || !second) {
        return {};
    }
    // Every pixel is written below; the grey ramp comes with the greyscale copy.
    Bitmap coverage = freeimage_base::Clone(first.get());
    if (!coverage) {
        return coverage;
    }
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* a = freeimage_base::ScanLine(first.get(), y);
        const BYTE* b = freeimage_base::ScanLine(second.get(), y);
        BYTE* out = FreeImage_GetScanLine(coverage.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            const unsigned hidden = (255u - a[x]) * (255u - b[x]);
            out[x] = static_cast<BYTE>(255u - (hidden + 127u) / 255u);
        }
    }
    return coverage;
}

}  // namespace orrisbay::slots
