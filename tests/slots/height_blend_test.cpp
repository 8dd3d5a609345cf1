// Height blending through the slot table: its options, its height maps and
// what a user sees of it.
#include <gtest/gtest.h>

#include "slots/kernels/height_kernel.h"
#include "slots/slot_table.h"
#include "support/image_files.h"
#include "test_bitmaps.h"

namespace orrisbay::slots::testing {
namespace {

using orrisbay::testing::RandomBitmap;
using orrisbay::testing::RandomMask;
using orrisbay::testing::SameBitmap;

constexpr HeightBlend kMedium{0.15};

Bitmap Fill(SlotTable& table, Bitmap layer1, Bitmap layer2, Bitmap mask1, Bitmap mask2) {
    Bitmap* inputs[] = {&layer1, &layer2, &mask1, &mask2};
    for (int slot = 0; slot < 4; ++slot) {
        table.SetSlotImage(slot, std::move(*inputs[slot]));
    }
    return freeimage_base::Clone(table.Slot(kResult));
}

TEST(HeightBlend, MapsAreScaledAndGreyedAsTheLibraryDoesAndOffGivesThePlainBytesBack) {
    RecordingView view;
    SlotTable table(view);
    const Bitmap map1 = RandomBitmap(80, 60, 24, 5);  // grey when set, then rescaled
    const Bitmap map2 = RandomBitmap(20, 15, 32, 6);  // rescaled, then grey
    table.SetHeightMap(0, freeimage_base::Clone(map1.get()));
    table.SetHeightMap(1, freeimage_base::Clone(map2.get()));
    const Bitmap layer1 = RandomBitmap(40, 30, 24, 1);
    const Bitmap layer2 = RandomBitmap(40, 30, 32, 2);
    const Bitmap mask1 = RandomMask(40, 30, 3);
    const Bitmap mask2 = RandomMask(40, 30, 4);
    const Bitmap plain =
        Fill(table, freeimage_base::Clone(layer1.get()), freeimage_base::Clone(layer2.get()),
             freeimage_base::Clone(mask1.get()), freeimage_base::Clone(mask2.get()));

    ASSERT_TRUE(table.SetMergeOptions({kMedium}));
    const Bitmap grey1(FreeImage_Rescale(freeimage_base::ConvertToGreyscale(map1.get()).get(), 40,
                                         30, FILTER_BICUBIC));
    const Bitmap grey2 = freeimage_base::ConvertToGreyscale(
        Bitmap(FreeImage_Rescale(freeimage_base::Clone(map2.get()).get(), 40, 30, FILTER_BICUBIC))
            .get());
    const MaskedLayers inputs{layer1.get(), mask1.get(), layer2.get(), mask2.get()};
    const Bitmap mask = HeightBlendedMask(inputs, {grey1.get(), grey2.get()}, kMedium, 1);
    const Bitmap expected =
        CompositeMaskedLayers({layer1.get(), mask1.get(), layer2.get(), mask.get()}, 1);
    EXPECT_TRUE(SameBitmap(expected.get(), table.Slot(kResult)));
    EXPECT_FALSE(table.SetMergeOptions({HeightBlend{0.5, 0.6}}));  // would change solid areas
    ASSERT_TRUE(table.SetMergeOptions({}));
    EXPECT_TRUE(SameBitmap(plain.get(), table.Slot(kResult)));
    EXPECT_TRUE(view.failures.empty());
}

// Layer 1 mid grey; layer 2 white on the left, black on the right; mask 2 at
// half everywhere. The share of layer 2 in a pixel's red, plain and blended.
TEST(HeightBlend, TheBrighterLayerShowsMoreInTheTransitionAndTheDarkerLess) {
    NullSlotView view;
    SlotTable table(view);
    const Bitmap plain =
        Fill(table, SolidColour(32, 8, 24, {128, 128, 128}), HalfWhiteMask(32, 8, 24),
             SolidGrey8(32, 8, 255), SolidGrey8(32, 8, 128));
    ASSERT_TRUE(table.SetMergeOptions({kMedium}));
    const auto share = [](const FIBITMAP* merged, int x, double layer2) {
        return (PixelAt(merged, x, 0).red - 128.0) / (layer2 - 128.0);
    };
    EXPECT_GT(share(table.Slot(kResult), 0, 255), share(plain.get(), 0, 255) + 0.1);
    EXPECT_LT(share(table.Slot(kResult), 31, 0), share(plain.get(), 31, 0) - 0.1);
}

}  // namespace
}  // namespace orrisbay::slots::testing
