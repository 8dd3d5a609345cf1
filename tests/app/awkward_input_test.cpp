// Awkward but valid pictures, and pictures over the size limit, through the
// window's open and paste buttons: each loads and merges or gets a message,
// and a refused picture leaves its slot as it was.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include "imageio/crafted_images.h"
#include "imageio/file_dialog_request.h"
#include "slots/slot_table.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

using orrisbay::testing::TemporaryFolder;

class AwkwardInputTest : public testing::WindowTest {
  protected:
    // Opens the file at `path` into `slot` through the open button.
    void OpenInto(int slot, const std::string& path) {
        window->setOpenFileDialog([path](imageio::OpenFileRequest& request) {
            request.lpstrFile.replace(0, path.size() + 1, path + '\0');
            return 1;
        });
        window->btnOpen(slot)->click();
    }

    std::string Save(const std::string& name, FIBITMAP* dib, FREE_IMAGE_FORMAT format,
                     int flags = 0) {
        const std::string path =
            folder_.Write(name, orrisbay::testing::SavedBytes(dib, format, flags));
        FreeImage_Unload(dib);
        return path;
    }

    std::string Label(int slot) const { return window->lblsize(slot)->text().toStdString(); }
    const FIBITMAP* Slot(int slot) const { return window->slotTable().Slot(slot); }

    // The slot holds a picture of the given size and the merge produced a
    // result of the common size, with no message shown.
    void ExpectLoadedAndMerged(int slot, unsigned width, unsigned height) {
        ASSERT_NE(Slot(slot), nullptr);
        EXPECT_EQ(freeimage_base::Width(Slot(slot)), width);
        EXPECT_EQ(freeimage_base::Height(Slot(slot)), height);
        EXPECT_EQ(Label(slot).rfind(std::to_string(width) + " x " + std::to_string(height), 0), 0u)
            << Label(slot);
        EXPECT_NE(Slot(slots::kResult), nullptr);
        EXPECT_TRUE(messages.empty()) << messages.front().text;
    }

    TemporaryFolder folder_{"orrisbay-awkward"};
};

TEST_F(AwkwardInputTest, SmallAndLowDepthPicturesLoadIntoLayersAndMasks) {
    OpenInto(0, Save("dot.png", FreeImage_Allocate(1, 1, 24), FIF_PNG));
    ExpectLoadedAndMerged(0, 1, 1);
    OpenInto(1, Save("one-bit.bmp", FreeImage_Allocate(9, 5, 1), FIF_BMP));
    ExpectLoadedAndMerged(1, 9, 5);
    OpenInto(2, Save("four-bit.bmp", FreeImage_Allocate(7, 3, 4), FIF_BMP));
    ExpectLoadedAndMerged(2, 7, 3);
    OpenInto(3, Save("dot.tga", FreeImage_Allocate(1, 1, 24), FIF_TARGA));
    ExpectLoadedAndMerged(3, 1, 1);
}

TEST_F(AwkwardInputTest, SixteenBitAndGreyAlphaPngsLoad) {
    using orrisbay::testing::HandMadePng;
    OpenInto(0, folder_.Write("deep.png", HandMadePng(6, 4, 16, 2, 0x90)));
    ExpectLoadedAndMerged(0, 6, 4);
    OpenInto(1, folder_.Write("deep-rgba.png", HandMadePng(5, 5, 16, 6, 0xC0)));
    ExpectLoadedAndMerged(1, 5, 5);
    OpenInto(2, folder_.Write("grey-alpha.png", HandMadePng(8, 8, 8, 4, 0x80)));
    ExpectLoadedAndMerged(2, 8, 8);
    OpenInto(3, folder_.Write("grey16.png", HandMadePng(3, 2, 16, 0, 0xFF)));
    ExpectLoadedAndMerged(3, 3, 2);
}

TEST_F(AwkwardInputTest, PaletteGifWithTransparencyAndCmykJpegLoad) {
    FIBITMAP* gif = FreeImage_Allocate(12, 10, 8);
    BYTE alpha[256];
    std::fill(std::begin(alpha), std::end(alpha), BYTE{255});
    alpha[0] = 0;
    FreeImage_SetTransparencyTable(gif, alpha, 256);
    OpenInto(0, Save("clear.gif", gif, FIF_GIF));
    ExpectLoadedAndMerged(0, 12, 10);

    OpenInto(1, folder_.Write("cmyk.jpg", orrisbay::testing::CmykJpeg(16, 8)));
    ExpectLoadedAndMerged(1, 16, 8);
    // CMYK comes in converted to RGB: a reddish colour, not its ink values.
    RGBQUAD colour{};
    FreeImage_GetPixelColor(const_cast<FIBITMAP*>(Slot(1)), 3, 3, &colour);
    EXPECT_GT(colour.rgbRed, colour.rgbGreen);
}

TEST_F(AwkwardInputTest, VeryWideAndVeryTallLayersMergeAtTheCommonSize) {
    OpenInto(0, Save("wide.png", FreeImage_Allocate(4096, 1, 24), FIF_PNG));
    OpenInto(1, Save("tall.png", FreeImage_Allocate(1, 4096, 24), FIF_PNG));
    OpenInto(2, Save("mask.png", FreeImage_Allocate(3, 700, 8), FIF_PNG));
    ASSERT_NE(Slot(slots::kResult), nullptr);
    EXPECT_EQ(freeimage_base::Width(Slot(slots::kResult)), 4096u);
    EXPECT_EQ(freeimage_base::Height(Slot(slots::kResult)), 4096u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(AwkwardInputTest, OversizedFileIsRefusedWithItsNameAndTheSlotKept) {
    const FIBITMAP* before = Slot(0);
    const std::string label = Label(0);
    OpenInto(
        0, folder_.Write("giant.png", orrisbay::testing::WithDeclaredSize(FIF_PNG, 60000, 60000)));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("giant.png is 60000 x 60000 pixels"), std::string::npos)
        << messages[0].text;
    EXPECT_EQ(messages[0].buttons, console::MessageButtons::OkCancel);
    EXPECT_EQ(Slot(0), before);
    EXPECT_EQ(Label(0), label);
}

TEST_F(AwkwardInputTest, OversizedClipboardImageIsRefusedAndTheSlotKept) {
    const FIBITMAP* before = Slot(2);
    QGuiApplication::clipboard()->setImage(QImage(16385, 2, QImage::Format_Mono));
    window->btnPaste(2)->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("clipboard image is 16385 x 2 pixels"), std::string::npos)
        << messages[0].text;
    EXPECT_EQ(Slot(2), before);
}

// Every picture format Qt has, pasted into each slot: each is taken in at its
// own size, or refused with a message, and the window goes on merging.
TEST_F(AwkwardInputTest, PicturesOfEveryFormatPasteIntoEverySlot) {
    for (int format = QImage::Format_Mono; format < QImage::NImageFormats; ++format) {
        QImage picture(5 + format % 4, 3 + format % 5, static_cast<QImage::Format>(format));
        picture.fill(Qt::darkCyan);
        const int slot = format % 4;
        messages.clear();
        QGuiApplication::clipboard()->setImage(picture);
        window->btnPaste(slot)->click();
        if (messages.empty()) {
            const FIBITMAP* dib = Slot(slot);
            ASSERT_NE(dib, nullptr) << "format " << format;
            EXPECT_EQ(freeimage_base::Width(dib), static_cast<unsigned>(picture.width()))
                << "format " << format;
            EXPECT_EQ(freeimage_base::Height(dib), static_cast<unsigned>(picture.height()))
                << "format " << format;
        } else {
            ADD_FAILURE() << "format " << format << ": " << messages.front().text;
        }
    }
}

}  // namespace
}  // namespace orrisbay::app
