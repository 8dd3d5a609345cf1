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

// Copies the rows of `band` (a bitmap of the band's size) into the same rows
// of `target`.
void PasteRows(FIBITMAP* band, FIBITMAP* target, RowBand rows) {
    const Bitmap view = RowsOf(target, rows);
    const unsigned bytes = FreeImage_GetLine(band);
    for (unsigned y = 0; y < FreeImage_GetHeight(band); ++y) {
        std::memcpy(FreeImage_GetScanLine(view.get(), static_cast<int>(y)),
                    FreeImage_GetScanLine(band, static_cast<int>(y)), bytes);
    }
}

bool SetAlpha(FIBITMAP* layer, FIBITMAP* mask, RowBand band) {
    const Bitmap layerRows = RowsOf(layer, band);
    const Bitmap maskRows = RowsOf(mask, band);
    return layerRows && maskRows &&
           FreeImage_SetChannel(layerRows.get(), maskRows.get(), FICC_ALPHA);
}

// `layer`'s rows of `band` composited over `background`, a bitmap of the
// band's size; empty when the library cannot make it.
Bitmap CompositeRows(FIBITMAP* layer, FIBITMAP* background, RowBand band) {
    const Bitmap layerRows = RowsOf(layer, band);
    if (!layerRows) {
        return {};
    }
    return Bitmap(FreeImage_Composite(layerRows.get(), FALSE, nullptr, background));
}

}  // namespace

unsigned BandRows(unsigned width, unsigned height, unsigned threads) {
    const unsigned bands = kBandsPerThread * std::max(1U, threads);
    const unsigned evenRows = std::max(1U, (height + bands - 1) / bands);
    return std::min(LargestBandRows(width), evenRows);
}

std::uint64_t BandWorkingBytes(unsigned width, unsigned height) {
    const unsigned rows = std::min(height, LargestBandRows(width));
    return 3 * std::uint64_t{rows} * ((std::uint64_t{width} * 3 + 3) / 4 * 4);
}

std::optional<MergeStep> MergeBand(const BandSources& sources, RowBand band) {
    const Bitmap canvas(FreeImage_Allocate(static_cast<int>(FreeImage_GetWidth(sources.result)),
                                           static_cast<int>(band.bottom - band.top), 24, 0, 0, 0));
    if (!canvas) {
        return MergeStep::Canvas;
    }
    if (!SetAlpha(sources.layer1, sources.mask1, band)) {
        return MergeStep::AlphaLayer1;
    }
    if (!SetAlpha(sources.layer2, sources.mask2, band)) {
        return MergeStep::AlphaLayer2;
    }
    const Bitmap first = CompositeRows(sources.layer1, canvas.get(), band);
    if (!first) {
        return MergeStep::CompositeLayer1;
    }
    const Bitmap merged = CompositeRows(sources.layer2, first.get(), band);
    if (!merged) {
        return MergeStep::CompositeLayer2;
    }
    PasteRows(merged.get(), sources.result, band);
    return std::nullopt;
}

}  // namespace orrisbay::slots
