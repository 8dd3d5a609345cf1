#include "slots/rescale.h"

#include <limits>

#include "console/rounding.h"
#include "slots/kernels/exact_rescale.h"

namespace orrisbay::slots {

namespace {

using console::RoundHalfEven;
using freeimage_base::Bitmap;

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
// Older clang needs the guide spelled out.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

struct Size {
    std::int32_t width;
    std::int32_t height;
};

std::optional<std::int32_t> FitTo32Bits(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

// The requested side in pixels; 0 or less means "not given". Empty when the
// side does not fit 32 bits.
std::optional<std::int32_t> RequestedSide(const SizeArgument& argument, unsigned current,
                                          bool percent) {
    return std::visit(Overloaded{
                          [](Absent) -> std::optional<std::int32_t> { return 0; },
                          [](std::int64_t pixels) { return FitTo32Bits(pixels); },
                          [&](double factor) -> std::optional<std::int32_t> {
                              const auto scaled =
                                  RoundHalfEven(factor * static_cast<double>(current));
                              if (!scaled || !percent) {
                                  return scaled;
                              }
                              return RoundHalfEven(static_cast<double>(*scaled) / 100.0);
                          },
                      },
                      argument);
}

// Fills in a missing side from the source's aspect ratio. Empty when no
// rescale can take place.
std::optional<Size> ChooseSize(std::int32_t newWidth, std::int32_t newHeight, unsigned width,
                               unsigned height) {
    if (newWidth > 0 && newHeight > 0) {
        return Size{newWidth, newHeight};
    }
    if ((newWidth <= 0 && newHeight <= 0) || height == 0) {
        return std::nullopt;
    }
    const double aspect = static_cast<double>(width) / static_cast<double>(height);
    std::optional<std::int32_t> derived;
    if (newWidth > 0) {
        derived = aspect > 0.0 ? RoundHalfEven(newWidth / aspect) : std::nullopt;
        newHeight = derived.value_or(0);
    } else {
        derived = RoundHalfEven(aspect * newHeight);
        newWidth = derived.value_or(0);
    }
    // A derived side of 0 would make the library refuse the rescale anyway.
    if (newWidth <= 0 || newHeight <= 0) {
        return std::nullopt;
    }
    return Size{newWidth, newHeight};
}

}  // namespace

Bitmap ResizeBitmap(const FIBITMAP* source, int width, int height, FREE_IMAGE_FILTER filter,
                    unsigned threads) {
    if (filter == FILTER_BICUBIC && width > 0 && height > 0 && RescaleKernelHandles(source)) {
        return RescaleBicubic(source, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              threads);
    }
    return freeimage_base::Rescale(source, width, height, filter);
}

Bitmap RescaleBitmap(Bitmap& source, SizeArgument width, SizeArgument height, bool percent,
                     bool releaseSource, FREE_IMAGE_FILTER filter, unsigned threads) {
    FIBITMAP* dib = source.get();
    const unsigned sourceWidth = FreeImage_GetWidth(dib);
    const unsigned sourceHeight = FreeImage_GetHeight(dib);
    const auto newWidth = RequestedSide(width, sourceWidth, percent);
    const auto newHeight = RequestedSide(height, sourceHeight, percent);
    if (!newWidth || !newHeight) {
        return Bitmap(source.release());
    }
    const auto size = ChooseSize(*newWidth, *newHeight, sourceWidth, sourceHeight);
    if (!size) {
        return Bitmap(source.release());
    }
    Bitmap scaled = ResizeBitmap(dib, size->width, size->height, filter, threads);
    if (!scaled) {
        return Bitmap(source.release());
    }
    if (releaseSource) {
        source.reset();
    }
    return scaled;
}

}  // namespace orrisbay::slots
