#include "slots/kernels/grey_kernel.h"

#include <gtest/gtest.h>

#include "support/image_files.h"
#include "support/simd_targets.h"

namespace orrisbay::slots {
namespace {

using freeimage_base::Bitmap;
using orrisbay::testing::KernelTargets;
using orrisbay::testing::RandomBitmap;
using orrisbay::testing::SameBitmap;
using orrisbay::testing::UseTarget;

// Each of the 2^24 colours once, with random alpha at 32 bits.
Bitmap EveryColour(int bpp) {
    Bitmap dib = RandomBitmap(4096, 4096, bpp, 7);
    for (unsigned colour = 0; colour < (1U << 24); ++colour) {
        BYTE* pixel = FreeImage_GetScanLine(dib.get(), static_cast<int>(colour >> 12)) +
                      (colour & 4095) * static_cast<unsigned>(bpp / 8);
        pixel[FI_RGBA_BLUE] = BYTE(colour);
        pixel[FI_RGBA_GREEN] = BYTE(colour >> 8);
        pixel[FI_RGBA_RED] = BYTE(colour >> 16);
    }
    return dib;
}

struct Case {
    int width, height;
    unsigned threads;
};

constexpr Case kCases[] = {{1, 1, 1}, {1, 13, 2}, {13, 1, 3}, {301, 37, 3}, {0, 0, 2}};

TEST(GreyKernel, GivesTheLibrarysGreyOnEveryTargetForEveryColourAndSize) {
    for (const int bpp : {24, 32}) {
        for (const Case& c : kCases) {
            // Width 0 stands for the bitmap of every colour.
            const Bitmap source =
                c.width == 0 ? EveryColour(bpp) : RandomBitmap(c.width, c.height, bpp, 3);
            ASSERT_TRUE(GreyKernelHandles(source.get()));
            const Bitmap expected(FreeImage_ConvertToGreyscale(source.get()));
            for (const auto target : KernelTargets()) {
                const UseTarget use(target);
                EXPECT_TRUE(
                    SameBitmap(expected.get(), ConvertToGrey8(source.get(), c.threads).get()))
                    << bpp << " bits, " << c.width << "x" << c.height << " on "
                    << hwy::TargetName(target) << ", " << c.threads << " threads";
            }
        }
    }
}

}  // namespace
}  // namespace orrisbay::slots
