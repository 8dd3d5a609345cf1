// The library's bicubic rescale, pass for pass: the horizontal pass first when
// the width shrinks or stays, else the vertical one; a side that keeps its
// length skips its pass. Each band of output rows runs both passes through a
// small buffer of its own, so no full-size intermediate bitmap is made.
// Vertical sums run across the bytes of a row, horizontal ones across eight
// rows at a time, so every vector lane is one output sample.

#include "slots/kernels/exact_rescale.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "slots/kernels/filter_taps.h"
#include "slots/kernels/rescale_rows.h"
#include "slots/kernels/row_bands.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

constexpr unsigned kGroupRows = simd::kGroupRows;
// About what one band's output rows should take, so that its intermediate
// rows stay in the processor's caches.
constexpr std::size_t kBandBytes = std::size_t{1} << 19;

enum class GreyRamp { kNone, kRising, kFalling };

// The library filters the indices of an 8-bit grey image itself; a falling
// ramp (white at 0) gives a result with a falling palette.
GreyRamp PaletteRamp(const FIBITMAP* dib) {
    if (freeimage_base::ColorsUsed(dib) != 256) {
        return GreyRamp::kNone;
    }
    const RGBQUAD* palette = freeimage_base::Palette(dib);
    bool rising = true;
    bool falling = true;
    for (unsigned i = 0; i < 256; ++i) {
        const RGBQUAD& entry = palette[i];
        if (entry.rgbRed != entry.rgbGreen || entry.rgbRed != entry.rgbBlue) {
            return GreyRamp::kNone;
        }
        rising = rising && entry.rgbBlue == i;
        falling = falling && entry.rgbBlue == 255 - i;
    }
    return rising ? GreyRamp::kRising : falling ? GreyRamp::kFalling : GreyRamp::kNone;
}

// Rows of bytes: the first at `bits`, each next one `pitch` further.
struct InputRows {
    const BYTE* bits;
    std::ptrdiff_t pitch;

    const BYTE* Row(unsigned y) const { return bits + y * pitch; }
};

struct Rows {
    BYTE* bits;
    std::ptrdiff_t pitch;

    BYTE* Row(unsigned y) const { return bits + y * pitch; }
    operator InputRows() const { return {bits, pitch}; }
};

class Rescale {
  public:
    Rescale(const FIBITMAP* source, FIBITMAP* target)
        : sourceWidth_(freeimage_base::Width(source)),
          sourceHeight_(freeimage_base::Height(source)),
          width_(FreeImage_GetWidth(target)),
          height_(FreeImage_GetHeight(target)),
          channels_(freeimage_base::Bpp(source) / 8),
          source_{freeimage_base::Bits(source),
                  static_cast<std::ptrdiff_t>(freeimage_base::Pitch(source))},
          target_{FreeImage_GetBits(target),
                  static_cast<std::ptrdiff_t>(FreeImage_GetPitch(target))} {
        if (width_ != sourceWidth_) {
            horizontal_.emplace(width_, sourceWidth_);
        }
        if (height_ != sourceHeight_) {
            vertical_.emplace(height_, sourceHeight_);
        }
    }

    unsigned BandRows(unsigned threads) const {
        return slots::BandRows(height_, std::size_t{width_} * channels_, threads, kBandBytes,
                               kGroupRows);
    }

    void Band(RowRange rows) const {
        if (!horizontal_) {
            AcrossRows(source_, 0, width_, rows, Rows{target_.Row(rows.first), target_.pitch});
            return;
        }
        Transposed buffers = TransposedBuffers();
        if (!vertical_) {
            AlongRows(InputRows{source_.Row(rows.first), source_.pitch}, rows.end - rows.first,
                      Rows{target_.Row(rows.first), target_.pitch}, buffers);
        } else if (width_ <= sourceWidth_) {
            HorizontalThenVertical(rows, buffers);
        } else {
            VerticalThenHorizontal(rows, buffers);
        }
    }

  private:
    // Output rows `rows` of `out` from rows of `in` whose first is input row
    // `firstInput`, all `width` pixels wide.
    void AcrossRows(InputRows in, unsigned firstInput, unsigned width, RowRange rows,
                    Rows out) const {
        const std::size_t bytes = std::size_t{width} * channels_;
        for (unsigned y = rows.first; y < rows.end; ++y) {
            simd::WeighRows(in.Row(vertical_->Left(y) - firstInput), in.pitch,
                            vertical_->Weights(y), vertical_->Count(y), bytes,
                            out.Row(y - rows.first));
        }
    }

    // Eight rows at a time across their width, and the same eight filtered.
    struct Transposed {
        std::vector<BYTE> rows;
        std::vector<BYTE> filtered;
    };

    Transposed TransposedBuffers() const {
        // Zero pixels past the end of the rows, for the kernel's padded taps.
        return {std::vector<BYTE>((std::size_t{sourceWidth_} + horizontal_->Stride()) * channels_ *
                                  kGroupRows),
                std::vector<BYTE>(std::size_t{width_} * channels_ * kGroupRows)};
    }

    // `count` rows of `in`, sourceWidth_ wide, filtered along the row into
    // `out`, eight rows at a time.
    void AlongRows(InputRows in, unsigned count, Rows out, Transposed& buffers) const {
        const FilterTaps& taps = *horizontal_;
        const simd::TapView view{taps.LeftData(), taps.CountData(), taps.WeightData(),
                                 taps.Stride()};
        const std::size_t inBytes = std::size_t{sourceWidth_} * channels_;
        const std::size_t outBytes = std::size_t{width_} * channels_;
        for (unsigned r = 0; r < count; r += kGroupRows) {
            const unsigned group = std::min(kGroupRows, count - r);
            simd::TransposeRows(in.Row(r), in.pitch, group, inBytes, buffers.rows.data());
            simd::WeighColumns(buffers.rows.data(), channels_, view, width_,
                               buffers.filtered.data());
            simd::UntransposeRows(buffers.filtered.data(), outBytes, group, out.Row(r), out.pitch);
        }
    }

    // Every input row the band's output rows read, filtered along the row
    // into a buffer, then across rows into the target.
    void HorizontalThenVertical(RowRange rows, Transposed& buffers) const {
        unsigned low = vertical_->Left(rows.first);
        unsigned high = low;
        for (unsigned y = rows.first; y < rows.end; ++y) {
            low = std::min(low, vertical_->Left(y));
            high = std::max(high, vertical_->Left(y) + vertical_->Count(y));
        }
        const std::size_t pitch = std::size_t{width_} * channels_;
        std::vector<BYTE> buffer(pitch * (high - low));
        const Rows narrowed{buffer.data(), static_cast<std::ptrdiff_t>(pitch)};
        AlongRows(InputRows{source_.Row(low), source_.pitch}, high - low, narrowed, buffers);
        AcrossRows(narrowed, low, width_, rows, Rows{target_.Row(rows.first), target_.pitch});
    }

    // Eight output rows at a time: across the input rows into a buffer, then
    // along those rows into the target.
    void VerticalThenHorizontal(RowRange rows, Transposed& buffers) const {
        const std::size_t pitch = std::size_t{sourceWidth_} * channels_;
        std::vector<BYTE> buffer(pitch * kGroupRows);
        const Rows heightened{buffer.data(), static_cast<std::ptrdiff_t>(pitch)};
        for (unsigned y = rows.first; y < rows.end; y += kGroupRows) {
            const unsigned group = std::min(kGroupRows, rows.end - y);
            AcrossRows(source_, 0, sourceWidth_, {y, y + group}, heightened);
            AlongRows(heightened, group, Rows{target_.Row(y), target_.pitch}, buffers);
        }
    }

    unsigned sourceWidth_;
    unsigned sourceHeight_;
    unsigned width_;
    unsigned height_;
    unsigned channels_;
    InputRows source_;
    Rows target_;
    std::optional<FilterTaps> horizontal_;
    std::optional<FilterTaps> vertical_;
};

void WriteFallingGreyPalette(FIBITMAP* dib) {
    RGBQUAD* palette = FreeImage_GetPalette(dib);
    for (unsigned i = 0; i < 256; ++i) {
        const auto level = static_cast<BYTE>(255 - i);
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = level;
    }
}

}  // namespace

bool RescaleKernelHandles(const FIBITMAP* source) {
    if (source == nullptr || freeimage_base::ImageType(source) != FIT_BITMAP ||
        freeimage_base::Bits(source) == nullptr) {
        return false;
    }
    switch (freeimage_base::Bpp(source)) {
        case 24:
        case 32:
            return true;
        case 8:
            return !freeimage_base::IsTransparent(source) && PaletteRamp(source) != GreyRamp::kNone;
        default:
            return false;
    }
}

Bitmap RescaleBicubic(const FIBITMAP* source, unsigned width, unsigned height, unsigned threads) {
    if (!RescaleKernelHandles(source) || width == 0 || height == 0) {
        return {};
    }
    if (width == freeimage_base::Width(source) && height == freeimage_base::Height(source)) {
        return freeimage_base::Clone(source);
    }
    const unsigned bpp = freeimage_base::Bpp(source);
    Bitmap target(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height),
                                     static_cast<int>(bpp)));
    if (!target) {
        return {};
    }
    if (bpp == 8 && PaletteRamp(source) == GreyRamp::kFalling) {
        WriteFallingGreyPalette(target.get());
    }
    try {
        const Rescale rescale(source, target.get());
        if (!ForEachBand(height, rescale.BandRows(threads), threads,
                         [&](RowRange rows) { rescale.Band(rows); })) {
            return {};
        }
    } catch (const std::bad_alloc&) {
        return {};
    }
    freeimage_base::CopyMetadata(target.get(), source);
    return target;
}

}  // namespace orrisbay::slots
