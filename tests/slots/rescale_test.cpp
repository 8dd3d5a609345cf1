#include "slots/rescale.h"

#include <gtest/gtest.h>

#include <limits>

#include "test_bitmaps.h"

namespace orrisbay::slots {
namespace {

using namespace testing;

struct Size {
    unsigned width;
    unsigned height;
    bool operator==(const Size&) const = default;
};

Size SizeOf(const Bitmap& bitmap) {
    return {FreeImage_GetWidth(bitmap.get()), FreeImage_GetHeight(bitmap.get())};
}

// Rescales a fresh w x h bitmap (keeping the source) and returns the size
// of the result; {0, 0} when the source came back instead.
Size Rescaled(unsigned w, unsigned h, SizeArgument width, SizeArgument height,
              bool percent = false) {
    Bitmap source = SolidColour(static_cast<int>(w), static_cast<int>(h), 24, kRed);
    const FIBITMAP* original = source.get();
    Bitmap result = RescaleBitmap(source, width, height, percent, false, FILTER_BICUBIC);
    if (result.get() == original) {
        return {0, 0};
    }
    EXPECT_EQ(source.get(), original) << "the source stays with its owner";
    return SizeOf(result);
}

constexpr Absent kAbsent{};

TEST(RescaleBitmapTest, MissingSideFollowsTheAspectRatio) {
    EXPECT_EQ(Rescaled(600, 400, std::int64_t{300}, kAbsent), (Size{300, 200}));
    EXPECT_EQ(Rescaled(600, 400, kAbsent, std::int64_t{100}), (Size{150, 100}));
    // A factor for one side scales the other by the same ratio.
    EXPECT_EQ(Rescaled(600, 400, 0.5, kAbsent), (Size{300, 200}));
}

TEST(RescaleBitmapTest, BothSidesGiveExactlyThatSize) {
    EXPECT_EQ(Rescaled(600, 400, std::int64_t{50}, std::int64_t{300}), (Size{50, 300}));
    EXPECT_EQ(Rescaled(64, 64, std::int64_t{64}, std::int64_t{64}), (Size{64, 64}));
}

TEST(RescaleBitmapTest, FactorsRoundHalfToEven) {
    EXPECT_EQ(Rescaled(101, 10, 0.5, std::int64_t{10}).width, 50U);
    EXPECT_EQ(Rescaled(5, 10, 50.0, std::int64_t{10}, true).width, 2U);
    EXPECT_EQ(Rescaled(3, 10, 50.0, std::int64_t{10}, true).width, 2U);
    // A whole number stays a count of pixels under the percent flag.
    EXPECT_EQ(Rescaled(600, 400, std::int64_t{50}, std::int64_t{10}, true).width, 50U);
}

TEST(RescaleBitmapTest, TinyFactorCountsAsNotGiven) {
    EXPECT_EQ(Rescaled(600, 400, 0.0001, std::int64_t{100}), (Size{150, 100}));
    EXPECT_EQ(Rescaled(600, 400, 0.0001, kAbsent), (Size{0, 0}));
}

TEST(RescaleBitmapTest, NoPositiveSizeReturnsTheSourceUnreleased) {
    const SizeArgument noSizes[] = {std::int64_t{0}, std::int64_t{-5}, -0.5, kAbsent};
    for (const SizeArgument& width : noSizes) {
        ResetUnloadCounts();
        Bitmap source = SolidColour(60, 40, 24, kRed);
        FIBITMAP* original = source.get();
        Bitmap result = RescaleBitmap(source, width, kAbsent, false, true, FILTER_BICUBIC);
        EXPECT_EQ(result.get(), original);
        EXPECT_EQ(UnloadCount(original), 0) << "not released despite the release flag";
    }
}

TEST(RescaleBitmapTest, ReleaseFlagReleasesTheSourceOfANewBitmap) {
    ResetUnloadCounts();
    Bitmap source = SolidColour(60, 40, 24, kRed);
    FIBITMAP* original = source.get();
    Bitmap result =
        RescaleBitmap(source, std::int64_t{30}, std::int64_t{20}, false, true, FILTER_BICUBIC);
    ASSERT_TRUE(result);
    EXPECT_NE(result.get(), original);
    EXPECT_FALSE(source);
    EXPECT_EQ(UnloadCount(original), 1);
    EXPECT_EQ(SizeOf(result), (Size{30, 20}));
}

TEST(RescaleBitmapTest, UnusableRequestsMakeNoRescale) {
    // A size beyond 32 bits.
    EXPECT_EQ(Rescaled(60, 40, std::int64_t{1} << 40, std::int64_t{10}), (Size{0, 0}));
    // A source of 0 with both sides given gives 0.
    Bitmap none;
    EXPECT_FALSE(
        RescaleBitmap(none, std::int64_t{10}, std::int64_t{10}, false, true, FILTER_BICUBIC));
    // Only one side of an empty source: no aspect ratio to follow.
    EXPECT_FALSE(RescaleBitmap(none, std::int64_t{10}, kAbsent, false, false, FILTER_BICUBIC));
}

}  // namespace
}  // namespace orrisbay::slots
