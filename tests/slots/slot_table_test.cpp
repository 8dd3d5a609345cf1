#include "slots/slot_table.h"

#include <gtest/gtest.h>

#include "test_bitmaps.h"

namespace orrisbay::slots {
namespace {

using namespace testing;

class SlotTableTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetUnloadCounts(); }

    // Hands a fresh bitmap to a slot and returns the handle the slot took.
    FIBITMAP* Give(int index, Bitmap bitmap) {
        FIBITMAP* raw = bitmap.get();
        table.SetSlotImage(index, std::move(bitmap));
        return raw;
    }

    RecordingView view;
    SlotTable table{view};
};

TEST_F(SlotTableTest, HandOverLeavesCallerEmptyAndShowsThumbnailAndLabel) {
    Bitmap bitmap = SolidColour(640, 480, 24, kRed);
    FIBITMAP* raw = bitmap.get();
    table.SetSlotImage(kLayer1, std::move(bitmap));

    EXPECT_FALSE(bitmap);
    EXPECT_EQ(table.Slot(kLayer1), raw);
    ASSERT_EQ(view.thumbnails.size(), 1U);
    EXPECT_EQ(view.thumbnails[0].index, kLayer1);
    EXPECT_EQ(view.thumbnails[0].bitmap, raw);
    EXPECT_EQ(view.labels[kLayer1], "640 x 480 24 bpp");
}

TEST_F(SlotTableTest, EveryBitmapIsUnloadedExactlyOnce) {
    FIBITMAP* first = Give(kLayer1, SolidColour(4, 4, 24, kRed));
    FIBITMAP* second = Give(kLayer1, SolidColour(4, 4, 24, kBlue));
    EXPECT_EQ(UnloadCount(first), 1) << "replacement releases the old bitmap";
    EXPECT_EQ(UnloadCount(second), 0);
    EXPECT_EQ(table.Slot(kLayer1), second);

    table.ClearSlot(kLayer1);
    table.ClearSlot(kLayer1);
    EXPECT_EQ(UnloadCount(second), 1) << "a second ClearSlot finds the slot empty";
    EXPECT_EQ(table.Slot(kLayer1), nullptr);

    ResetUnloadCounts();  // freed handles may be reused by new bitmaps
    FIBITMAP* layer = Give(kLayer2, SolidColour(4, 4, 24, kRed));
    FIBITMAP* mask = Give(kMask1, SolidGrey8(4, 4, 9));
    table.ReleaseAllSlots();
    table.ReleaseAllSlots();
    EXPECT_EQ(UnloadCount(layer), 1);
    EXPECT_EQ(UnloadCount(mask), 1);
    for (int index = kLowerBound; index <= kUpperBound; ++index) {
        EXPECT_EQ(table.Slot(index), nullptr) << "slot " << index;
    }
}

TEST_F(SlotTableTest, DestroyingTheTableReleasesWhatItHolds) {
    FIBITMAP* raw = nullptr;
    {
        NullSlotView quiet;
        SlotTable local(quiet);
        Bitmap bitmap = SolidColour(4, 4, 32, kRed);
        raw = bitmap.get();
        local.SetSlotImage(kMask2, std::move(bitmap));
        EXPECT_EQ(UnloadCount(raw), 0);
    }
    EXPECT_EQ(UnloadCount(raw), 1);
}

TEST_F(SlotTableTest, HandingBackAHeldBitmapNeverReleasesIt) {
    FIBITMAP* held = Give(kLayer1, SolidColour(4, 4, 24, kRed));

    // The same handle for its own slot: kept as it is.
    table.SetSlotImage(kLayer1, Bitmap(held));
    EXPECT_EQ(table.Slot(kLayer1), held);
    EXPECT_EQ(UnloadCount(held), 0);

    // The same handle for another slot: that slot gets a copy of its own.
    table.SetSlotImage(kLayer2, Bitmap(held));
    EXPECT_EQ(table.Slot(kLayer1), held);
    ASSERT_NE(table.Slot(kLayer2), nullptr);
    EXPECT_NE(table.Slot(kLayer2), held);
    EXPECT_EQ(UnloadCount(held), 0);

    table.ReleaseAllSlots();
    EXPECT_EQ(UnloadCount(held), 1);
}

TEST_F(SlotTableTest, IndexOutsideTheInputsChangesNothing) {
    for (int index : {-1, kFirstScratch, kResult, 20}) {
        Bitmap bitmap = SolidColour(4, 4, 24, kRed);
        table.SetSlotImage(index, std::move(bitmap));
        EXPECT_TRUE(bitmap) << "the caller keeps the bitmap for slot " << index;
        table.ClearSlot(index);
    }
    EXPECT_TRUE(view.thumbnails.empty());
    EXPECT_EQ(table.Slot(-1), nullptr);
    EXPECT_EQ(table.Slot(20), nullptr);
}

TEST_F(SlotTableTest, TwentyFourBitMasksBecomeGreyscale) {
    for (int index : kAlphaSlots) {
        FIBITMAP* original = Give(index, SolidColour(512, 512, 24, Colour{200, 100, 50}));
        const FIBITMAP* stored = table.Slot(index);
        ASSERT_NE(stored, nullptr);
        EXPECT_NE(stored, original);
        EXPECT_EQ(UnloadCount(original), 1) << "the 24-bit mask is released";
        EXPECT_EQ(freeimage_base::Bpp(stored), 8U);
        EXPECT_EQ(freeimage_base::ColorType(stored), FIC_MINISBLACK);
        EXPECT_EQ(view.labels[static_cast<std::size_t>(index)], "512 x 512 8 bpp");
        EXPECT_EQ(view.thumbnails.back().bitmap, stored) << "thumbnail shows the grey copy";
    }
}

TEST_F(SlotTableTest, LayersAndOtherMaskDepthsStayAsTheyCame) {
    struct Case {
        int index;
        Bitmap bitmap;
        const char* label;
    };
    Case cases[] = {
        {kLayer1, SolidColour(8, 4, 24, kRed), "8 x 4 24 bpp"},
        {kLayer2, SolidColour(8, 4, 24, kRed), "8 x 4 24 bpp"},
        {kMask1, SolidColour(8, 4, 32, kWhite), "8 x 4 32 bpp"},
        {kMask2, PaletteImage(8, 4, kWhite), "8 x 4 8 bpp"},
        {kMask2, OneBit(8, 4, true), "8 x 4 1 bpp"},
    };
    for (Case& c : cases) {
        FIBITMAP* raw = Give(c.index, std::move(c.bitmap));
        EXPECT_EQ(table.Slot(c.index), raw) << c.label;
        EXPECT_EQ(view.labels[static_cast<std::size_t>(c.index)], c.label);
    }
}

TEST_F(SlotTableTest, MergeRunsOnlyOnceAllFourInputsAreFilled) {
    Give(kLayer1, SolidColour(8, 8, 24, kRed));
    Give(kMask1, SolidGrey8(8, 8, 255));
    Give(kLayer2, SolidColour(8, 8, 24, kBlue));
    Give(kLayer2, SolidColour(8, 8, 24, kBlue));
    EXPECT_TRUE(view.previews.empty());
    EXPECT_EQ(table.Slot(kResult), nullptr);

    Give(kMask2, SolidGrey8(8, 8, 0));
    ASSERT_EQ(view.previews.size(), 1U);
    EXPECT_NE(table.Slot(kResult), nullptr);
    EXPECT_EQ(view.previews.back(), table.Slot(kResult));

    // Every later hand-over reruns the merge.
    Give(kMask1, SolidGrey8(8, 8, 0));
    EXPECT_EQ(view.previews.size(), 2U);
    EXPECT_TRUE(view.failures.empty());
}

TEST(ArrayContainsTest, FindsOnlyListedValues) {
    EXPECT_TRUE(ArrayContains(2, kAlphaSlots));
    EXPECT_TRUE(ArrayContains(3, kAlphaSlots));
    EXPECT_FALSE(ArrayContains(0, kAlphaSlots));
    EXPECT_FALSE(ArrayContains(4, kAlphaSlots));
    EXPECT_FALSE(ArrayContains(2, std::span<const int>{}));
}

TEST(SizeCaptionTest, DescribesNoBitmapAsZeros) {
    EXPECT_EQ(SizeCaption(nullptr), "0 x 0 0 bpp");
}

}  // namespace
}  // namespace orrisbay::slots

namespace orrisbay::slots {
namespace {

// A grey ramp across (or down) the mask, so every pair of levels meets.
Bitmap Ramp(int side, bool across) {
    Bitmap mask = testing::SolidGrey8(side, side, 0);
    for (int y = 0; y < side; ++y) {
        BYTE* row = FreeImage_GetScanLine(mask.get(), y);
        for (int x = 0; x < side; ++x) {
            row[x] = static_cast<BYTE>((across ? x : y) * 255 / (side - 1));
        }
    }
    return mask;
}

// White layers over black show how much the masks cover: the library's own
// composite is the reference for the coverage, within the 3 levels its
// division by 256 (twice) takes off.
TEST(ResultCoverage, IsWhatWhiteLayersLeaveOnTheBlackCanvas) {
    testing::RecordingView view;
    SlotTable table(view);
    EXPECT_FALSE(table.ResultCoverage()) << "no merge yet";
    table.SetSlotImage(kLayer1, testing::SolidColour(64, 64, 24, testing::kWhite));
    table.SetSlotImage(kLayer2, testing::SolidColour(64, 48, 32, testing::kWhite));
    table.SetSlotImage(kMask1, Ramp(32, true));  // rescaled to 64 x 64, as in the merge
    table.SetSlotImage(kMask2, Ramp(64, false));
    const Bitmap coverage = table.ResultCoverage();
    ASSERT_TRUE(coverage);
    const FIBITMAP* merged = table.Slot(kResult);
    ASSERT_EQ(freeimage_base::Width(coverage.get()), 64u);
    for (unsigned y = 0; y < 64; ++y) {
        const BYTE* alpha = freeimage_base::ScanLine(coverage.get(), y);
        const BYTE* pixel = freeimage_base::ScanLine(merged, y);
        for (unsigned x = 0; x < 64; ++x) {
            ASSERT_NEAR(alpha[x], pixel[3 * x + FI_RGBA_GREEN], 3) << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace orrisbay::slots
