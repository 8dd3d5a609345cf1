#include "slots/band_composite.h"

#include <algorithm>
#include <cstring>

#include "imageio/freeimage_base.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

constexpr unsigned kBandBytes = 1U << 20;
constexpr unsigned kBandsPerThread = 4;

unsigned LargestBandRows(unsigned width) {
    const std::uint64_t rowBytes = std::max<std::uint64_t>(1, std::uint64_t{width} * 3);
    return static_cast<unsigned>(std::max<std::uint64_t>(1, kBandBytes / rowBytes));
}

// A view on rows [top, bottom) of `dib`, sharing its pixels.
Bitmap RowsOf(FIBITMAP* dib, RowBand band) {
    return Bitmap(FreeImage_CreateView(dib, 0, band.top, FreeImage_GetWidth(dib), band.bottom));
}

// Copies the rows of `band` (a bitmap of the band's size) into the same
// rows of `target`.
void PasteRows(FIBITMAP* band, FIBITMAP* target, RowBand rows) {
    const Bitmap view = RowsOf(target, rows);
    const unsigned bytes = FreeImage_GetLine(band);
    for (unsigned y = 0; y < FreeImage_GetHeight(band); ++y) {
        std::memcpy(FreeImage_GetScanLine(view.get(), static_cast<int>(y)),
                    FreeImage_GetScanLine(band, static_cast<int>(y)), bytes);
    }
}

}  // namespace

unsigned BandRows(unsigned width, unsigned height, unsigned threads) {
    const unsigned bands = kBandsPerThread * std::max(1U, threads);
    const unsigned evenRows = std::max(1U, (height + bands - 1) / bands);
    return std::min(LargestBandRows(width), evenRows);
}

std::uint64_t BandWorkingBytes(unsigned width) {
    return 2 * std::uint64_t{LargestBandRows(width)} * ((std::uint64_t{width} * 3 + 3) / 4 * 4);
}

BandOutcome CompositeBand(FIBITMAP* layer1, FIBITMAP* layer2, FIBITMAP* canvas, FIBITMAP* first,
                          FIBITMAP* result, RowBand band) {
    const Bitmap layer1Rows = RowsOf(layer1, band);
    const Bitmap canvasRows = RowsOf(canvas, band);
    const Bitmap firstRows(layer1Rows && canvasRows ? FreeImage_Composite(layer1Rows.get(), FALSE,
                                                                          nullptr, canvasRows.get())
                                                    : nullptr);
    if (!firstRows) {
        return BandOutcome::FirstCompositeFailed;
    }
    PasteRows(firstRows.get(), first, band);

    const Bitmap layer2Rows = RowsOf(layer2, band);
    const Bitmap resultRows(
        layer2Rows ? FreeImage_Composite(layer2Rows.get(), FALSE, nullptr, firstRows.get())
                   : nullptr);
    if (!resultRows) {
        return BandOutcome::SecondCompositeFailed;
    }
    PasteRows(resultRows.get(), result, band);
    return BandOutcome::Done;
}

}  // namespace orrisbay::slots
