#include "slots/kernels/grey_kernel.h"

#include "slots/kernels/pixel_rows.h"
#include "slots/kernels/row_bands.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

constexpr std::size_t kBandBytes = std::size_t{1} << 20;

}  // namespace

bool GreyKernelHandles(const FIBITMAP* source) {
    if (source == nullptr || freeimage_base::ImageType(source) != FIT_BITMAP ||
        freeimage_base::Bits(source) == nullptr) {
        return false;
    }
    const unsigned bpp = freeimage_base::Bpp(source);
    return bpp == 24 || bpp == 32;
}

Bitmap ConvertToGrey8(const FIBITMAP* source, unsigned threads) {
    if (!GreyKernelHandles(source)) {
        return {};
    }
    const unsigned width = freeimage_base::Width(source);
    const unsigned height = freeimage_base::Height(source);
    Bitmap grey(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 8));
    if (!grey) {
        return {};
    }
    const unsigned bytesPerPixel = freeimage_base::Bpp(source) / 8;
    FIBITMAP* target = grey.get();
    const unsigned rows =
        BandRows(height, std::size_t{width} * bytesPerPixel, threads, kBandBytes, 1);
    ForEachBand(height, rows, threads, [&](RowRange band) {
        for (unsigned y = band.first; y < band.end; ++y) {
            simd::GreyRow(freeimage_base::ScanLine(source, y), bytesPerPixel, width,
                          FreeImage_GetScanLine(target, static_cast<int>(y)));
        }
    });
    freeimage_base::CopyMetadata(target, source);
    return grey;
}

}  // namespace orrisbay::slots
