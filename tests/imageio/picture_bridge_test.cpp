#include "imageio/picture_bridge.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orrisbay::imageio {
namespace {

using freeimage_base::Bitmap;

class PictureBridgeTest : public ::testing::Test {
  protected:
    void SetUp() override { freeimage_base::InitialiseImageLibrary(); }
};

// Odd widths make the library pad its rows, so a pitch mix-up shows.
constexpr int kWidth = 7;
constexpr int kHeight = 5;

BYTE PatternByte(int x, int y, int channel) {
    return static_cast<BYTE>(x * 31 + y * 17 + channel * 71 + 3);
}

Bitmap MakePatternBitmap(int bpp) {
    Bitmap dib(FreeImage_Allocate(kWidth, kHeight, bpp));
    const int bytesPerPixel = bpp / 8;
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = FreeImage_GetScanLine(dib.get(), y);
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < bytesPerPixel; ++c) {
                row[x * bytesPerPixel + c] = PatternByte(x, y, c);
            }
        }
    }
    return dib;
}

// The bitmap saved as PNG in memory and read back without its pixels.
Bitmap LoadHeaderOnly(const Bitmap& dib) {
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_PNG, dib.get(), memory);
    FreeImage_SeekMemory(memory, 0, SEEK_SET);
    Bitmap header(FreeImage_LoadFromMemory(FIF_PNG, memory, FIF_LOAD_NOPIXELS));
    FreeImage_CloseMemory(memory);
    return header;
}

void SetGreyPalette(FIBITMAP* dib) {
    RGBQUAD* palette = FreeImage_GetPalette(dib);
    for (int i = 0; i < 256; ++i) {
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
    }
}

void ExpectSamePixels(FIBITMAP* expected, FIBITMAP* actual) {
    ASSERT_NE(actual, nullptr);
    ASSERT_EQ(FreeImage_GetWidth(expected), FreeImage_GetWidth(actual));
    ASSERT_EQ(FreeImage_GetHeight(expected), FreeImage_GetHeight(actual));
    ASSERT_EQ(FreeImage_GetBPP(expected), FreeImage_GetBPP(actual));
    const unsigned line = FreeImage_GetLine(expected);
    for (unsigned y = 0; y < FreeImage_GetHeight(expected); ++y) {
        ASSERT_EQ(0, std::memcmp(FreeImage_GetScanLine(expected, y),
                                 FreeImage_GetScanLine(actual, y), line))
            << "row " << y;
    }
}

void ExpectSamePalette(FIBITMAP* expected, FIBITMAP* actual) {
    const RGBQUAD* a = FreeImage_GetPalette(expected);
    const RGBQUAD* b = FreeImage_GetPalette(actual);
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(a[i].rgbRed, b[i].rgbRed) << "entry " << i;
        EXPECT_EQ(a[i].rgbGreen, b[i].rgbGreen) << "entry " << i;
        EXPECT_EQ(a[i].rgbBlue, b[i].rgbBlue) << "entry " << i;
    }
}

TEST_F(PictureBridgeTest, TwentyFourBitBitmapSurvivesRoundTrip) {
    Bitmap source = MakePatternBitmap(24);
    const Picture picture = BitmapToPicture(source.get());
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(kWidth, kHeight));
    EXPECT_FALSE(picture.hasAlphaChannel());
    // The bitmap's last row is the picture's top; its bytes are blue, green, red.
    const QRgb topLeft = picture.pixel(0, 0);
    EXPECT_EQ(qBlue(topLeft), PatternByte(0, kHeight - 1, 0));
    EXPECT_EQ(qGreen(topLeft), PatternByte(0, kHeight - 1, 1));
    EXPECT_EQ(qRed(topLeft), PatternByte(0, kHeight - 1, 2));

    const Bitmap back = PictureToBitmap(picture);
    ExpectSamePixels(source.get(), back.get());
}

TEST_F(PictureBridgeTest, ThirtyTwoBitBitmapKeepsItsAlpha) {
    Bitmap source = MakePatternBitmap(32);
    const Picture picture = BitmapToPicture(source.get());
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.hasAlphaChannel());
    EXPECT_EQ(qAlpha(picture.pixel(2, 0)), PatternByte(2, kHeight - 1, 3));

    const Bitmap back = PictureToBitmap(picture);
    ExpectSamePixels(source.get(), back.get());
}

TEST_F(PictureBridgeTest, EightBitGreyBitmapKeepsPixelsAndPalette) {
    Bitmap source = MakePatternBitmap(8);
    SetGreyPalette(source.get());
    const Picture picture = BitmapToPicture(source.get());
    ASSERT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_EQ(qRed(picture.pixel(0, 0)), PatternByte(0, kHeight - 1, 0));

    const Bitmap back = PictureToBitmap(picture);
    ExpectSamePixels(source.get(), back.get());
    ExpectSamePalette(source.get(), back.get());
    EXPECT_EQ(FreeImage_GetColorType(back.get()), FIC_MINISBLACK);
}

TEST_F(PictureBridgeTest, EightBitPaletteBitmapKeepsItsColours) {
    Bitmap source = MakePatternBitmap(8);
    RGBQUAD* palette = FreeImage_GetPalette(source.get());
    for (int i = 0; i < 256; ++i) {
        palette[i] = RGBQUAD{static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3),
                             static_cast<BYTE>(i ^ 0x5A), 0};
    }
    const Picture picture = BitmapToPicture(source.get());
    const BYTE index = PatternByte(1, kHeight - 1, 0);
    EXPECT_EQ(picture.pixel(1, 0),
              qRgb(palette[index].rgbRed, palette[index].rgbGreen, palette[index].rgbBlue));

    const Bitmap back = PictureToBitmap(picture);
    ExpectSamePixels(source.get(), back.get());
    ExpectSamePalette(source.get(), back.get());
}

TEST_F(PictureBridgeTest, PalettePictureTransparencyBecomesTransparencyTable) {
    QImage picture(4, 2, QImage::Format_Indexed8);
    picture.setColorTable({qRgba(10, 20, 30, 255), qRgba(40, 50, 60, 0)});
    picture.fill(1);
    const Bitmap dib = PictureToBitmap(picture);
    ASSERT_TRUE(dib);
    EXPECT_EQ(FreeImage_GetBPP(dib.get()), 8u);
    ASSERT_TRUE(FreeImage_IsTransparent(dib.get()));
    EXPECT_EQ(FreeImage_GetTransparencyTable(dib.get())[1], 0);
    EXPECT_EQ(FreeImage_GetPalette(dib.get())[1].rgbGreen, 50);

    const Picture again = BitmapToPicture(dib.get());
    EXPECT_EQ(again.pixel(0, 0), qRgba(40, 50, 60, 0));
}

TEST_F(PictureBridgeTest, PictureDepthDecidesBitmapDepth) {
    QImage grey(3, 2, QImage::Format_Grayscale8);
    grey.fill(200);
    const Bitmap fromGrey = PictureToBitmap(grey);
    ASSERT_TRUE(fromGrey);
    EXPECT_EQ(FreeImage_GetBPP(fromGrey.get()), 8u);
    EXPECT_EQ(FreeImage_GetScanLine(fromGrey.get(), 0)[0], 200);
    EXPECT_EQ(FreeImage_GetColorType(fromGrey.get()), FIC_MINISBLACK);

    QImage opaque(3, 2, QImage::Format_RGB32);
    opaque.fill(qRgb(1, 2, 3));
    const Bitmap fromOpaque = PictureToBitmap(opaque);
    ASSERT_TRUE(fromOpaque);
    EXPECT_EQ(FreeImage_GetBPP(fromOpaque.get()), 24u);
    RGBQUAD colour{};
    ASSERT_TRUE(FreeImage_GetPixelColor(fromOpaque.get(), 2, 1, &colour));
    EXPECT_EQ(colour.rgbRed, 1);
    EXPECT_EQ(colour.rgbBlue, 3);

    QImage premultiplied(3, 2, QImage::Format_ARGB32_Premultiplied);
    premultiplied.fill(QColor(100, 50, 0, 128));
    const Bitmap fromAlpha = PictureToBitmap(premultiplied);
    ASSERT_TRUE(fromAlpha);
    EXPECT_EQ(FreeImage_GetBPP(fromAlpha.get()), 32u);
    ASSERT_TRUE(FreeImage_GetPixelColor(fromAlpha.get(), 0, 0, &colour));
    EXPECT_EQ(colour.rgbReserved, 128);
    EXPECT_NEAR(colour.rgbRed, 100, 1);
}

TEST_F(PictureBridgeTest, ResolutionTravelsBothWays) {
    Bitmap source = MakePatternBitmap(24);
    FreeImage_SetDotsPerMeterX(source.get(), 11811);
    FreeImage_SetDotsPerMeterY(source.get(), 5905);
    const Picture picture = BitmapToPicture(source.get());
    EXPECT_EQ(picture.dotsPerMeterX(), 11811);
    EXPECT_EQ(picture.dotsPerMeterY(), 5905);
    const Bitmap back = PictureToBitmap(picture);
    EXPECT_EQ(FreeImage_GetDotsPerMeterX(back.get()), 11811u);
    EXPECT_EQ(FreeImage_GetDotsPerMeterY(back.get()), 5905u);
}

TEST_F(PictureBridgeTest, UnusualBitmapsAreShownThroughAConvertedCopy) {
    struct Case {
        const char* name;
        FREE_IMAGE_TYPE type;
        int bpp;
    };
    const Case cases[] = {{"1 bit", FIT_BITMAP, 1},
                          {"4 bit", FIT_BITMAP, 4},
                          {"16 bit 565", FIT_BITMAP, 16},
                          {"RGB 16 per channel", FIT_RGB16, 48},
                          {"RGBA 16 per channel", FIT_RGBA16, 64},
                          {"grey 16", FIT_UINT16, 16},
                          {"float RGB", FIT_RGBF, 96}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap dib(FreeImage_AllocateT(c.type, kWidth, kHeight, c.bpp));
        ASSERT_TRUE(dib);
        const Picture picture = BitmapToPicture(dib.get());
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), QSize(kWidth, kHeight));
    }
}

TEST_F(PictureBridgeTest, SixteenBitChannelsKeepTheirColour) {
    Bitmap dib(FreeImage_AllocateT(FIT_RGB16, 2, 2));
    auto* row = reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(dib.get(), 1));
    row[0] = FIRGB16{65535, 0, 32896};
    const Picture picture = BitmapToPicture(dib.get());
    const QRgb topLeft = picture.pixel(0, 0);
    EXPECT_EQ(qRed(topLeft), 255);
    EXPECT_EQ(qGreen(topLeft), 0);
    EXPECT_NEAR(qBlue(topLeft), 128, 1);
}

TEST_F(PictureBridgeTest, NothingInGivesNothingOut) {
    EXPECT_FALSE(PictureToBitmap(Picture()));
    EXPECT_FALSE(PictureToBitmap(QImage(0, 0, QImage::Format_RGB32)));
    EXPECT_TRUE(BitmapToPicture(static_cast<const FIBITMAP*>(nullptr)).isNull());
    Bitmap empty;
    EXPECT_TRUE(BitmapToPicture(empty, true).isNull());
    EXPECT_FALSE(empty);
}

TEST_F(PictureBridgeTest, PictureOutlivesItsSourceBitmap) {
    Bitmap source = MakePatternBitmap(24);
    const Picture picture = BitmapToPicture(source, false);
    EXPECT_TRUE(source);
    source.reset();
    EXPECT_EQ(qRed(picture.pixel(kWidth - 1, kHeight - 1)), PatternByte(kWidth - 1, 0, 2));
}

TEST_F(PictureBridgeTest, ReleaseSourceUnloadsEvenWithoutPicture) {
    Bitmap shown = MakePatternBitmap(32);
    EXPECT_FALSE(BitmapToPicture(shown, true).isNull());
    EXPECT_FALSE(shown);

    // A bitmap loaded without pixels cannot be shown; it must still be
    // unloaded (the leak checker of the sanitizer build would notice otherwise).
    Bitmap headerOnly = LoadHeaderOnly(MakePatternBitmap(24));
    ASSERT_TRUE(headerOnly);
    ASSERT_FALSE(FreeImage_HasPixels(headerOnly.get()));
    EXPECT_TRUE(BitmapToPicture(headerOnly, true).isNull());
    EXPECT_FALSE(headerOnly);
}

}  // namespace
}  // namespace orrisbay::imageio
