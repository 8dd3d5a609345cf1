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
