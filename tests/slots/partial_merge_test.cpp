// A table that keeps what it derived from unchanged inputs gives, after any
// sequence of changes, the bytes a fresh table gives from the same inputs,
// and keeps its scratch slots empty between merges.
#include <gtest/gtest.h>

#include <random>

#include "slots/slot_table.h"
#include "support/image_files.h"
#include "test_bitmaps.h"

namespace orrisbay::slots::testing {
namespace {

using freeimage_base::Clone;
using orrisbay::testing::RandomBitmap;
using orrisbay::testing::RandomMask;
using orrisbay::testing::SameBitmap;

// A random picture for input 0..5: layers of 8 (grey), 24 or 32 bits, masks
// and height maps of 1, 8 or 24 bits; mostly of the size the input had.
Bitmap Picture(int input, std::mt19937& random, int& width, int& height) {
    if (random() % 4 == 0) {
        width = 12 + static_cast<int>(random() % 30);
        height = 10 + static_cast<int>(random() % 30);
    }
    const auto seed = static_cast<unsigned>(random());
    const unsigned kind = random() % 3;
    if (input < kMask1) {
        return RandomBitmap(width, height, kind == 0 ? 8 : kind == 1 ? 24 : 32, seed);
    }
    return kind == 0   ? OneBit(width, height, seed % 2 == 0)
           : kind == 1 ? RandomMask(width, height, seed)
                       : RandomBitmap(width, height, 24, seed);
}

// The full merge: a new table given the same inputs and options.
Bitmap FullMerge(const SlotTable& kept) {
    NullSlotView view;
    SlotTable fresh(view);
    fresh.SetMergeOptions(kept.Options());
    for (const int which : {0, 1}) {
        if (kept.HeightMap(which) != nullptr) {
            fresh.SetHeightMap(which, Clone(kept.HeightMap(which)));
        }
    }
    for (int slot = kLayer1; slot <= kMask2; ++slot) {
        fresh.SetSlotImage(slot, Clone(kept.Slot(slot)));
    }
    return Clone(fresh.Slot(kResult));
}

TEST(PartialMerge, RandomChangesGiveTheFullMergesBytes) {
    for (const unsigned seed : {1U, 2U, 3U}) {
        std::mt19937 random(seed);
        NullSlotView view;
        SlotTable table(view);
        table.SetMergeThreads(1 + seed % 2);
        std::array<int, 6> widths{32, 32, 32, 32, 32, 32}, heights = widths;
        for (int step = 0; step < 80; ++step) {
            const auto input = static_cast<int>(random() % 7);
            const auto at = static_cast<std::size_t>(input % 6);
            if (input == 6) {
                const bool on = random() % 2 == 0;
                table.SetMergeOptions(on ? MergeOptions{HeightBlend{0.05 * (1 + random() % 4)}}
                                         : MergeOptions{});
            } else if (input >= 4) {
                table.SetHeightMap(
                    input - 4,
                    random() % 5 == 0 ? Bitmap() : Picture(input, random, widths[at], heights[at]));
            } else if (random() % 3 == 0) {  // two files saved together
                InputPictures pictures;
                pictures.slots[at] = Picture(input, random, widths[at], heights[at]);
                const std::size_t other = (at + 1 + random() % 3) % 4;
                pictures.slots[other] =
                    Picture(static_cast<int>(other), random, widths[other], heights[other]);
                table.SetInputs(std::move(pictures));
            } else {
                table.SetSlotImage(input, Picture(input, random, widths[at], heights[at]));
            }
            for (int scratch = kFirstScratch; scratch <= kLastScratch; ++scratch) {
                ASSERT_EQ(table.Slot(scratch), nullptr) << "seed " << seed << " step " << step;
            }
            if (table.Slot(kLayer1) && table.Slot(kLayer2) && table.Slot(kMask1) &&
                table.Slot(kMask2)) {
                ASSERT_NE(table.Slot(kResult), nullptr);
                ASSERT_TRUE(SameBitmap(FullMerge(table).get(), table.Slot(kResult)))
                    << "seed " << seed << " step " << step;
            }
        }
        EXPECT_GT(table.DerivedBytes(), 0U);
    }
}

}  // namespace
}  // namespace orrisbay::slots::testing
