#include "imageio/freeimage_base.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace orrisbay::freeimage_base {

void Bitmap::reset(FIBITMAP* dib) noexcept {
    FIBITMAP* old = std::exchange(dib_, dib);
    if (old != nullptr && old != dib) {
        FreeImage_Unload(old);
    }
}

namespace {

FIBITMAP* ForQuery(const FIBITMAP* dib) {
    return const_cast<FIBITMAP*>(dib);  // the library's queries only read
}

}  // namespace

unsigned Width(const FIBITMAP* dib) {
    return FreeImage_GetWidth(ForQuery(dib));
}
unsigned Height(const FIBITMAP* dib) {
    return FreeImage_GetHeight(ForQuery(dib));
}
unsigned Bpp(const FIBITMAP* dib) {
    return FreeImage_GetBPP(ForQuery(dib));
}
unsigned Pitch(const FIBITMAP* dib) {
    return FreeImage_GetPitch(ForQuery(dib));
}
FREE_IMAGE_TYPE ImageType(const FIBITMAP* dib) {
    return FreeImage_GetImageType(ForQuery(dib));
}
FREE_IMAGE_COLOR_TYPE ColorType(const FIBITMAP* dib) {
    return FreeImage_GetColorType(ForQuery(dib));
}
const BYTE* Bits(const FIBITMAP* dib) {
    return FreeImage_GetBits(ForQuery(dib));
}
const BYTE* ScanLine(const FIBITMAP* dib, unsigned y) {
    return FreeImage_GetScanLine(ForQuery(dib), static_cast<int>(y));
}
const RGBQUAD* Palette(const FIBITMAP* dib) {
    return FreeImage_GetPalette(ForQuery(dib));
}

namespace {

void PrintLibraryMessage(FREE_IMAGE_FORMAT format, const char* message) {
    const char* name = format == FIF_UNKNOWN ? "image" : FreeImage_GetFormatFromFIF(format);
    std::fprintf(stderr, "orrisbay: %s: %s\n", name ? name : "image", message ? message : "");
}

}  // namespace

void InitialiseImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        FreeImage_Initialise(FALSE);
        // The library's own complaints go to standard error, not to the user.
        if (std::getenv("ORRISBAY_QUIET_IMAGE_LIBRARY") == nullptr) {
            FreeImage_SetOutputMessage(PrintLibraryMessage);
        }
    });
}

}  // namespace orrisbay::freeimage_base
