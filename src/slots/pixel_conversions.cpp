#include "slots/pixel_conversions.h"

#include "slots/kernels/grey_kernel.h"

namespace orrisbay::slots {

using namespace freeimage_base;

bool IsGreyscale8(const FIBITMAP* bitmap) {
    return bitmap != nullptr && ImageType(bitmap) == FIT_BITMAP && Bpp(bitmap) == 8 &&
           ColorType(bitmap) == FIC_MINISBLACK;
}

namespace {

// The library's greyscale copy, accepted only if it really is 8-bit grey.
Bitmap GreyscaleCopy(const FIBITMAP* bitmap) {
    Bitmap grey = ConvertToGreyscale(bitmap);
    if (!IsGreyscale8(grey.get())) {
        return {};
    }
    return grey;
}

// Brings a bitmap of a non-standard pixel type (16-bit grey or colour,
// integer, floating point, complex) to an ordinary FIT_BITMAP.
Bitmap StandardCopy(const FIBITMAP* bitmap) {
    Bitmap standard = ConvertToType(bitmap, FIT_BITMAP, true);
    if (!standard) {
        standard = ConvertToStandardType(bitmap, true);
    }
    return standard;
}

}  // namespace

Bitmap ToGreyscale8(const FIBITMAP* bitmap, unsigned threads) {
    if (bitmap == nullptr) {
        return {};
    }
    if (GreyKernelHandles(bitmap)) {
        return ConvertToGrey8(bitmap, threads);
    }
    // Ordinary bitmaps of any depth and 16-bit greyscale convert directly.
    if (Bitmap grey = GreyscaleCopy(bitmap)) {
        return grey;
    }
    if (ImageType(bitmap) == FIT_BITMAP) {
        return {};
    }
    Bitmap standard = StandardCopy(bitmap);
    if (!standard || IsGreyscale8(standard.get())) {
        return standard;
    }
    return GreyscaleCopy(standard.get());
}

Bitmap LayerTo32Bits(const FIBITMAP* bitmap) {
    Bitmap converted = ConvertTo32Bits(bitmap);
    if (!converted && bitmap != nullptr && ImageType(bitmap) == FIT_UINT16) {
        // A 16-bit greyscale layer: keep the high byte of each sample, then
        // widen the 8-bit grey to 32 bits.
        const Bitmap grey = ConvertTo8Bits(bitmap);
        if (grey) {
            converted = ConvertTo32Bits(grey.get());
        }
    }
    return converted;
}

}  // namespace orrisbay::slots
