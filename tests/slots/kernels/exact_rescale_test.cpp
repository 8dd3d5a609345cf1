#include "slots/kernels/exact_rescale.h"

#include <gtest/gtest.h>

#include "slots/kernels/pixel_rows.h"
#include "support/image_files.h"
#include "support/simd_targets.h"

namespace orrisbay::slots {
namespace {

using freeimage_base::Bitmap;
using orrisbay::testing::KernelTargets;
using orrisbay::testing::RandomBitmap;
using orrisbay::testing::SameBitmap;
using orrisbay::testing::UseTarget;

struct Depth {
    const char* name;
    int bpp;
    bool fallingPalette;
};

constexpr Depth kDepths[] = {
    {"grey", 8, false}, {"reversed grey", 8, true}, {"24-bit", 24, false}, {"32-bit", 32, false}};

struct Resize {
    int fromWidth, fromHeight, toWidth, toHeight;
};

// 1 x 1, 1 to N and N to 1, one side only, shrinking one side and growing the
// other, and sizes of several bands.
constexpr Resize kResizes[] = {
    {1, 1, 1, 1},     {1, 1, 4, 3},         {1, 9, 7, 1},       {9, 1, 1, 7},    {13, 11, 13, 11},
    {37, 29, 37, 61}, {70, 29, 37, 29},     {37, 29, 70, 29},   {31, 17, 9, 40}, {9, 40, 31, 17},
    {64, 64, 32, 32}, {300, 203, 127, 451}, {150, 301, 401, 99}};

Bitmap Source(const Depth& depth, const Resize& resize, unsigned seed) {
    Bitmap dib = RandomBitmap(resize.fromWidth, resize.fromHeight, depth.bpp, seed);
    if (depth.fallingPalette) {
        RGBQUAD* palette = FreeImage_GetPalette(dib.get());
        for (int i = 0; i < 256; ++i) {
            palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = BYTE(255 - i);
        }
    }
    return dib;
}

TEST(ExactRescale, GivesTheLibrarysBytesOnEveryTargetForEveryDepthSizeAndThreadCount) {
    unsigned seed = 0;
    for (const Depth& depth : kDepths) {
        for (const Resize& resize : kResizes) {
            const Bitmap source = Source(depth, resize, ++seed);
            ASSERT_TRUE(RescaleKernelHandles(source.get()));
            const Bitmap expected(
                FreeImage_Rescale(source.get(), resize.toWidth, resize.toHeight, FILTER_BICUBIC));
            for (const auto target : KernelTargets()) {
                const UseTarget use(target);
                ASSERT_STREQ(hwy::TargetName(target), simd::TargetName());
                for (unsigned threads = 1; threads <= 3; ++threads) {
                    const Bitmap ours =
                        RescaleBicubic(source.get(), resize.toWidth, resize.toHeight, threads);
                    EXPECT_TRUE(SameBitmap(expected.get(), ours.get()))
                        << depth.name << " " << resize.fromWidth << "x" << resize.fromHeight
                        << " to " << resize.toWidth << "x" << resize.toHeight << " on "
                        << simd::TargetName() << ", " << threads << " threads";
                }
            }
        }
    }
}

TEST(ExactRescale, LeavesOtherBitmapsToTheLibrary) {
    Bitmap colourPalette = RandomBitmap(8, 8, 8, 1);
    FreeImage_GetPalette(colourPalette.get())[7].rgbRed = 1;
    Bitmap transparentGrey = RandomBitmap(8, 8, 8, 2);
    FreeImage_SetTransparent(transparentGrey.get(), TRUE);
    const Bitmap others[] = {std::move(colourPalette),
                             std::move(transparentGrey),
                             Bitmap(FreeImage_Allocate(8, 8, 4)),
                             Bitmap(FreeImage_Allocate(8, 8, 16)),
                             Bitmap(FreeImage_AllocateT(FIT_UINT16, 8, 8)),
                             Bitmap(FreeImage_AllocateT(FIT_FLOAT, 8, 8))};
    for (const Bitmap& other : others) {
        EXPECT_FALSE(RescaleKernelHandles(other.get())) << FreeImage_GetBPP(other.get());
        EXPECT_FALSE(RescaleBicubic(other.get(), 4, 4, 1));
    }
}

}  // namespace
}  // namespace orrisbay::slots
