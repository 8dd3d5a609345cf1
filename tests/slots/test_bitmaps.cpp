#include "test_bitmaps.h"

#include <cstring>
#include <map>
#include <mutex>

namespace orrisbay::slots::testing {

namespace {

std::map<const FIBITMAP*, int>& UnloadCounts() {
    static std::map<const FIBITMAP*, int> counts;
    return counts;
}

// The merge unloads scratch bitmaps on its own threads.
std::mutex& UnloadCountsLock() {
    static std::mutex lock;
    return lock;
}

void Fill(FIBITMAP* dib, Colour colour, BYTE alpha) {
    RGBQUAD quad{colour.blue, colour.green, colour.red, alpha};
    for (unsigned y = 0; y < FreeImage_GetHeight(dib); ++y) {
        for (unsigned x = 0; x < FreeImage_GetWidth(dib); ++x) {
            FreeImage_SetPixelColor(dib, x, y, &quad);
        }
    }
}

template <class Sample>
void FillSamples(FIBITMAP* dib, Sample value) {
    for (unsigned y = 0; y < FreeImage_GetHeight(dib); ++y) {
        auto* line = reinterpret_cast<Sample*>(FreeImage_GetScanLine(dib, static_cast<int>(y)));
        for (unsigned x = 0; x < FreeImage_GetWidth(dib); ++x) {
            line[x] = value;
        }
    }
}

}  // namespace

Bitmap SolidColour(int width, int height, int bpp, Colour colour, BYTE alpha) {
    Bitmap bitmap(FreeImage_Allocate(width, height, bpp));
    Fill(bitmap.get(), colour, alpha);
    return bitmap;
}

Bitmap SolidGrey8(int width, int height, BYTE level) {
    Bitmap bitmap(FreeImage_Allocate(width, height, 8));
    RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
    for (int i = 0; i < 256; ++i) {
        const auto value = static_cast<BYTE>(i);
        palette[i] = RGBQUAD{value, value, value, 0};
    }
    FillSamples<BYTE>(bitmap.get(), level);
    return bitmap;
}

Bitmap PaletteImage(int width, int height, Colour colour) {
    Bitmap bitmap(FreeImage_Allocate(width, height, 8));
    RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
    for (int i = 0; i < 256; ++i) {
        palette[i] = RGBQUAD{0, 0, static_cast<BYTE>(i), 0};  // shades of red
    }
    palette[7] = RGBQUAD{colour.blue, colour.green, colour.red, 0};
    FillSamples<BYTE>(bitmap.get(), 7);
    return bitmap;
}

Bitmap OneBit(int width, int height, bool white) {
    Bitmap bitmap(FreeImage_Allocate(width, height, 1));
    RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
    palette[0] = RGBQUAD{0, 0, 0, 0};
    palette[1] = RGBQUAD{255, 255, 255, 0};
    for (int y = 0; y < height; ++y) {
        std::memset(FreeImage_GetScanLine(bitmap.get(), y), white ? 0xFF : 0x00,
                    FreeImage_GetLine(bitmap.get()));
    }
    return bitmap;
}

Bitmap WhiteIndexed(int width, int height, int bpp) {
    Bitmap bitmap(FreeImage_Allocate(width, height, bpp));  // pixels start at 0
    RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
    for (unsigned i = 0; i < FreeImage_GetColorsUsed(bitmap.get()); ++i) {
        palette[i] = RGBQUAD{0, 0, 0, 0};
    }
    palette[0] = RGBQUAD{255, 255, 255, 0};
    return bitmap;
}

Bitmap FullScaleOfType(FREE_IMAGE_TYPE type, int width, int height) {
    Bitmap bitmap(FreeImage_AllocateT(type, width, height));
    switch (type) {
        case FIT_UINT16:
            FillSamples<WORD>(bitmap.get(), 0xFFFF);
            break;
        case FIT_RGB16:
            FillSamples<FIRGB16>(bitmap.get(), FIRGB16{0xFFFF, 0xFFFF, 0xFFFF});
            break;
        case FIT_RGBA16:
            FillSamples<FIRGBA16>(bitmap.get(), FIRGBA16{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF});
            break;
        case FIT_RGBF:
            FillSamples<FIRGBF>(bitmap.get(), FIRGBF{1.0F, 1.0F, 1.0F});
            break;
        case FIT_RGBAF:
            FillSamples<FIRGBAF>(bitmap.get(), FIRGBAF{1.0F, 1.0F, 1.0F, 1.0F});
            break;
        default:
            break;  // left at the library's zero fill
    }
    return bitmap;
}

Bitmap HalfWhiteMask(int width, int height, int bpp) {
    Bitmap bitmap =
        bpp == 8 ? SolidGrey8(width, height, 0) : SolidColour(width, height, bpp, kBlack);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width / 2; ++x) {
            if (bpp == 8) {
                BYTE white = 255;
                FreeImage_SetPixelIndex(bitmap.get(), x, y, &white);
            } else {
                RGBQUAD quad{255, 255, 255, 0};
                FreeImage_SetPixelColor(bitmap.get(), x, y, &quad);
            }
        }
    }
    return bitmap;
}

Colour PixelAt(const FIBITMAP* bitmap, int x, int y) {
    RGBQUAD quad{};
    FreeImage_GetPixelColor(const_cast<FIBITMAP*>(bitmap), x, y, &quad);
    return Colour{quad.rgbRed, quad.rgbGreen, quad.rgbBlue};
}

int UnloadCount(const FIBITMAP* bitmap) {
    const std::lock_guard guard(UnloadCountsLock());
    const auto found = UnloadCounts().find(bitmap);
    return found == UnloadCounts().end() ? 0 : found->second;
}

void CountUnload(const FIBITMAP* bitmap) {
    const std::lock_guard guard(UnloadCountsLock());
    ++UnloadCounts()[bitmap];
}

void ResetUnloadCounts() {
    const std::lock_guard guard(UnloadCountsLock());
    UnloadCounts().clear();
}

}  // namespace orrisbay::slots::testing

// The test binary is linked with --wrap=FreeImage_Unload: every unload from
// the program's code passes through here to the real library call.
extern "C" void __real_FreeImage_Unload(FIBITMAP* dib);
extern "C" void __wrap_FreeImage_Unload(FIBITMAP* dib) {
    orrisbay::slots::testing::CountUnload(dib);
    __real_FreeImage_Unload(dib);
}

// The failing-rescale tests ask for bitmaps too large for any address space;
// under AddressSanitizer and ThreadSanitizer the allocation must come back
// empty, as it does without them, instead of aborting the run.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
extern "C" const char* __tsan_default_options() {
    return "allocator_may_return_null=1";
}
