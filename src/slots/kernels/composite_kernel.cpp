#include "slots/kernels/composite_kernel.h"

#include "slots/kernels/pixel_rows.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

constexpr std::size_t kBandBytes = std::size_t{1} << 20;

bool IsMask(const FIBITMAP* dib) {
    return freeimage_base::ImageType(dib) == FIT_BITMAP && freeimage_base::Bpp(dib) == 8 &&
           freeimage_base::ColorType(dib) == FIC_MINISBLACK;
}

}  // namespace

bool CompositeKernelTakesLayer(const FIBITMAP* layer) {
    const unsigned bpp = freeimage_base::Bpp(layer);
    return layer != nullptr && freeimage_base::ImageType(layer) == FIT_BITMAP &&
           freeimage_base::Bits(layer) != nullptr && (bpp == 24 || bpp == 32) &&
           !freeimage_base::HasCmykProfile(layer);
}

bool CompositeKernelHandles(const MaskedLayers& inputs) {
    for (const FIBITMAP* dib : {inputs.layer1, inputs.mask1, inputs.layer2, inputs.mask2}) {
        if (dib == nullptr || freeimage_base::Bits(dib) == nullptr ||
            freeimage_base::Width(dib) != freeimage_base::Width(inputs.layer1) ||
            freeimage_base::Height(dib) != freeimage_base::Height(inputs.layer1)) {
            return false;
        }
    }
    return CompositeKernelTakesLayer(inputs.layer1) && CompositeKernelTakesLayer(inputs.layer2) &&
           IsMask(inputs.mask1) && IsMask(inputs.mask2);
}

void CompositeMaskedRows(const MaskedLayers& inputs, FIBITMAP* result, RowRange rows) {
    const unsigned width = freeimage_base::Width(inputs.layer1);
    const unsigned layer1Bytes = freeimage_base::Bpp(inputs.layer1) / 8;
    const unsigned layer2Bytes = freeimage_base::Bpp(inputs.layer2) / 8;
    for (unsigned y = rows.first; y < rows.end; ++y) {
        using freeimage_base::ScanLine;
        simd::CompositeRow({ScanLine(inputs.layer1, y), layer1Bytes, ScanLine(inputs.mask1, y),
                            ScanLine(inputs.layer2, y), layer2Bytes, ScanLine(inputs.mask2, y)},
                           width, FreeImage_GetScanLine(result, static_cast<int>(y)));
    }
}

void CompositeMaskedLayersInto(const MaskedLayers& inputs, FIBITMAP* result, unsigned threads) {
    const unsigned width = freeimage_base::Width(inputs.layer1);
    const unsigned height = freeimage_base::Height(inputs.layer1);
    const unsigned rows = BandRows(height, std::size_t{width} * 4, threads, kBandBytes, 1);
    ForEachBand(height, rows, threads,
                [&](RowRange band) { CompositeMaskedRows(inputs, result, band); });
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
    CompositeMaskedLayersInto(inputs, result.get(), threads);
    return result;
}

}  // namespace orrisbay::slots
