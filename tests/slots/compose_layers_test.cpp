#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>

#include "slots/slot_table.h"
#include "test_bitmaps.h"

namespace orrisbay::slots {
namespace {

using namespace testing;

// Components may differ by one from the exact blend.
::testing::AssertionResult Near(Colour actual, Colour expected) {
    const auto off = [](BYTE a, BYTE b) { return std::abs(int{a} - int{b}) > 1; };
    if (off(actual.red, expected.red) || off(actual.green, expected.green) ||
        off(actual.blue, expected.blue)) {
        return ::testing::AssertionFailure()
               << "got (" << int{actual.red} << ", " << int{actual.green} << ", "
               << int{actual.blue} << "), expected (" << int{expected.red} << ", "
               << int{expected.green} << ", " << int{expected.blue} << ")";
    }
    return ::testing::AssertionSuccess();
}

struct Inputs {
    Bitmap layer1;
    Bitmap layer2;
    Bitmap mask1;
    Bitmap mask2;
};

class ComposeLayersTest : public ::testing::Test {
  protected:
    void Fill(Inputs inputs) {
        table.SetSlotImage(kLayer1, std::move(inputs.layer1));
        table.SetSlotImage(kLayer2, std::move(inputs.layer2));
        table.SetSlotImage(kMask1, std::move(inputs.mask1));
        table.SetSlotImage(kMask2, std::move(inputs.mask2));
    }

    // Red layer 1, blue layer 2, both 16 x 16, with the given masks.
    void FillWithMasks(Bitmap mask1, Bitmap mask2) {
        Fill({SolidColour(16, 16, 24, kRed), SolidColour(16, 16, 24, kBlue), std::move(mask1),
              std::move(mask2)});
    }

    const FIBITMAP* Result() const { return table.Slot(kResult); }

    void ExpectScratchEmpty() const {
        for (int index = kFirstScratch; index <= kLastScratch; ++index) {
            EXPECT_EQ(table.Slot(index), nullptr) << "scratch slot " << index;
        }
    }

    RecordingView view;
    SlotTable table{view};
};

TEST_F(ComposeLayersTest, CommonSizeComesFromTheLayersAlone) {
    Fill({SolidColour(256, 256, 24, kRed), SolidColour(128, 512, 24, kBlue),
          SolidGrey8(512, 512, 255), SolidGrey8(512, 512, 255)});
    ASSERT_NE(Result(), nullptr);
    const FIBITMAP* result = Result();
    EXPECT_EQ(freeimage_base::Width(result), 256U);
    EXPECT_EQ(freeimage_base::Height(result), 512U);
    EXPECT_EQ(freeimage_base::Bpp(result), 24U);
    EXPECT_TRUE(Near(PixelAt(result, 128, 256), kBlue));
    ExpectScratchEmpty();

    // Masks larger than equal-sized layers are scaled down to them.
    table.SetSlotImage(kLayer2, SolidColour(256, 256, 24, kBlue));
    result = Result();
    EXPECT_EQ(freeimage_base::Width(result), 256U);
    EXPECT_EQ(freeimage_base::Height(result), 256U);
    ExpectScratchEmpty();
}

TEST_F(ComposeLayersTest, InputsAreOnlyRead) {
    FillWithMasks(SolidGrey8(16, 16, 255), SolidColour(16, 16, 32, kWhite));
    const FIBITMAP* before[4] = {table.Slot(0), table.Slot(1), table.Slot(2), table.Slot(3)};
    table.ComposeLayers();
    for (int index = kLayer1; index <= kMask2; ++index) {
        EXPECT_EQ(table.Slot(index), before[index]) << "slot " << index;
    }
    EXPECT_EQ(freeimage_base::Bpp(table.Slot(kMask2)), 32U);
}

TEST_F(ComposeLayersTest, MasksDecideWhichLayerShows) {
    struct Case {
        BYTE mask1;
        BYTE mask2;
        Colour expected;
    };
    const Case cases[] = {
        {0, 255, kBlue},  // white mask 2: layer 2
        {255, 0, kRed},   // black mask 2, white mask 1: layer 1
        {0, 0, kBlack},   // two black masks: black
        {255, 255, kBlue},
    };
    for (const Case& c : cases) {
        FillWithMasks(SolidGrey8(16, 16, c.mask1), SolidGrey8(16, 16, c.mask2));
        ASSERT_NE(Result(), nullptr);
        EXPECT_TRUE(Near(PixelAt(Result(), 8, 8), c.expected))
            << "masks " << int{c.mask1} << " and " << int{c.mask2};
        ExpectScratchEmpty();
    }
}

TEST_F(ComposeLayersTest, LayersOwnAlphaHasNoEffect) {
    Fill({SolidColour(16, 16, 24, kRed), SolidColour(16, 16, 32, kBlue, /*alpha=*/0),
          SolidGrey8(16, 16, 255), SolidGrey8(16, 16, 255)});
    ASSERT_NE(Result(), nullptr);
    EXPECT_TRUE(Near(PixelAt(Result(), 8, 8), kBlue));
}

// Masks of every depth and pixel type merge: white makes layer 2 show.
TEST_F(ComposeLayersTest, MasksOfAnyDepthMerge) {
    const std::pair<const char*, std::function<Bitmap()>> masks[] = {
        {"32-bit RGBA", [] { return SolidColour(16, 16, 32, kWhite, 0); }},
        {"8-bit palette", [] { return PaletteImage(16, 16, kWhite); }},
        {"1-bit", [] { return OneBit(16, 16, true); }},
        {"1-bit white on black", [] { return WhiteIndexed(16, 16, 1); }},
        {"4-bit", [] { return WhiteIndexed(16, 16, 4); }},
        {"16-bit 565", [] { return SolidColour(16, 16, 16, kWhite); }},
        {"16-bit grey", [] { return FullScaleOfType(FIT_UINT16, 16, 16); }},
        {"48-bit RGB", [] { return FullScaleOfType(FIT_RGB16, 16, 16); }},
        {"64-bit RGBA", [] { return FullScaleOfType(FIT_RGBA16, 16, 16); }},
    };
    for (const auto& [name, make] : masks) {
        FillWithMasks(SolidGrey8(16, 16, 0), make());
        ASSERT_NE(Result(), nullptr) << name;
        EXPECT_TRUE(Near(PixelAt(Result(), 8, 8), kBlue)) << name;
        ExpectScratchEmpty();
    }
    EXPECT_TRUE(view.failures.empty()) << view.failures.front();
}

// The mask's values, not just its presence, reach the result.
TEST_F(ComposeLayersTest, MaskValuesSurviveTheConversion) {
    for (int bpp : {8, 24, 32}) {
        FillWithMasks(SolidGrey8(16, 16, 255), HalfWhiteMask(16, 16, bpp));
        ASSERT_NE(Result(), nullptr) << bpp;
        EXPECT_TRUE(Near(PixelAt(Result(), 1, 8), kBlue)) << bpp << " bpp, white side";
        EXPECT_TRUE(Near(PixelAt(Result(), 14, 8), kRed)) << bpp << " bpp, black side";
    }
}

TEST_F(ComposeLayersTest, SixteenBitGreyLayerMerges) {
    Fill({FullScaleOfType(FIT_UINT16, 16, 16), SolidColour(16, 16, 24, kBlue),
          SolidGrey8(16, 16, 255), SolidGrey8(16, 16, 0)});
    ASSERT_NE(Result(), nullptr);
    EXPECT_TRUE(Near(PixelAt(Result(), 8, 8), kWhite));
}

struct FailureCase {
    const char* name;
    std::function<Inputs()> inputs;
    const char* message;
};

// 2^23 pixels a side: the common size is larger than any address space, so
// the rescale of layer 1 cannot allocate its result.
constexpr int kHuge = 1 << 23;

const FailureCase kFailures[] = {
    {"float layer 1",
     [] {
         return Inputs{FullScaleOfType(FIT_FLOAT, 16, 16), SolidColour(16, 16, 24, kBlue),
                       SolidGrey8(16, 16, 255), SolidGrey8(16, 16, 255)};
     },
     "Merge stopped: layer 1 could not be converted to 32 bits."},
    {"complex layer 2",
     [] {
         return Inputs{SolidColour(16, 16, 24, kRed), FullScaleOfType(FIT_COMPLEX, 16, 16),
                       SolidGrey8(16, 16, 255), SolidGrey8(16, 16, 255)};
     },
     "Merge stopped: layer 2 could not be converted to 32 bits."},
    {"layers too large together",
     [] {
         return Inputs{Bitmap(FreeImage_Allocate(1, kHuge, 24)),
                       Bitmap(FreeImage_Allocate(kHuge, 1, 24)), SolidGrey8(16, 16, 255),
                       SolidGrey8(16, 16, 255)};
     },
     "Merge stopped: layer 1 could not be rescaled to 8388608 x 8388608."},
    {"float colour mask 1",
     [] {
         return Inputs{SolidColour(16, 16, 24, kRed), SolidColour(16, 16, 24, kBlue),
                       FullScaleOfType(FIT_RGBF, 16, 16), SolidGrey8(16, 16, 255)};
     },
     "Merge stopped: mask 1 could not be turned into 8-bit greyscale."},
    {"float colour mask 2",
     [] {
         return Inputs{SolidColour(16, 16, 24, kRed), SolidColour(16, 16, 24, kBlue),
                       SolidGrey8(16, 16, 255), FullScaleOfType(FIT_RGBAF, 16, 16)};
     },
     "Merge stopped: mask 2 could not be turned into 8-bit greyscale."},
};

TEST(ComposeLayersFailureTest, AbandonedMergeIsCleanAndReported) {
    for (const FailureCase& failure : kFailures) {
        SCOPED_TRACE(failure.name);
        RecordingView view;
        SlotTable table(view);
        // The steps themselves must fail, not the memory check before them.
        table.SetAvailableMemory(std::numeric_limits<std::uint64_t>::max());
        Inputs inputs = failure.inputs();
        const FIBITMAP* given[4] = {inputs.layer1.get(), inputs.layer2.get(), inputs.mask1.get(),
                                    inputs.mask2.get()};
        table.SetSlotImage(kLayer1, std::move(inputs.layer1));
        table.SetSlotImage(kLayer2, std::move(inputs.layer2));
        table.SetSlotImage(kMask1, std::move(inputs.mask1));
        table.SetSlotImage(kMask2, std::move(inputs.mask2));

        EXPECT_EQ(table.Slot(kResult), nullptr);
        for (int index = kFirstScratch; index <= kLastScratch; ++index) {
            EXPECT_EQ(table.Slot(index), nullptr) << "scratch slot " << index;
        }
        EXPECT_EQ(view.previews, std::vector<const FIBITMAP*>{nullptr});
        EXPECT_EQ(view.failures, std::vector<std::string>{failure.message});
        for (int index = kLayer1; index <= kMask2; ++index) {
            EXPECT_EQ(table.Slot(index), given[index]) << "input " << index << " is kept";
        }
    }
}

TEST_F(ComposeLayersTest, MergeSucceedsAgainAfterAFailure) {
    FillWithMasks(SolidGrey8(16, 16, 255), SolidGrey8(16, 16, 255));
    ASSERT_NE(Result(), nullptr);
    table.SetSlotImage(kLayer1, FullScaleOfType(FIT_FLOAT, 16, 16));
    EXPECT_EQ(Result(), nullptr);
    EXPECT_EQ(view.previews.back(), nullptr) << "the old result is no longer shown";
    EXPECT_EQ(view.failures.size(), 1U);
    ExpectScratchEmpty();

    table.SetSlotImage(kLayer1, SolidColour(16, 16, 24, kRed));
    ASSERT_NE(Result(), nullptr);
    EXPECT_EQ(view.previews.back(), Result());
    EXPECT_EQ(view.failures.size(), 1U);
    ExpectScratchEmpty();
}

}  // namespace
}  // namespace orrisbay::slots
