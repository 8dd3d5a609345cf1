#include "slots/kernels/composite_kernel.h"

#include "slots/kernels/pixel_rows.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

constexpr std::size_t kBandBytes = std::size_t{1} << 20;

bool IsLayer(const FIBITMAP* dib) {
    return freeimage_base::ImageType(dib) == FIT_BITMAP && freeimage_base::Bpp(dib) == 32 &&
           !freeimage_base::HasCmykProfile(dib);
}

bool IsMask(const FIBITMAP* dib) {
    return freeimage_base::ImageType(dib) == FIT_BITMAP && freeimage_base::Bpp(dib) == 8 &&
           freeimage_base::ColorType(dib) == FIC_MINISBLACK;
}

}  // namespace

bool CompositeKernelHandles(const MaskedLayers& inputs) {
    for (const FIBITMAP* dib : {inputs.layer1, inputs.mask1, inputs.layer2, inputs.mask2}) {
        if (dib == nullptr || freeimage_base::Bits(dib) == nullptr ||
            freeimage_base::Width(dib) != freeimage_base::Width(inputs.layer1) ||
            freeimage_base::Height(dib) != freeimage_base::Height(inputs.layer1)) {
            return false;
        }
    }
    return IsLayer(inputs.layer1) && IsLayer(inputs.layer2) && IsMask(inputs.mask1) &&
           IsMask(inputs.mask2);
}

void CompositeMaskedRows(const MaskedLayers& inputs, FIBITMAP* result, RowRange rows) {
    const unsigned width = freeimage_base::Width(inputs.layer1);
    for (unsigned y = rows.first; y < rows.end; ++y) {
        simd::CompositeRow(
            freeimage_base::ScanLine(inputs.layer1, y), freeimage_base::ScanLine(inputs.mask1, y),
            freeimage_base::ScanLine(inputs.layer2, y), freeimage_base::ScanLine(inputs.mask2, y),
            width, FreeImage_GetScanLine(result, static_cast<int>(y)));
    }
}

Bitmap CompositeMaskedLayers(const MaskedLayers& inputs, unsigned threads) {
    if (!CompositeKernelHandles(inputs)) {
        return {};
    }
    const unsigned width = freeimage_base::Width(inputs.layer1);
    const unsigned height = freeimage_base::Height(inputs.layer1);
    Bitmap result(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24,
                                     FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
    if (!result) {
        return {};
    }
    FIBITMAP* target = result.get();
    const unsigned rows = BandRows(height, std::size_t{width} * 4, threads, kBandBytes, 1);
    ForEachBand(height, rows, threads,
                [&](RowRange band) { CompositeMaskedRows(inputs, target, band); });
    return result;
}

}  // namespace orrisbay::slots
