#include "bench_bitmaps.h"

#include <cstddef>
#include <cstdint>

namespace orrisbay::bench {

freeimage_base::Bitmap Gradient(int side, int bpp) {
    freeimage_base::Bitmap bitmap(FreeImage_Allocate(side, side, bpp));
    const unsigned pitch = FreeImage_GetPitch(bitmap.get());
    const unsigned line = FreeImage_GetLine(bitmap.get());
    BYTE* bits = FreeImage_GetBits(bitmap.get());
    for (int y = 0; y < side; ++y) {
        BYTE* row = bits + static_cast<std::size_t>(y) * pitch;
        for (unsigned x = 0; x < line; ++x) {
            row[x] = static_cast<BYTE>((x + static_cast<unsigned>(y)) & 0xFF);
        }
    }
    return bitmap;
}

freeimage_base::Bitmap Noise(int side, int bpp) {
    freeimage_base::Bitmap bitmap(FreeImage_Allocate(side, side, bpp));
    const unsigned pitch = FreeImage_GetPitch(bitmap.get());
    const unsigned line = FreeImage_GetLine(bitmap.get());
    BYTE* bits = FreeImage_GetBits(bitmap.get());
    std::uint32_t state = 1;
    for (int y = 0; y < side; ++y) {
        BYTE* row = bits + static_cast<std::size_t>(y) * pitch;
        for (unsigned x = 0; x < line; ++x) {
            state = state * 1664525U + 1013904223U;
            row[x] = static_cast<BYTE>(state >> 24);
        }
    }
    return bitmap;
}

}  // namespace orrisbay::bench
