#include "imageio/picture_bridge.h"

#include <QColor>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace orrisbay::imageio {

using freeimage_base::Bitmap;

namespace {

// Picture formats whose bytes lie in memory exactly as the image library keeps
// 24- and 32-bit pixels, so rows copy without touching the channels.
#if FREEIMAGE_COLORORDER == FREEIMAGE_COLORORDER_BGR && Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr QImage::Format kFormat24 = QImage::Format_BGR888;
constexpr QImage::Format kFormat32 = QImage::Format_ARGB32;
#elif FREEIMAGE_COLORORDER == FREEIMAGE_COLORORDER_RGB
constexpr QImage::Format kFormat24 = QImage::Format_RGB888;
constexpr QImage::Format kFormat32 = QImage::Format_RGBA8888;
#else
#error "No picture format matches the image library's pixel layout on this platform"
#endif

constexpr int kPaletteSize = 256;

// Copies `bytesPerRow` bytes of every row; the image library stores rows
// bottom-up, pictures top-down.
void CopyRowsToBitmap(const QImage& image, FIBITMAP* dib, size_t bytesPerRow) {
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        std::memcpy(FreeImage_GetScanLine(dib, height - 1 - y), image.constScanLine(y),
                    bytesPerRow);
    }
}

void CopyRowsToPicture(const FIBITMAP* dib, QImage& image, size_t bytesPerRow) {
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y),
                    freeimage_base::ScanLine(dib, static_cast<unsigned>(height - 1 - y)),
                    bytesPerRow);
    }
}

void CopyResolutionToBitmap(const QImage& image, FIBITMAP* dib) {
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
        FreeImage_SetDotsPerMeterX(dib, static_cast<unsigned>(image.dotsPerMeterX()));
        FreeImage_SetDotsPerMeterY(dib, static_cast<unsigned>(image.dotsPerMeterY()));
    }
}

void CopyResolutionToPicture(const FIBITMAP* dib, QImage& image) {
    const unsigned x = freeimage_base::DotsPerMeterX(dib);
    const unsigned y = freeimage_base::DotsPerMeterY(dib);
    constexpr unsigned kLargest = 1'000'000'000;
    if (x > 0 && y > 0 && x < kLargest && y < kLargest) {
        image.setDotsPerMeterX(static_cast<int>(x));
        image.setDotsPerMeterY(static_cast<int>(y));
    }
}

// The picture's colour table as the bitmap's palette; entries with alpha
// become the bitmap's transparency table.
void CopyColourTableToBitmap(const QList<QRgb>& table, FIBITMAP* dib) {
    RGBQUAD* palette = FreeImage_GetPalette(dib);
    BYTE alpha[kPaletteSize];
    std::fill(std::begin(alpha), std::end(alpha), BYTE{0xFF});
    bool anyTransparent = false;
    const int count = std::min<int>(static_cast<int>(table.size()), kPaletteSize);
    for (int i = 0; i < count; ++i) {
        const QRgb colour = table[i];
        palette[i].rgbRed = static_cast<BYTE>(qRed(colour));
        palette[i].rgbGreen = static_cast<BYTE>(qGreen(colour));
        palette[i].rgbBlue = static_cast<BYTE>(qBlue(colour));
        palette[i].rgbReserved = 0;
        alpha[i] = static_cast<BYTE>(qAlpha(colour));
        anyTransparent = anyTransparent || alpha[i] != 0xFF;
    }
    if (anyTransparent) {
        FreeImage_SetTransparencyTable(dib, alpha, count);
    }
}

QList<QRgb> ColourTableOf(const FIBITMAP* dib) {
    const RGBQUAD* palette = freeimage_base::Palette(dib);
    const unsigned count = freeimage_base::ColorsUsed(dib);
    const BYTE* alpha =
        freeimage_base::IsTransparent(dib) ? freeimage_base::TransparencyTable(dib) : nullptr;
    const unsigned alphaCount = alpha ? freeimage_base::TransparencyCount(dib) : 0;
    QList<QRgb> table;
    table.reserve(static_cast<qsizetype>(count));
    for (unsigned i = 0; i < count; ++i) {
        const int a = i < alphaCount ? alpha[i] : 0xFF;
        table.append(qRgba(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue, a));
    }
    return table;
}

QList<QRgb> GreyTable() {
    QList<QRgb> table;
    table.reserve(kPaletteSize);
    for (int level = 0; level < kPaletteSize; ++level) {
        table.append(qRgb(level, level, level));
    }
    return table;
}

// Pictures with a colour table or grey levels keep 8 bits; the rest come in
// at 32 bits when they carry alpha and at 24 bits otherwise.
Bitmap IndexedPictureToBitmap(const QImage& picture) {
    Bitmap dib(FreeImage_Allocate(picture.width(), picture.height(), 8));
    if (!dib) {
        return {};
    }
    const bool grey = picture.format() == QImage::Format_Grayscale8;
    CopyColourTableToBitmap(grey ? GreyTable() : picture.colorTable(), dib.get());
    CopyRowsToBitmap(picture, dib.get(), static_cast<size_t>(picture.width()));
    return dib;
}

Bitmap TrueColourPictureToBitmap(const QImage& picture) {
    const bool alpha = picture.hasAlphaChannel();
    const QImage::Format format = alpha ? kFormat32 : kFormat24;
    const int bytesPerPixel = alpha ? 4 : 3;
    const QImage converted = picture.format() == format ? picture : picture.convertToFormat(format);
    if (converted.isNull()) {
        return {};
    }
    Bitmap dib(FreeImage_Allocate(converted.width(), converted.height(), bytesPerPixel * 8));
    if (!dib) {
        return {};
    }
    CopyRowsToBitmap(converted, dib.get(),
                     static_cast<size_t>(converted.width()) * static_cast<size_t>(bytesPerPixel));
    return dib;
}

// A standard bitmap of 8, 24 or 32 bits made from any other kind, or empty
// when the library cannot convert it.
Bitmap DisplayableCopy(const FIBITMAP* dib) {
    using namespace freeimage_base;
    switch (ImageType(dib)) {
        case FIT_BITMAP:
            if (Bpp(dib) < 8) {
                return ConvertTo8Bits(dib);
            }
            return IsTransparent(dib) ? ConvertTo32Bits(dib) : ConvertTo24Bits(dib);
        case FIT_RGB16:
            return ConvertTo24Bits(dib);
        case FIT_RGBA16:
            return ConvertTo32Bits(dib);
        case FIT_RGBF:
        case FIT_RGBAF:
            return ToneMapping(dib, FITMO_DRAGO03);
        default:
            // Single-channel numeric images become 8-bit greyscale.
            return ConvertToStandardType(dib, true);
    }
}

bool IsDisplayableAsIs(const FIBITMAP* dib) {
    const unsigned bpp = freeimage_base::Bpp(dib);
    return freeimage_base::ImageType(dib) == FIT_BITMAP && (bpp == 8 || bpp == 24 || bpp == 32);
}

QImage::Format PictureFormatFor(unsigned bpp) {
    switch (bpp) {
        case 8:
            return QImage::Format_Indexed8;
        case 24:
            return kFormat24;
        default:
            return kFormat32;
    }
}

Picture StandardBitmapToPicture(const FIBITMAP* dib) {
    const unsigned bpp = freeimage_base::Bpp(dib);
    QImage picture(static_cast<int>(freeimage_base::Width(dib)),
                   static_cast<int>(freeimage_base::Height(dib)), PictureFormatFor(bpp));
    if (picture.isNull()) {
        return {};
    }
    if (bpp == 8) {
        picture.setColorTable(ColourTableOf(dib));
    }
    CopyRowsToPicture(dib, picture, static_cast<size_t>(freeimage_base::Line(dib)));
    CopyResolutionToPicture(dib, picture);
    return picture;
}

}  // namespace

Bitmap PictureToBitmap(const Picture& picture) {
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        return {};
    }
    freeimage_base::InitialiseImageLibrary();
    const bool indexed = picture.format() == QImage::Format_Indexed8 ||
                         picture.format() == QImage::Format_Grayscale8;
    Bitmap dib = indexed ? IndexedPictureToBitmap(picture) : TrueColourPictureToBitmap(picture);
    if (dib) {
        CopyResolutionToBitmap(picture, dib.get());
    }
    return dib;
}

Picture BitmapToPicture(const FIBITMAP* dib) {
    if (dib == nullptr || !freeimage_base::HasPixels(dib) || freeimage_base::Width(dib) == 0 ||
        freeimage_base::Height(dib) == 0) {
        return {};
    }
    if (IsDisplayableAsIs(dib)) {
        return StandardBitmapToPicture(dib);
    }
    const Bitmap converted = DisplayableCopy(dib);
    if (!converted || !IsDisplayableAsIs(converted.get())) {
        return {};
    }
    Picture picture = StandardBitmapToPicture(converted.get());
    if (!picture.isNull()) {
        CopyResolutionToPicture(dib, picture);
    }
    return picture;
}

Picture BitmapToPicture(Bitmap& bitmap, bool releaseSource) {
    Picture picture = BitmapToPicture(bitmap.get());
    if (releaseSource) {
        bitmap.reset();
    }
    return picture;
}

}  // namespace orrisbay::imageio
