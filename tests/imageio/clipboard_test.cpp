#include "imageio/clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

namespace orrisbay::imageio {
namespace {

TEST(ClipboardTest, TextAloneIsNoImage) {
    QGuiApplication::clipboard()->setText("not a picture");
    EXPECT_FALSE(ClipboardHasImage());
    EXPECT_TRUE(ClipboardPicture().isNull());
}

TEST(ClipboardTest, CopiedPictureComesBackAsBitmapOfSameSize) {
    freeimage_base::InitialiseImageLibrary();
    QImage picture(37, 21, QImage::Format_RGB32);
    picture.fill(qRgb(12, 34, 56));
    CopyPictureToClipboard(picture);

    ASSERT_TRUE(ClipboardHasImage());
    const Picture pasted = ClipboardPicture();
    EXPECT_EQ(pasted.size(), picture.size());
    EXPECT_EQ(pasted.pixel(36, 20), qRgb(12, 34, 56));

    const freeimage_base::Bitmap dib = PictureToBitmap(pasted);
    ASSERT_TRUE(dib);
    EXPECT_EQ(FreeImage_GetWidth(dib.get()), 37u);
    EXPECT_EQ(FreeImage_GetHeight(dib.get()), 21u);
}

TEST(ClipboardTest, CopyingNoPictureEmptiesTheClipboard) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    CopyPictureToClipboard(picture);
    ASSERT_TRUE(ClipboardHasImage());

    CopyPictureToClipboard(Picture());
    EXPECT_FALSE(ClipboardHasImage());
}

}  // namespace
}  // namespace orrisbay::imageio
