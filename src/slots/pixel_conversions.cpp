#include "slots/pixel_conversions.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

bool IsGreyscale8(FIBITMAP* bitmap) {
    return bitmap != nullptr && FreeImage_GetImageType(bitmap) == FIT_BITMAP &&
           FreeImage_GetBPP(bitmap) == 8 && FreeImage_GetColorType(bitmap) == FIC_MINISBLACK;
}

namespace {

// The library's greyscale copy, accepted only if it really is 8-bit grey.
Bitmap GreyscaleCopy(FIBITMAP* bitmap) {
    Bitmap grey(FreeImage_ConvertToGreyscale(bitmap));
    if (!IsGreyscale8(grey.get())) {
        return {};
    }
    return grey;
}

// Brings a bitmap of a non-standard pixel type (16-bit grey or colour,
// integer, floating point, complex) to an ordinary FIT_BITMAP.
Bitmap StandardCopy(FIBITMAP* bitmap) {
    Bitmap standard(FreeImage_ConvertToType(bitmap, FIT_BITMAP, TRUE));
    if (!standard) {
        standard.reset(FreeImage_ConvertToStandardType(bitmap, TRUE));
    }
    return standard;
}

}  // namespace

Bitmap ToGreyscale8(FIBITMAP* bitmap) {
    if (bitmap == nullptr) {
        return {};
    }
    // Ordinary bitmaps of any depth and 16-bit greyscale convert directly.
    if (Bitmap grey = GreyscaleCopy(bitmap)) {
        return grey;
    }
    if (FreeImage_GetImageType(bitmap) == FIT_BITMAP) {
        return {};
    }
    Bitmap standard = StandardCopy(bitmap);
    if (!standard || IsGreyscale8(standard.get())) {
        return standard;
    }
    return GreyscaleCopy(standard.get());
}

Bitmap LayerTo32Bits(FIBITMAP* bitmap) {
    Bitmap converted(FreeImage_ConvertTo32Bits(bitmap));
    if (!converted && bitmap != nullptr && FreeImage_GetImageType(bitmap) == FIT_UINT16) {
        // A 16-bit greyscale layer: keep the high byte of each sample, then
        // widen the 8-bit grey to 32 bits.
        const Bitmap grey(FreeImage_ConvertTo8Bits(bitmap));
        if (grey) {
            converted.reset(FreeImage_ConvertTo32Bits(grey.get()));
        }
    }
    return converted;
}

}  // namespace orrisbay::slots
