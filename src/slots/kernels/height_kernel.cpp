#include "slots/kernels/height_kernel.h"

#include <vector>

#include "slots/kernels/height_rows.h"
#include "slots/kernels/pixel_rows.h"
#include "slots/kernels/row_bands.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

constexpr std::size_t kBandBytes = std::size_t{1} << 20;

bool IsGrey8(const FIBITMAP* dib) {
    return freeimage_base::ImageType(dib) == FIT_BITMAP && freeimage_base::Bpp(dib) == 8 &&
           freeimage_base::ColorType(dib) == FIC_MINISBLACK;
}

bool IsColourLayer(const FIBITMAP* dib) {
    const unsigned bpp = freeimage_base::Bpp(dib);
    return freeimage_base::ImageType(dib) == FIT_BITMAP && (bpp == 24 || bpp == 32);
}

bool SameSizeWithPixels(const FIBITMAP* dib, const FIBITMAP* like) {
    return dib != nullptr && freeimage_base::Bits(dib) != nullptr &&
           freeimage_base::Width(dib) == freeimage_base::Width(like) &&
           freeimage_base::Height(dib) == freeimage_base::Height(like);
}

// Row `y` of a layer's height source: its height map, or its colours.
void HeightSourceRow(const FIBITMAP* layer, const FIBITMAP* map, unsigned y, const BYTE*& row,
                     unsigned& bytes) {
    const FIBITMAP* source = map != nullptr ? map : layer;
    row = freeimage_base::ScanLine(source, y);
    bytes = freeimage_base::Bpp(source) / 8;
}

void HeightMaskRows(const MaskedLayers& inputs, const HeightMaps& maps, const HeightBlend& blend,
                    unsigned y, BYTE* mask) {
    simd::HeightRowSources row{};
    HeightSourceRow(inputs.layer1, maps.height1, y, row.height1, row.height1Bytes);
    HeightSourceRow(inputs.layer2, maps.height2, y, row.height2, row.height2Bytes);
    row.mask2 = freeimage_base::ScanLine(inputs.mask2, y);
    simd::HeightMaskRow(row, blend, freeimage_base::Width(inputs.layer1), mask);
}

unsigned HeightBandRows(const MaskedLayers& inputs, unsigned threads) {
    const unsigned width = freeimage_base::Width(inputs.layer1);
    return BandRows(freeimage_base::Height(inputs.layer1), std::size_t{width} * 4, threads,
                    kBandBytes, 1);
}

}  // namespace

bool HeightKernelReads(const MaskedLayers& inputs, const HeightMaps& maps) {
    const FIBITMAP* like = inputs.layer1;
    for (const FIBITMAP* dib : {inputs.layer1, inputs.layer2, inputs.mask2}) {
        if (!SameSizeWithPixels(dib, like)) {
            return false;
        }
    }
    for (const FIBITMAP* map : {maps.height1, maps.height2}) {
        if (map != nullptr && !(SameSizeWithPixels(map, like) && IsGrey8(map))) {
            return false;
        }
    }
    return IsColourLayer(inputs.layer1) && IsColourLayer(inputs.layer2) && IsGrey8(inputs.mask2);
}

Bitmap HeightBlendedMask(const MaskedLayers& inputs, const HeightMaps& maps,
                         const HeightBlend& blend, unsigned threads) {
    if (!HeightKernelReads(inputs, maps) || !IsUsable(blend)) {
        return {};
    }
    const unsigned width = freeimage_base::Width(inputs.layer1);
    const unsigned height = freeimage_base::Height(inputs.layer1);
    Bitmap mask(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 8));
    if (!mask) {
        return {};
    }
    FIBITMAP* target = mask.get();
    const bool made =
        ForEachBand(height, HeightBandRows(inputs, threads), threads, [&](RowRange band) {
            for (unsigned y = band.first; y < band.end; ++y) {
                HeightMaskRows(inputs, maps, blend, y,
                               FreeImage_GetScanLine(target, static_cast<int>(y)));
            }
        });
    return made ? std::move(mask) : Bitmap();
}

bool CompositeHeightBlendedInto(const MaskedLayers& inputs, const HeightMaps& maps,
                                const HeightBlend& blend, FIBITMAP* result, unsigned threads) {
    const unsigned width = freeimage_base::Width(inputs.layer1);
    const unsigned height = freeimage_base::Height(inputs.layer1);
    const unsigned layer1Bytes = freeimage_base::Bpp(inputs.layer1) / 8;
    const unsigned layer2Bytes = freeimage_base::Bpp(inputs.layer2) / 8;
    return ForEachBand(height, HeightBandRows(inputs, threads), threads, [&](RowRange band) {
        std::vector<BYTE> mask2(width);
        for (unsigned y = band.first; y < band.end; ++y) {
            using freeimage_base::ScanLine;
            HeightMaskRows(inputs, maps, blend, y, mask2.data());
            simd::CompositeRow({ScanLine(inputs.layer1, y), layer1Bytes, ScanLine(inputs.mask1, y),
                                ScanLine(inputs.layer2, y), layer2Bytes, mask2.data()},
                               width, FreeImage_GetScanLine(result, static_cast<int>(y)));
        }
    });
}

}  // namespace orrisbay::slots
