// A pasted picture whose colour space is read from the fuzzer's bytes: three
// bytes choose its pixel format and size, the rest is its ICC profile. The
// picture goes to sRGB and through the bridge, as a paste does.
#include <QColorSpace>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>

#include "imageio/picture_bridge.h"
#include "imageio/picture_colour.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const int formatCount = QImage::NImageFormats - 1;  // Format_Invalid excluded
    QImage picture(1 + data[1] % 24, 1 + data[2] % 24,
                   static_cast<QImage::Format>(1 + data[0] % formatCount));
    if (picture.isNull()) {
        return 0;
    }
    if (picture.colorCount() > 0 || picture.format() == QImage::Format_Indexed8) {
        picture.setColorCount(256);
        for (int i = 0; i < 256; ++i) {
            picture.setColor(i, qRgba(i, 255 - i, i * 7, 255 - i / 2));
        }
    }
    for (qsizetype i = 0; i < picture.sizeInBytes(); ++i) {
        picture.bits()[i] = static_cast<uchar>(i * 29);
    }
    const QColorSpace space = QColorSpace::fromIccProfile(
        QByteArray(reinterpret_cast<const char*>(data + 3), static_cast<qsizetype>(size - 3)));
    if (space.isValid()) {
        picture.setColorSpace(space);
    }
    std::string warning;
    const orrisbay::imageio::Picture converted = orrisbay::imageio::PictureInSrgb(picture, warning);
    (void)orrisbay::imageio::PictureToBitmap(converted);
    return 0;
}
