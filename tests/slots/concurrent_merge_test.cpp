#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "reference_merge.h"
#include "slots/merge_memory.h"
#include "slots/parallel_for.h"
#include "slots/slot_table.h"
#include "test_bitmaps.h"

namespace orrisbay::slots {
namespace {

using namespace testing;

// Every byte of the pixels noise, so any misplaced row or band shows.
Bitmap Noise(int width, int height, int bpp, unsigned seed) {
    Bitmap bitmap =
        bpp == 8 ? SolidGrey8(width, height, 0) : Bitmap(FreeImage_Allocate(width, height, bpp));
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), y);
        for (unsigned x = 0; x < FreeImage_GetLine(bitmap.get()); ++x) {
            row[x] = static_cast<BYTE>(random());
        }
    }
    return bitmap;
}

Bitmap NoiseOfType(FREE_IMAGE_TYPE type, int width, int height, unsigned seed) {
    Bitmap bitmap(FreeImage_AllocateT(type, width, height));
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), y);
        for (unsigned x = 0; x < FreeImage_GetLine(bitmap.get()); ++x) {
            row[x] = static_cast<BYTE>(random());
        }
    }
    return bitmap;
}

struct Inputs {
    Bitmap layer1;
    Bitmap layer2;
    Bitmap mask1;
    Bitmap mask2;
};

using MakeInputs = std::function<Inputs()>;

// A table merging on a given number of threads.
struct Merge {
    explicit Merge(unsigned threads) { table.SetMergeThreads(threads); }

    void Fill(Inputs inputs) {
        table.SetSlotImage(kLayer1, std::move(inputs.layer1));
        table.SetSlotImage(kLayer2, std::move(inputs.layer2));
        table.SetSlotImage(kMask1, std::move(inputs.mask1));
        table.SetSlotImage(kMask2, std::move(inputs.mask2));
    }

    RecordingView view;
    SlotTable table{view};
};

::testing::AssertionResult SamePixels(const FIBITMAP* a, const FIBITMAP* b) {
    using namespace freeimage_base;
    if (a == nullptr || b == nullptr) {
        return (a == b) ? ::testing::AssertionSuccess()
                        : ::testing::AssertionFailure() << "only one merge made a result";
    }
    if (Width(a) != Width(b) || Height(a) != Height(b) || Bpp(a) != Bpp(b)) {
        return ::testing::AssertionFailure()
               << "size differs: " << SizeCaption(a) << " against " << SizeCaption(b);
    }
    for (unsigned y = 0; y < Height(a); ++y) {
        if (std::memcmp(ScanLine(a, y), ScanLine(b, y), Line(a)) != 0) {
            return ::testing::AssertionFailure() << "row " << y << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

void ExpectScratchEmpty(const SlotTable& table) {
    for (int index = kFirstScratch; index <= kLastScratch; ++index) {
        EXPECT_EQ(table.Slot(index), nullptr) << "scratch slot " << index;
    }
}

// The plain step-by-step merge of the table's four inputs, and what the
// table should have reported of it.
struct Expected {
    ReferenceResult merge;
    std::vector<std::string> failures;
};

Expected StepByStep(const SlotTable& table) {
    Expected expected{MergeStepByStep(table.Slot(kLayer1), table.Slot(kLayer2), table.Slot(kMask1),
                                      table.Slot(kMask2)),
                      {}};
    if (!expected.merge.failure.empty()) {
        expected.failures.push_back(expected.merge.failure);
    }
    return expected;
}

// Merges the inputs on `threads` threads and expects the step-by-step
// merge's outcome to the byte.
void ExpectSameMerge(const MakeInputs& make, unsigned threads) {
    SCOPED_TRACE(::testing::Message() << threads << " threads");
    Merge merge(threads);
    merge.Fill(make());
    const Expected expected = StepByStep(merge.table);
    EXPECT_TRUE(SamePixels(expected.merge.result.get(), merge.table.Slot(kResult)));
    EXPECT_EQ(merge.view.failures, expected.failures);
    EXPECT_EQ(merge.view.previews.size(), 1U);
    ExpectScratchEmpty(merge.table);
}

struct Case {
    const char* name;
    MakeInputs make;
};

// A 24-bit layer 1 `width1` x 64 and a 64 x 64 32-bit layer 2 marked CMYK.
Inputs WithCmykLayer2(int width1) {
    Bitmap cmyk = Noise(64, 64, 32, 21);
    FreeImage_GetICCProfile(cmyk.get())->flags |= FIICC_COLOR_IS_CMYK;
    return {Noise(width1, 64, 24, 22), std::move(cmyk), Noise(64, 64, 8, 23), Noise(64, 64, 8, 24)};
}

const Case kShapes[] = {
    {"all 64 x 64",
     [] {
         return Inputs{Noise(64, 64, 24, 1), Noise(64, 64, 24, 2), Noise(64, 64, 8, 3),
                       Noise(64, 64, 8, 4)};
     }},
    {"odd shapes, 32-bit layer with alpha, 24-bit mask",
     [] {
         return Inputs{Noise(257, 31, 24, 5), Noise(40, 301, 32, 6), Noise(500, 17, 8, 7),
                       Noise(3, 3, 24, 8)};
     }},
    {"palette layers, 16-bit grey and 32-bit masks",
     [] {
         return Inputs{Noise(1, 1, 8, 9), Noise(1, 203, 4, 10), NoiseOfType(FIT_UINT16, 90, 90, 11),
                       Noise(33, 77, 32, 12)};
     }},
    {"one row",
     [] {
         return Inputs{Noise(300, 1, 24, 13), Noise(299, 1, 1, 14), Noise(2, 2, 8, 15),
                       Noise(700, 3, 8, 16)};
     }},
    {"masks larger than the layers",
     [] {
         return Inputs{Noise(128, 96, 24, 17), Noise(96, 128, 24, 18), Noise(512, 512, 8, 19),
                       Noise(640, 480, 8, 20)};
     }},
    // The library's composite takes a CMYK-marked layer: the other layer, read
    // as it is or scaled at 24 bits, goes with it as a 32-bit copy.
    {"layer 2 marked CMYK", [] { return WithCmykLayer2(64); }},
    {"layer 2 marked CMYK, layer 1 rescaled", [] { return WithCmykLayer2(40); }},
};

TEST(ConcurrentMergeTest, SameResultAsOneStepAfterAnother) {
    for (const Case& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        for (const unsigned threads : {1U, 2U, 3U, 8U}) {
            ExpectSameMerge(shape.make, threads);
        }
    }
}

const Case kFailingInputs[] = {
    {"float layer 1",
     [] {
         return Inputs{FullScaleOfType(FIT_FLOAT, 16, 16), Noise(16, 16, 24, 1),
                       Noise(16, 16, 8, 2), Noise(16, 16, 8, 3)};
     }},
    {"complex layer 2",
     [] {
         return Inputs{Noise(16, 16, 24, 1), FullScaleOfType(FIT_COMPLEX, 16, 16),
                       Noise(16, 16, 8, 2), Noise(16, 16, 8, 3)};
     }},
    {"float colour mask 1",
     [] {
         return Inputs{Noise(16, 16, 24, 1), Noise(16, 16, 24, 2),
                       FullScaleOfType(FIT_RGBF, 16, 16), Noise(16, 16, 8, 3)};
     }},
    {"float colour mask 2",
     [] {
         return Inputs{Noise(16, 16, 24, 1), Noise(16, 16, 24, 2), Noise(16, 16, 8, 3),
                       FullScaleOfType(FIT_RGBAF, 16, 16)};
     }},
    // Two steps fail; the one written first is reported.
    {"float layer 1 and float mask 2",
     [] {
         return Inputs{FullScaleOfType(FIT_FLOAT, 16, 16), Noise(16, 16, 24, 1),
                       Noise(16, 16, 8, 2), FullScaleOfType(FIT_RGBAF, 16, 16)};
     }},
    {"float mask 1 and complex layer 2",
     [] {
         return Inputs{Noise(16, 16, 24, 1), FullScaleOfType(FIT_COMPLEX, 16, 16),
                       FullScaleOfType(FIT_RGBF, 16, 16), Noise(16, 16, 8, 3)};
     }},
};

TEST(ConcurrentMergeTest, FailsAtTheSameStepAndMergesAgainAfterwards) {
    for (const Case& failing : kFailingInputs) {
        for (const unsigned threads : {1U, 2U}) {
            SCOPED_TRACE(::testing::Message() << failing.name << ", " << threads << " threads");
            Merge merge(threads);
            Inputs inputs = failing.make();
            const FIBITMAP* given[4] = {inputs.layer1.get(), inputs.layer2.get(),
                                        inputs.mask1.get(), inputs.mask2.get()};
            merge.Fill(std::move(inputs));

            const Expected expected = StepByStep(merge.table);
            ASSERT_EQ(expected.failures.size(), 1U);
            EXPECT_EQ(merge.view.failures, expected.failures);
            EXPECT_EQ(merge.table.Slot(kResult), nullptr);
            EXPECT_EQ(merge.view.previews, std::vector<const FIBITMAP*>{nullptr});
            ExpectScratchEmpty(merge.table);
            for (int index = kLayer1; index <= kMask2; ++index) {
                EXPECT_EQ(merge.table.Slot(index), given[index]) << "input " << index;
            }

            // Good inputs in every slot merge as before, byte for byte.
            merge.Fill({Noise(16, 16, 24, 4), Noise(20, 12, 24, 5), Noise(16, 16, 8, 6),
                        Noise(9, 9, 8, 7)});
            EXPECT_NE(merge.table.Slot(kResult), nullptr);
            EXPECT_TRUE(
                SamePixels(StepByStep(merge.table).merge.result.get(), merge.table.Slot(kResult)));
            ExpectScratchEmpty(merge.table);
        }
    }
}

// 64 x 64 layers and 8-bit masks, counted by hand: all are read as they are,
// so 12288 for the 24-bit result and 3 x 12288 for one thread's band rows.
constexpr std::uint64_t kNeedOf64 = 49152;

Inputs SixtyFour() {
    return {Noise(64, 64, 24, 1), Noise(64, 64, 24, 2), Noise(64, 64, 8, 3), Noise(64, 64, 8, 4)};
}

TEST(MergeMemoryTest, RefusesAMergeThatDoesNotFitAndKeepsTheInputs) {
    Merge merge(1);
    merge.table.SetAvailableMemory(kNeedOf64 - 1);
    Inputs inputs = SixtyFour();
    const FIBITMAP* given[4] = {inputs.layer1.get(), inputs.layer2.get(), inputs.mask1.get(),
                                inputs.mask2.get()};
    merge.Fill(std::move(inputs));

    EXPECT_EQ(merge.view.failures,
              std::vector<std::string>{"Merge stopped: it needs about 48.0 KiB of memory for a "
                                       "64 x 64 texture, but only 47.9 KiB is available."});
    EXPECT_EQ(merge.table.Slot(kResult), nullptr);
    EXPECT_EQ(merge.view.previews, std::vector<const FIBITMAP*>{nullptr});
    ExpectScratchEmpty(merge.table);
    for (int index = kLayer1; index <= kMask2; ++index) {
        EXPECT_EQ(merge.table.Slot(index), given[index]) << "input " << index;
    }

    // Exactly enough memory is enough.
    merge.table.SetAvailableMemory(kNeedOf64);
    merge.table.ComposeLayers();
    EXPECT_NE(merge.table.Slot(kResult), nullptr);
    EXPECT_EQ(merge.view.failures.size(), 1U);
}

TEST(MergeMemoryTest, EstimateFollowsTheMasksDepthAndTheLayersOwnSize) {
    Bitmap layer1 = Noise(64, 64, 24, 1);
    Bitmap layer2 = Noise(10, 10, 8, 2);
    Bitmap mask8 = Noise(500, 500, 8, 3);
    Bitmap mask16 = NoiseOfType(FIT_UINT16, 3, 3, 4);
    const MergeInputs inputs{layer1.get(), layer2.get(), mask8.get(), mask16.get(), 64, 64};
    // Layer 1 is read as it is; layer 2's 32-bit copy 400 and its rescale
    // 16384; mask 8 rescaled 4096; mask 16 rescaled 8192 and made grey 4096;
    // the result 12288 and each thread's band rows 36864.
    EXPECT_EQ(MergeMemoryNeed(inputs, 2), 400U + 16384 + 4096 + 8192 + 4096 + 12288 + 2 * 36864);
    // Rows are padded to whole words.
    EXPECT_EQ(RowBytes(3, 24), 12U);
    EXPECT_EQ(RowBytes(1, 8), 4U);
}

TEST(MergeMemoryTest, SizesInMessagesNeverUnderstateTheNeedOrOverstateWhatIsFree) {
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    EXPECT_EQ(ByteCountText(3 * kGiB + kGiB / 20, true), "3.1 GiB");
    EXPECT_EQ(ByteCountText(2 * kGiB + kGiB / 11, false), "2.0 GiB");
    EXPECT_EQ(ByteCountText(12 * (kGiB >> 10), false), "12.0 MiB");
    EXPECT_EQ(ByteCountText(1023, true), "1023 bytes");
    EXPECT_EQ(MemoryRefusalText(3 * kGiB + kGiB / 20, 2 * kGiB, 30000, 30000),
              "Merge stopped: it needs about 3.1 GiB of memory for a 30000 x 30000 texture, but "
              "only 2.0 GiB is available.");
    EXPECT_TRUE(SystemAvailableMemory().has_value()) << "Linux reports MemAvailable";
}

TEST(ParallelForTest, CallsEveryIndexExactlyOnce) {
    for (const unsigned threads : {1U, 2U, 5U}) {
        for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{37}}) {
            std::vector<std::atomic<int>> calls(count);
            ParallelFor(threads, count, [&](std::size_t index) { ++calls[index]; });
            for (std::size_t index = 0; index < count; ++index) {
                EXPECT_EQ(calls[index].load(), 1) << threads << " threads, index " << index;
            }
        }
    }
}

TEST(ParallelForTest, CallsWithinABudgetNeverRunBeyondIt) {
    // Two calls over the budget between them, one over it alone, small ones.
    const std::vector<std::uint64_t> costs{60, 60, 150, 10, 10, 30, 0};
    std::vector<std::atomic<int>> calls(costs.size());
    std::mutex mutex;
    std::uint64_t spent = 0;
    int running = 0;
    bool overspent = false;
    ParallelForWithin(3, costs, 100, [&](std::size_t index) {
        {
            const std::scoped_lock lock(mutex);
            spent += costs[index];
            overspent |= ++running > 1 && spent > 100;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ++calls[index];
        const std::scoped_lock lock(mutex);
        spent -= costs[index];
        --running;
    });
    EXPECT_FALSE(overspent);
    for (std::size_t index = 0; index < costs.size(); ++index) {
        EXPECT_EQ(calls[index].load(), 1) << "index " << index;
    }
}

}  // namespace
}  // namespace orrisbay::slots
