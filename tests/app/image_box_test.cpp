#include "app/image_box.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace orrisbay::app {
namespace {

// One-pixel black and white checks: any smooth downscale averages them to
// mid grey, while picking single pixels leaves black or white.
QImage Checkerboard(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            row[x] = ((x + y) % 2 == 0) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    return image;
}

class ImageBoxTest : public ::testing::Test {
  protected:
    ImageBoxTest() {
        box.setFrameStyle(QFrame::Box | QFrame::Plain);
        box.setGeometry(0, 0, 114, 114);  // 112 x 112 inside the frame
    }
    ImageBox box;
};

TEST_F(ImageBoxTest, PaintsASmoothCopyOfTheDrawingAreaSizeAndKeepsTheFullPicture) {
    box.setPicture(Checkerboard(2048));
    const QImage& copy = box.displayCopy();
    EXPECT_EQ(copy.size(), box.contentsRect().size() * box.devicePixelRatio());
    EXPECT_EQ(box.picture().size(), QSize(2048, 2048)) << "the control still holds the original";
    for (const QPoint point : {QPoint(0, 0), QPoint(55, 31), QPoint(111, 111)}) {
        EXPECT_NEAR(qGray(copy.pixel(point)), 128, 8) << point.x() << ", " << point.y();
    }

    // What is painted is that copy.
    const QImage painted = box.grab().toImage();
    EXPECT_NEAR(qGray(painted.pixel(box.contentsRect().center())), 128, 8);
}

TEST_F(ImageBoxTest, CopyIsMadeOnceAndAgainOnlyWhenPictureOrSizeChanges) {
    box.setPicture(Checkerboard(256));
    const qint64 first = box.displayCopy().cacheKey();
    EXPECT_EQ(box.displayCopy().cacheKey(), first) << "no new copy for a repaint";

    box.resize(60, 40);
    EXPECT_EQ(box.displayCopy().size(), box.contentsRect().size() * box.devicePixelRatio());

    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    box.setPicture(red);
    EXPECT_EQ(box.displayCopy().pixel(3, 3), qRgb(255, 0, 0));

    box.setPicture(QImage());
    EXPECT_TRUE(box.displayCopy().isNull());
}

}  // namespace
}  // namespace orrisbay::app
