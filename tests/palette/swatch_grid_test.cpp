#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "console/application.h"
#include "palette/quake_palette.h"
#include "palette_test_support.h"

namespace orrisbay::quake_palette {
namespace {

using testing::LoadSwatches;
using testing::PaletteRead;
using testing::ReadPalette;
using testing::RecordingSurface;
using testing::ReportRecorder;

class SwatchGrid : public ::testing::Test {
  protected:
    ReportRecorder reports;
    Palette colors{};
};

TEST_F(SwatchGrid, SizesTheBoxThenCoversEveryPixelExactlyOnce) {
    RecordingSurface box;
    PaintSwatches(box, colors);

    EXPECT_EQ(box.calls, (std::vector<std::string>{"persistent", "size 130x130"}));
    EXPECT_EQ(box.fills, 256);
    EXPECT_EQ(box.outside, 0);
    EXPECT_TRUE(
        std::all_of(box.coverage.begin(), box.coverage.end(), [](int n) { return n == 1; }));
}

TEST_F(SwatchGrid, CornerSwatchesShowTheirEntriesRowByRow) {
    colors[0] = MakeColour(10, 0, 0);
    colors[1] = MakeColour(20, 0, 0);
    colors[15] = MakeColour(0, 30, 0);
    colors[16] = MakeColour(0, 40, 0);
    colors[240] = MakeColour(0, 0, 50);
    colors[255] = MakeColour(60, 70, 80);
    RecordingSurface box;
    PaintSwatches(box, colors);

    EXPECT_EQ(box.Pixel(0, 0), colors[0]);
    EXPECT_EQ(box.Pixel(7, 7), colors[0]);
    EXPECT_EQ(box.Pixel(8, 0), colors[1]);
    EXPECT_EQ(box.Pixel(120, 0), colors[15]);
    EXPECT_EQ(box.Pixel(127, 7), colors[15]);
    EXPECT_EQ(box.Pixel(0, 8), colors[16]);
    EXPECT_EQ(box.Pixel(0, 120), colors[240]);
    EXPECT_EQ(box.Pixel(7, 127), colors[240]);
    EXPECT_EQ(box.Pixel(120, 120), colors[255]);
    EXPECT_EQ(box.Pixel(127, 127), colors[255]);
    EXPECT_EQ(box.Pixel(119, 127), 0u);
    for (int j : {0, 1, 15, 16, 240, 255}) {
        EXPECT_EQ(box.SwatchColour(j), colors[j]) << j;
    }
}

TEST_F(SwatchGrid, ShippedPaletteReadsCompletely) {
    const PaletteRead result = ReadPalette(ORRISBAY_SOURCE_PALETTE);
    EXPECT_TRUE(result.headerMatched);
    EXPECT_FALSE(result.endedEarly);
    EXPECT_EQ(result.entriesSet, 256);
    EXPECT_EQ(result.PaletteColors[0], MakeColour(0, 0, 0));
    EXPECT_EQ(result.PaletteColors[1], MakeColour(15, 15, 15));
    EXPECT_EQ(result.PaletteColors[255], MakeColour(159, 91, 83));
    EXPECT_TRUE(reports.shown.empty());
}

TEST_F(SwatchGrid, PaletteFileLiesBesideTheExecutable) {
    RecordingSurface box;
    const PaletteRead result = LoadSwatches(box);
    EXPECT_TRUE(result.opened) << console::ApplicationFolder();
    EXPECT_EQ(result.entriesSet, 256);
    EXPECT_EQ(box.SwatchColour(255), MakeColour(159, 91, 83));
    EXPECT_TRUE(reports.shown.empty());
}

}  // namespace
}  // namespace orrisbay::quake_palette
