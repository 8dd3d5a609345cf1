#include "imageio/freeimage_base.h"

#include <algorithm>
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
    return const_cast<FIBITMAP*>(dib);  // these library calls only read
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
unsigned Line(const FIBITMAP* dib) {
    return FreeImage_GetLine(ForQuery(dib));
}
bool HasPixels(const FIBITMAP* dib) {
    return FreeImage_HasPixels(ForQuery(dib)) != FALSE;
}
unsigned DotsPerMeterX(const FIBITMAP* dib) {
    return FreeImage_GetDotsPerMeterX(ForQuery(dib));
}
unsigned DotsPerMeterY(const FIBITMAP* dib) {
    return FreeImage_GetDotsPerMeterY(ForQuery(dib));
}
unsigned ColorsUsed(const FIBITMAP* dib) {
    return FreeImage_GetColorsUsed(ForQuery(dib));
}
bool IsTransparent(const FIBITMAP* dib) {
    return FreeImage_IsTransparent(ForQuery(dib)) != FALSE;
}
const BYTE* TransparencyTable(const FIBITMAP* dib) {
    return FreeImage_GetTransparencyTable(ForQuery(dib));
}
unsigned TransparencyCount(const FIBITMAP* dib) {
    return FreeImage_GetTransparencyCount(ForQuery(dib));
}
const FIICCPROFILE* IccProfile(const FIBITMAP* dib) {
    return FreeImage_GetICCProfile(ForQuery(dib));
}
bool HasCmykProfile(const FIBITMAP* dib) {
    const FIICCPROFILE* profile = dib ? FreeImage_GetICCProfile(ForQuery(dib)) : nullptr;
    return profile != nullptr && (profile->flags & FIICC_COLOR_IS_CMYK) == FIICC_COLOR_IS_CMYK;
}
unsigned MetadataCount(FREE_IMAGE_MDMODEL model, const FIBITMAP* dib) {
    return FreeImage_GetMetadataCount(model, ForQuery(dib));
}
bool HasBackgroundColor(const FIBITMAP* dib) {
    return FreeImage_HasBackgroundColor(ForQuery(dib)) != FALSE;
}

Bitmap Clone(const FIBITMAP* dib) {
    return Bitmap(FreeImage_Clone(ForQuery(dib)));
}
Bitmap ConvertTo8Bits(const FIBITMAP* dib) {
    return Bitmap(FreeImage_ConvertTo8Bits(ForQuery(dib)));
}
Bitmap ConvertTo24Bits(const FIBITMAP* dib) {
    return Bitmap(FreeImage_ConvertTo24Bits(ForQuery(dib)));
}
Bitmap ConvertTo32Bits(const FIBITMAP* dib) {
    return Bitmap(FreeImage_ConvertTo32Bits(ForQuery(dib)));
}
Bitmap ConvertToGreyscale(const FIBITMAP* dib) {
    return Bitmap(FreeImage_ConvertToGreyscale(ForQuery(dib)));
}
Bitmap ConvertToType(const FIBITMAP* dib, FREE_IMAGE_TYPE type, bool scaleLinear) {
    return Bitmap(FreeImage_ConvertToType(ForQuery(dib), type, scaleLinear ? TRUE : FALSE));
}
Bitmap ConvertToStandardType(const FIBITMAP* dib, bool scaleLinear) {
    return Bitmap(FreeImage_ConvertToStandardType(ForQuery(dib), scaleLinear ? TRUE : FALSE));
}
Bitmap ToneMapping(const FIBITMAP* dib, FREE_IMAGE_TMO operation) {
    return Bitmap(FreeImage_ToneMapping(ForQuery(dib), operation));
}
Bitmap GetChannel(const FIBITMAP* dib, FREE_IMAGE_COLOR_CHANNEL channel) {
    return Bitmap(FreeImage_GetChannel(ForQuery(dib), channel));
}
Bitmap Rescale(const FIBITMAP* dib, int width, int height, FREE_IMAGE_FILTER filter) {
    return Bitmap(FreeImage_Rescale(ForQuery(dib), width, height, filter));
}
bool SaveToHandle(FREE_IMAGE_FORMAT format, const FIBITMAP* dib, FreeImageIO* io, fi_handle handle,
                  int flags) {
    return dib != nullptr && FreeImage_SaveToHandle(format, ForQuery(dib), io, handle, flags);
}
void CopyMetadata(FIBITMAP* target, const FIBITMAP* source) {
    FreeImage_CloneMetadata(target, ForQuery(source));
}

Memory::Memory() noexcept : memory_(FreeImage_OpenMemory()) {}

Memory::Memory(const BYTE* bytes, std::size_t size) noexcept
    // The library's signature takes writable bytes, but a stream opened on
    // them is only read.
    : memory_(FreeImage_OpenMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size))) {}

Memory::~Memory() {
    if (memory_ != nullptr) {
        FreeImage_CloseMemory(memory_);
    }
}

namespace {

thread_local LibraryMessages* collecting = nullptr;
bool quiet = false;

void TakeLibraryMessage(FREE_IMAGE_FORMAT format, const char* message) {
    const std::string text = message != nullptr ? message : "";
    if (collecting != nullptr) {
        collecting->Add(text);
        return;
    }
    if (!quiet) {
        const char* name = format == FIF_UNKNOWN ? "image" : FreeImage_GetFormatFromFIF(format);
        std::fprintf(stderr, "orrisbay: %s: %s\n", name ? name : "image", text.c_str());
    }
}

}  // namespace

LibraryMessages::LibraryMessages() : outer_(collecting) {
    collecting = this;
}

LibraryMessages::~LibraryMessages() {
    collecting = outer_;
}

void LibraryMessages::Add(const std::string& text) {
    if (!text.empty() && std::find(texts_.begin(), texts_.end(), text) == texts_.end()) {
        texts_.push_back(text);
    }
}

std::string LibraryMessages::Text() const {
    std::string joined;
    for (const std::string& text : texts_) {
        joined += (joined.empty() ? "" : "; ") + text;
    }
    return joined;
}

void InitialiseImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        FreeImage_Initialise(FALSE);
        // The library's own complaints are kept for the caller to tell, or
        // else go to standard error (not in the tests, which ask for quiet).
        quiet = std::getenv("ORRISBAY_QUIET_IMAGE_LIBRARY") != nullptr;
        FreeImage_SetOutputMessage(TakeLibraryMessage);
    });
}

}  // namespace orrisbay::freeimage_base
