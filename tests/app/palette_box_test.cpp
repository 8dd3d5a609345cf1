// Crafted palette files painted into the window's real palette box, read
// back by grabbing the box.
#include "app/palette_box.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "palette/quake_palette.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

namespace fs = std::filesystem;

class PaletteBoxTest : public testing::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        folder_ = fs::temp_directory_path() / ("orrisbay-palette-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        messages.clear();
    }
    void TearDown() override {
        fs::remove_all(folder_);
        WindowTest::TearDown();
    }

    void WritePalette(const std::string& content) {
        std::ofstream(folder_ / "quake_palette_jasc.pal", std::ios::binary) << content;
    }

    // Paints the palette from the crafted folder and grabs the box.
    QImage PaintAndGrab() {
        (void)quake_palette::LoadPaletteSwatches(*window->PicPalette(), folder_.string());
        return window->PicPalette()->grab().toImage();
    }

    // The colour in the middle of swatch `index` of a grabbed 130 x 130 box.
    static QColor Swatch(const QImage& box, int index) {
        return box.pixelColor(1 + 8 * (index % 16) + 4, 1 + 8 * (index / 16) + 4);
    }

    fs::path folder_;
};

TEST_F(PaletteBoxTest, WellFormedEntriesFillTheGridRowByRow) {
    std::string file = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int i = 0; i < 256; ++i) {
        file += std::to_string(i) + " " + std::to_string(255 - i) + " " +
                std::to_string((i * 7) % 256) + "\r\n";
    }
    WritePalette(file);
    const QImage box = PaintAndGrab();
    ASSERT_EQ(box.size(), QSize(130, 130));
    for (int i : {0, 15, 16, 100, 255}) {
        EXPECT_EQ(Swatch(box, i), QColor(i, 255 - i, (i * 7) % 256)) << i;
    }
    // Swatches tile the drawing area exactly: the corners of swatch 17.
    EXPECT_EQ(box.pixelColor(1 + 8, 1 + 8), QColor(17, 238, 119));
    EXPECT_EQ(box.pixelColor(1 + 15, 1 + 15), QColor(17, 238, 119));
    EXPECT_TRUE(messages.empty());
}

TEST_F(PaletteBoxTest, WrongHeaderIsReportedAndTheEntriesStillPainted) {
    WritePalette("jasc-pal\r\n0100\r\n2\r\n300 0 0\r\n127.5 128.5 0\r\n");
    const QImage box = PaintAndGrab();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Quake palette conversion is not available.");
    EXPECT_EQ(Swatch(box, 0), QColor(255, 0, 0));
    EXPECT_EQ(Swatch(box, 1), QColor(128, 128, 0));
    EXPECT_EQ(Swatch(box, 2), QColor(0, 0, 0));
}

TEST_F(PaletteBoxTest, MalformedLinesAreSkippedButUseUpTheirIndex) {
    WritePalette("JASC-PAL\n0100\n5\n10  20 30\n 1 2 3\n1\t2\t3\n12px 7 -5\n40000 9 9\n");
    const QImage box = PaintAndGrab();
    EXPECT_EQ(Swatch(box, 0), QColor(0, 0, 0));
    EXPECT_EQ(Swatch(box, 1), QColor(0, 0, 0));
    EXPECT_EQ(Swatch(box, 2), QColor(0, 0, 0));
    EXPECT_EQ(Swatch(box, 3), QColor(12, 7, 0));
    EXPECT_EQ(Swatch(box, 4), QColor(255, 9, 9));
    EXPECT_TRUE(messages.empty());
}

TEST_F(PaletteBoxTest, MissingOrShortFilesAreReportedAndTheGridIsPainted) {
    QImage box = PaintAndGrab();  // no file at all
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("quake_palette_jasc.pal"), std::string::npos);
    EXPECT_EQ(Swatch(box, 255), QColor(0, 0, 0));

    messages.clear();
    WritePalette("JASC-PAL\r\n0100\r\n16\r\n1 2 3\r\n4 5 6\r\n");
    box = PaintAndGrab();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Swatch(box, 0), QColor(1, 2, 3));
    EXPECT_EQ(Swatch(box, 1), QColor(4, 5, 6));
}

}  // namespace
}  // namespace orrisbay::app
