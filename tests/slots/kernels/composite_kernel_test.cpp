#include "slots/kernels/composite_kernel.h"

#include <gtest/gtest.h>

#include "support/image_files.h"
#include "support/simd_targets.h"

namespace orrisbay::slots {
namespace {

using freeimage_base::Bitmap;
using orrisbay::testing::KernelTargets;
using orrisbay::testing::RandomBitmap;
using orrisbay::testing::RandomMask;
using orrisbay::testing::SameBitmap;
using orrisbay::testing::UseTarget;

// The library's steps: each mask into a 32-bit copy of its layer as alpha,
// layer 1 over a black canvas, layer 2 over that. Empty when a step fails.
Bitmap LibraryComposite(const MaskedLayers& in) {
    const Bitmap layer1 = freeimage_base::ConvertTo32Bits(in.layer1);
    const Bitmap layer2 = freeimage_base::ConvertTo32Bits(in.layer2);
    const Bitmap mask1 = freeimage_base::Clone(in.mask1);
    const Bitmap mask2 = freeimage_base::Clone(in.mask2);
    if (!FreeImage_SetChannel(layer1.get(), mask1.get(), FICC_ALPHA) ||
        !FreeImage_SetChannel(layer2.get(), mask2.get(), FICC_ALPHA)) {
        return {};
    }
    const Bitmap canvas(FreeImage_Allocate(static_cast<int>(freeimage_base::Width(in.layer1)),
                                           static_cast<int>(freeimage_base::Height(in.layer1)),
                                           24));
    const Bitmap first(FreeImage_Composite(layer1.get(), FALSE, nullptr, canvas.get()));
    return Bitmap(FreeImage_Composite(layer2.get(), FALSE, nullptr, first.get()));
}

TEST(CompositeKernel, GivesTheLibrarysMergeOnEveryTargetForEverySizeAndThreadCount) {
    // Sides, and the depths of both layers: 24-bit ones stand for their 32-bit copies.
    const struct {
        int side, bpp1, bpp2;
    } cases[] = {{1, 32, 32}, {17, 24, 32}, {130, 32, 24}, {33, 24, 24}};
    for (const auto [side, bpp1, bpp2] : cases) {
        const int width = side * 2 - 1;
        const Bitmap layer1 = RandomBitmap(width, side, bpp1, 1);
        const Bitmap layer2 = RandomBitmap(width, side, bpp2, 2);
        const Bitmap mask1 = RandomMask(width, side, 3);
        const Bitmap mask2 = RandomMask(width, side, 4);
        const MaskedLayers inputs{layer1.get(), mask1.get(), layer2.get(), mask2.get()};
        ASSERT_TRUE(CompositeKernelHandles(inputs));
        const Bitmap expected = LibraryComposite(inputs);
        for (const auto target : KernelTargets()) {
            const UseTarget use(target);
            for (unsigned threads = 1; threads <= 3; ++threads) {
                EXPECT_TRUE(
                    SameBitmap(expected.get(), CompositeMaskedLayers(inputs, threads).get()))
                    << width << "x" << side << ", " << bpp1 << "/" << bpp2 << " bits on "
                    << hwy::TargetName(target) << ", " << threads << " threads";
            }
        }
    }
}

TEST(CompositeKernel, HandlesExactlyWhatTheLibraryMerges) {
    const Bitmap layer = RandomBitmap(9, 5, 32, 1);
    const Bitmap mask = RandomMask(9, 5, 2);
    const Bitmap colourLayer = RandomBitmap(9, 5, 24, 3);
    const Bitmap colourMask = RandomBitmap(9, 5, 24, 4);
    const Bitmap smallMask = RandomMask(9, 4, 5);
    Bitmap paletteMask = RandomMask(9, 5, 6);
    FreeImage_GetPalette(paletteMask.get())[3].rgbGreen = 0;
    const Bitmap cmykLayer = RandomBitmap(9, 5, 32, 7);
    FreeImage_GetICCProfile(cmykLayer.get())->flags |= FIICC_COLOR_IS_CMYK;
    const MaskedLayers cases[] = {{layer.get(), mask.get(), layer.get(), mask.get()},
                                  {colourLayer.get(), mask.get(), layer.get(), mask.get()},
                                  {layer.get(), mask.get(), layer.get(), colourMask.get()},
                                  {layer.get(), smallMask.get(), layer.get(), mask.get()},
                                  {layer.get(), mask.get(), layer.get(), paletteMask.get()},
                                  {layer.get(), mask.get(), cmykLayer.get(), mask.get()}};
    for (const MaskedLayers& inputs : cases) {
        EXPECT_EQ(static_cast<bool>(LibraryComposite(inputs)), CompositeKernelHandles(inputs));
    }
}

}  // namespace
}  // namespace orrisbay::slots
