// The texture view checked on grabbed pictures of its canvas: tiling at 1:1,
// zoom around the pointer with sharp pixels, and the mip levels a WAD gets.
#include "app/texture_view.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include "app/texture_canvas.h"
#include "gameformats/wad2_reader.h"
#include "imageio/picture_bridge.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

using orrisbay::testing::TemporaryFolder;

// The colour of texel (x, y), counted from the top, of a 24- or 32-bit bitmap.
QRgb Texel(const FIBITMAP* texture, int x, int y) {
    const unsigned bytes = freeimage_base::Bpp(texture) / 8;
    const BYTE* pixel = freeimage_base::ScanLine(texture, freeimage_base::Height(texture) - 1 - y) +
                        static_cast<unsigned>(x) * bytes;
    return qRgb(pixel[FI_RGBA_RED], pixel[FI_RGBA_GREEN], pixel[FI_RGBA_BLUE]);
}

class TextureViewTest : public testing::WindowTest {
  protected:
    TextureView* Open() {
        window->viewAction()->trigger();
        TextureView* view = window->textureView();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view));
        return view;
    }
    // What the canvas shows at canvas pixel (x, y) and at the texel under it.
    QRgb Shown(TextureCanvas* canvas, QPointF at) const {
        return canvas->grab().toImage().pixel(at.toPoint());
    }
    const FIBITMAP* Result() const { return window->slotTable().Slot(slots::kResult); }
};

TEST_F(TextureViewTest, TiledAt1To1TheTextureFollowsItselfAcrossEverySeam) {
    TextureView* view = Open();
    // The view follows a new merge: a wider layer makes a 300 x 256 texture.
    QGuiApplication::clipboard()->setImage(
        imageio::BitmapToPicture(orrisbay::testing::Pattern(300, 200, 24, 5).get()));
    window->btnPasteClick(0);
    view->tileAction()->trigger();
    view->actualSizeAction()->trigger();
    TextureCanvas* canvas = view->canvas();
    ASSERT_EQ(canvas->zoom(), 1.0);
    const QImage shown = canvas->grab().toImage();
    const QPoint middle =
        canvas->origin().toPoint() + QPoint(300, 256);  // the middle tile's corner

    for (const QPoint step : {QPoint(0, 0), QPoint(-1, -1), QPoint(-1, 0), QPoint(5, -3)}) {
        const int x = (step.x() + 300) % 300;
        const int y = (step.y() + 256) % 256;
        EXPECT_EQ(shown.pixel(middle + step), Texel(Result(), x, y)) << x << ", " << y;
    }
}

TEST_F(TextureViewTest, TheWheelZoomsAroundThePointerFromFitTo16TimesWithSharpPixels) {
    TextureView* view = Open();
    TextureCanvas* canvas = view->canvas();
    view->tileAction()->trigger();  // larger than the canvas at 1:1, so nothing centres it
    view->actualSizeAction()->trigger();
    const QPointF pointer(canvas->width() * 0.3, canvas->height() * 0.6);
    const QPointF texel = (pointer - canvas->origin()) / canvas->zoom();
    for (int notch = 0; notch < 20; ++notch) {
        QWheelEvent wheel(pointer, canvas->mapToGlobal(pointer), {}, QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &wheel);
    }
    ASSERT_EQ(canvas->zoom(), TextureCanvas::kMaxZoom);
    const QPointF stays = (pointer - canvas->origin()) / canvas->zoom();
    EXPECT_NEAR(stays.x(), texel.x(), 1e-6);
    EXPECT_NEAR(stays.y(), texel.y(), 1e-6);
    // Every canvas pixel of a texel's 16 x 16 square shows that texel.
    const QImage shown = canvas->grab().toImage();
    const QPoint corner =
        (canvas->origin() + QPointF(std::floor(texel.x()), std::floor(texel.y())) * 16).toPoint();
    for (const QPoint inside : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)}) {
        EXPECT_EQ(shown.pixel(corner + inside),
                  Texel(Result(), int(texel.x()) % 256, int(texel.y()) % 256));
    }

    for (int notch = 0; notch < 40; ++notch) {
        QWheelEvent wheel(pointer, canvas->mapToGlobal(pointer), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &wheel);
    }
    const double fit = std::min(canvas->width() / 768.0, canvas->height() / 768.0);
    EXPECT_DOUBLE_EQ(canvas->zoom(), std::min(fit, 1.0));
}

TEST_F(TextureViewTest, AConvertedTextureShowsTheMipLevelsAWadGets) {
    TemporaryFolder folder("orrisbay-view");
    window->setSaveFileDialog([&](QWidget*) { return SaveChoice(folder.file("wall.wad")); });
    window->saveAsAction()->trigger();
    const auto wad =
        gameformats::testing::Wad2Reader(gameformats::testing::FileBytes(folder.file("wall.wad")))
            .Read();
    ASSERT_TRUE(wad && wad->lumps.size() == 1);

    window->convertAction()->trigger();
    TextureCanvas* canvas = Open()->canvas();
    canvas->showActualSize();
    const QImage shown = canvas->grab().toImage();
    const auto& palette = *window->conversionPalette();
    // The four levels stand side by side, 8 pixels apart, tops aligned.
    int left = 0;
    for (int level = 0; level < 4; ++level) {
        const int side = 256 >> level;
        for (const QPoint texel : {QPoint(0, 0), QPoint(side - 1, side - 1), QPoint(side / 3, 1)}) {
            const auto index = wad->lumps[0].mips[level][texel.y() * side + texel.x()];
            const quake_palette::ColourValue colour = palette[index];
            EXPECT_EQ(shown.pixel(canvas->origin().toPoint() + QPoint(left, 0) + texel),
                      qRgb(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff))
                << "level " << level;
        }
        left += side + 8;
    }
}

// Every palette index once, in a 16 x 16 picture and its 8 x 8 mip (index 4i).
std::vector<QImage> EveryIndex() {
    std::vector<QImage> levels;
    for (const int side : {16, 8}) {
        QImage level(side, side, QImage::Format_Indexed8);
        level.setColorCount(256);  // the view draws them through the palette it is given
        for (int at = 0; at < side * side; ++at) {
            level.setPixel(at % side, at / side, static_cast<unsigned>(at * (256 / side / side)));
        }
        levels.push_back(level);
    }
    return levels;
}

TEST_F(TextureViewTest, ShadingAtLevel63IsBlackButForTheFullbrightsWhichMarkingPaints) {
    window->convertAction()->trigger();
    EXPECT_TRUE(Open()->shadingBar()->isVisible());  // only while the view shows the palette
    const quake_palette::Palette& palette = *window->conversionPalette();
    TextureView view;
    view.setPalettedPictures(EveryIndex(), palette, 32, {});
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.shadingAction()->trigger();
    view.lightSlider()->setValue(63);
    view.canvas()->showActualSize();
    for (const bool marked : {false, true}) {
        view.markFullbrightsAction()->setChecked(marked);
        const QImage shown = view.canvas()->grab().toImage();
        const QPoint origin = view.canvas()->origin().toPoint();
        for (int level = 0; level < 2; ++level) {
            const int side = 16 >> level;
            for (int at = 0; at < side * side; ++at) {
                const int index = at * (256 / side / side);
                const quake_palette::ColourValue c = palette[static_cast<std::size_t>(index)];
                const QRgb expected = index < 224 ? qRgb(0, 0, 0)
                                      : marked    ? TextureView::kFullbrightMark
                                                  : qRgb(c & 0xFF, (c >> 8) & 0xFF, c >> 16);
                ASSERT_EQ(shown.pixel(origin + QPoint(level * 24 + at % side, at / side)), expected)
                    << index << (marked ? " marked" : "");
            }
        }
    }
    // A new merge brings full colour back.
    QGuiApplication::clipboard()->setImage(
        imageio::BitmapToPicture(orrisbay::testing::Pattern(64, 64, 24, 5).get()));
    window->btnPasteClick(0);
    EXPECT_FALSE(window->textureView()->shadingBar()->isVisible());
}

}  // namespace
}  // namespace orrisbay::app
