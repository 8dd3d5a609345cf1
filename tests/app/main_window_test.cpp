#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QColorSpace>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "app/builtin_pictures.h"
#include "app/image_box.h"
#include "app/palette_box.h"
#include "imageio/picture_bridge.h"
#include "slots/slot_table.h"
#include "support/colour_profiles.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

using testing::WindowTest;

QRect Geometry(const QWidget* w) {
    return w->geometry();
}

TEST_F(WindowTest, StartUpMergesTheBuiltInPictures) {
    EXPECT_EQ(window->windowTitle(), "Orrisbay");
    EXPECT_EQ(window->lblsize(0)->text(), "256 x 256 24 bpp");
    EXPECT_EQ(window->lblsize(1)->text(), "256 x 256 24 bpp");
    EXPECT_EQ(window->lblsize(2)->text(), "512 x 512 8 bpp");
    EXPECT_EQ(window->lblsize(3)->text(), "512 x 512 8 bpp");
    const FIBITMAP* result = window->slotTable().Slot(slots::kResult);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(freeimage_base::Width(result), 256u);
    EXPECT_EQ(freeimage_base::Bpp(result), 24u);

    // The preview now shows the computed merge, not the built-in picture.
    const QImage shown = window->Image3()->picture();
    EXPECT_NE(shown.cacheKey(), BuiltinPreview().cacheKey());
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
              imageio::BitmapToPicture(result).convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, ControlsStandWhereTheLayoutPutsThem) {
    EXPECT_EQ(window->size(), QSize(803, 426));
    const QRect frames[] = {
        {16, 24, 241, 185}, {16, 224, 241, 185}, {352, 24, 273, 185}, {352, 224, 273, 185}};
    const char* captions[] = {"Blend Texture1", "Blend Texture2", "Alpha Channel 1",
                              "Alpha Channel 2"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const int openWidth = i < 2 ? 65 : 89;
        const int pasteLeft = i < 2 ? 184 : 208;
        EXPECT_EQ(Geometry(window->Frame1(i)), frames[i]);
        EXPECT_EQ(window->Frame1(i)->title(), captions[i]);
        EXPECT_EQ(Geometry(window->btnOpen(i)), QRect(152, 32, openWidth, 25));
        EXPECT_EQ(window->btnOpen(i)->text(), "Open");
        EXPECT_EQ(Geometry(window->btnPaste(i)), QRect(pasteLeft, 112, 33, 33));
        EXPECT_EQ(window->btnPaste(i)->toolTip(), "Paste Image From Clipboard");
        EXPECT_TRUE(window->btnPaste(i)->text().isEmpty());
        EXPECT_FALSE(window->btnPaste(i)->icon().isNull());
        EXPECT_EQ(Geometry(window->lblsize(i)), QRect(24, 152, 113, 17));
        EXPECT_EQ(window->lblsize(i)->alignment(), Qt::AlignCenter);
        EXPECT_EQ(Geometry(window->Image1(i)), QRect(24, 32, 112, 112));
        EXPECT_EQ(window->Image1(i)->frameWidth(), 0);
        EXPECT_EQ(window->btnOpen(i)->parentWidget(), window->Frame1(i));
    }
    EXPECT_EQ(Geometry(window->PicPalette()), QRect(648, 16, 130, 130));
    EXPECT_EQ(window->PicPalette()->contentsRect().size(), QSize(128, 128));
    EXPECT_EQ(Geometry(window->Image3()), QRect(656, 256, 114, 114));
    EXPECT_EQ(window->Image3()->contentsRect().size(), QSize(112, 112));
    EXPECT_EQ(Geometry(window->Image2(0)), QRect(272, 80, 64, 64));
    EXPECT_EQ(Geometry(window->Image2(1)), QRect(272, 280, 64, 64));
    EXPECT_EQ(Geometry(window->Image2(2)), QRect(640, 152, 90, 90));
    EXPECT_FALSE(window->windowIcon().isNull());
}

TEST_F(WindowTest, TabOrderFollowsTheLayout) {
    const QWidget* expected[] = {window->btnOpen(0), window->btnPaste(0), window->btnPaste(1),
                                 window->btnOpen(1), window->btnPaste(2), window->btnOpen(2),
                                 window->btnOpen(3), window->btnPaste(3), window->PicPalette()};
    // Walk the focus chain from the first button, keeping what takes Tab focus.
    std::vector<const QWidget*> order;
    const QWidget* w = window->btnOpen(0);
    do {
        if (w->focusPolicy() & Qt::TabFocus) {
            order.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != window->btnOpen(0) && order.size() < 20);
    ASSERT_EQ(order.size(), std::size(expected));
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(order[i], expected[i]) << "position " << i;
    }
}

TEST_F(WindowTest, PasteWithTextAloneSaysSoAndChangesNothing) {
    QGuiApplication::clipboard()->setText("just words");
    const FIBITMAP* before = window->slotTable().Slot(0);
    window->btnPaste(0)->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "No image on clipboard");
    EXPECT_EQ(messages[0].buttons, console::MessageButtons::OkCancel);
    EXPECT_EQ(window->slotTable().Slot(0), before);
}

TEST_F(WindowTest, RgbImagePastedAsMaskBecomesGreyscale) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(200, 100, 50));
    QGuiApplication::clipboard()->setImage(picture);
    window->btnPaste(2)->click();
    EXPECT_TRUE(messages.empty());
    const FIBITMAP* mask = window->slotTable().Slot(2);
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(freeimage_base::Bpp(mask), 8u);
    EXPECT_EQ(freeimage_base::ColorType(mask), FIC_MINISBLACK);
    EXPECT_EQ(window->lblsize(2)->text(), "40 x 30 8 bpp");
    EXPECT_EQ(window->lblsize(0)->text(), "256 x 256 24 bpp");
}

TEST_F(WindowTest, PastedPictureInAnotherColourSpaceBecomesSrgb) {
    QImage picture(32, 8, QImage::Format_RGB888);
    for (int i = 0; i < 32 * 8; ++i) {
        picture.setPixel(i % 32, i / 32, qRgb(i % 32 * 8, 255 - i / 32 * 30, i * 5 % 256));
    }
    picture.setColorSpace(QColorSpace::DisplayP3);
    QGuiApplication::clipboard()->setImage(picture);
    window->btnPaste(0)->click();

    QImage expected = picture.copy();
    for (int y = 0; y < 8; ++y) {
        orrisbay::testing::LittleCmsToSrgb(picture.colorSpace().iccProfile().toStdString(),
                                           expected.scanLine(y), expected.scanLine(y), 32,
                                           TYPE_RGB_8, TYPE_RGB_8);
    }
    const FIBITMAP* pasted = window->slotTable().Slot(0);
    using orrisbay::testing::MaxLevelDifference;
    EXPECT_LE(MaxLevelDifference(imageio::PictureToBitmap(expected).get(), pasted), 1);
    EXPECT_GT(MaxLevelDifference(imageio::PictureToBitmap(picture).get(), pasted), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, PreviewClickCopiesTheMergeAndItPastesBackAtItsSize) {
    QTest::mouseClick(window->Image3(), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Image copied to clipboard");
    EXPECT_EQ(messages[0].buttons, console::MessageButtons::Ok);
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(256, 256));

    window->btnPaste(1)->click();
    EXPECT_EQ(window->lblsize(1)->text(), "256 x 256 24 bpp");
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(WindowTest, CopyWithNothingToCopyKeepsTheClipboardAndSaysSo) {
    window->slotTable().SetAvailableMemory(1);  // the next merge is abandoned
    window->slotTable().ComposeLayers();
    messages.clear();
    QGuiApplication::clipboard()->setText("keep me");
    QTest::mouseClick(window->Image3(), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "keep me");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Copy: There is no texture to copy.");
}

TEST_F(WindowTest, ClosingReleasesEverySlot) {
    ASSERT_NE(window->slotTable().Slot(slots::kResult), nullptr);
    window->close();
    for (int i = slots::kLowerBound; i <= slots::kUpperBound; ++i) {
        EXPECT_EQ(window->slotTable().Slot(i), nullptr) << "slot " << i;
    }
}

TEST_F(WindowTest, RealPaletteIsPaintedIntoTheBox) {
    const QImage grabbed = window->PicPalette()->grab().toImage();
    ASSERT_EQ(grabbed.size(), QSize(130, 130));
    // Index 0 of the game's palette is black, index 15 its brightest grey.
    EXPECT_EQ(grabbed.pixelColor(1 + 3, 1 + 3), QColor(0, 0, 0));
    EXPECT_EQ(QColor(grabbed.pixel(1 + 8 * 15 + 4, 1 + 4)).red(), 235);
}

}  // namespace
}  // namespace orrisbay::app
