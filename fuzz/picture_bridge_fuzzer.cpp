// Pictures of every QImage format and small odd sizes, their pixels and
// colour tables from the fuzzer's bytes, through the bridge to a bitmap and
// back to a picture.
#include <QImage>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imageio/picture_bridge.h"

namespace {

// Reads bytes off the front of the input; zero once it is used up.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    const std::uint8_t* rest() const { return data_ + at_; }
    std::size_t remaining() const { return size_ - at_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

QImage PictureFromBytes(ByteReader& bytes) {
    const int formatCount = QImage::NImageFormats - 1;  // Format_Invalid excluded
    const auto format = static_cast<QImage::Format>(1 + bytes.Next() % formatCount);
    const int width = 1 + bytes.Next() % 40;
    const int height = 1 + bytes.Next() % 40;
    const int colours = bytes.Next();  // may be fewer than the pixels refer to
    QImage picture(width, height, format);
    if (picture.isNull()) {
        return picture;
    }
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono ||
        format == QImage::Format_MonoLSB) {
        QList<QRgb> table;
        for (int i = 0; i < colours; ++i) {
            table.append(qRgba(bytes.Next(), bytes.Next(), bytes.Next(), bytes.Next()));
        }
        picture.setColorTable(table);
    }
    const auto length = static_cast<std::size_t>(picture.sizeInBytes());
    const std::size_t copied = std::min(length, bytes.remaining());
    if (copied > 0) {
        std::memcpy(picture.bits(), bytes.rest(), copied);
    }
    picture.setDotsPerMeterX(bytes.Next() * 1000);
    picture.setDotsPerMeterY(bytes.Next() * 1000);
    return picture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orrisbay;
    ByteReader bytes(data, size);
    const QImage picture = PictureFromBytes(bytes);
    freeimage_base::Bitmap bitmap = imageio::PictureToBitmap(picture);
    if (!bitmap) {
        return 0;
    }
    if (FreeImage_GetWidth(bitmap.get()) != static_cast<unsigned>(picture.width()) ||
        FreeImage_GetHeight(bitmap.get()) != static_cast<unsigned>(picture.height())) {
        __builtin_trap();  // the bridge must keep the picture's size
    }
    const QImage back = imageio::BitmapToPicture(bitmap.get());
    if (back.size() != picture.size()) {
        __builtin_trap();
    }
    freeimage_base::Bitmap again = imageio::PictureToBitmap(back);
    return 0;
}
