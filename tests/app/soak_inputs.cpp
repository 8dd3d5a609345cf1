#include "soak_inputs.h"

#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <vector>

#include "imageio/crafted_images.h"
#include "imageio/freeimage_base.h"

namespace orrisbay::soak {

namespace {

struct FileType {
    FREE_IMAGE_FORMAT format;
    const char* extension;
};
constexpr std::array<FileType, 5> kTypes = {{{FIF_BMP, ".bmp"},
                                             {FIF_PNG, ".png"},
                                             {FIF_JPEG, ".jpg"},
                                             {FIF_GIF, ".gif"},
                                             {FIF_TARGA, ".tga"}}};
constexpr std::array<int, 5> kDepths = {1, 4, 8, 24, 32};

int Pick(std::mt19937& random, int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(random);
}

// A side of 1 to 1024 pixels, mostly small, so that a few thousand merges
// fit in about a minute.
int RandomSide(std::mt19937& random) {
    static constexpr std::array<int, 4> kLimits = {16, 64, 256, 1024};
    std::discrete_distribution<std::size_t> limit{4, 4, 3, 1};
    return std::uniform_int_distribution<int>(1, kLimits.at(limit(random)))(random);
}

// Ramps of random slopes over every byte of the rows (and random colours in
// a palette): cheap to make, and quick for PNG and GIF to compress.
freeimage_base::Bitmap RandomBitmap(std::mt19937& random, int bpp) {
    freeimage_base::Bitmap dib(FreeImage_Allocate(RandomSide(random), RandomSide(random), bpp));
    if (!dib) {
        return dib;
    }
    RGBQUAD* palette = FreeImage_GetPalette(dib.get());
    for (unsigned i = 0; palette != nullptr && i < FreeImage_GetColorsUsed(dib.get()); ++i) {
        const auto colour = random();
        palette[i] = RGBQUAD{BYTE(colour), BYTE(colour >> 8), BYTE(colour >> 16), 0xFF};
    }
    const unsigned across = random() % 9;
    const unsigned down = random() % 9;
    const unsigned offset = random();
    for (unsigned y = 0; y < FreeImage_GetHeight(dib.get()); ++y) {
        BYTE* row = FreeImage_GetScanLine(dib.get(), static_cast<int>(y));
        for (unsigned x = 0; x < FreeImage_GetLine(dib.get()); ++x) {
            row[x] = static_cast<BYTE>(x * across + y * down + offset);
        }
    }
    return dib;
}

// A good file of `format` at one of the depths the library writes it in.
std::string PictureBytes(std::mt19937& random, FREE_IMAGE_FORMAT format) {
    std::vector<int> depths;
    std::copy_if(kDepths.begin(), kDepths.end(), std::back_inserter(depths),
                 [format](int bpp) { return FreeImage_FIFSupportsExportBPP(format, bpp); });
    std::string bytes = testing::SavedBytes(
        RandomBitmap(random, depths.at(static_cast<std::size_t>(Pick(random, int(depths.size())))))
            .get(),
        format);
    // JPEG takes 8 bits only as greyscale, which a random palette is not.
    return bytes.empty() ? testing::SavedBytes(RandomBitmap(random, 24).get(), format) : bytes;
}

std::string RandomBytes(std::mt19937& random) {
    std::string bytes(static_cast<std::size_t>(Pick(random, 4096)), '\0');
    std::generate(bytes.begin(), bytes.end(), [&random] { return static_cast<char>(random()); });
    return bytes;
}

}  // namespace

RandomFile MakeRandomFile(std::mt19937& random) {
    const FileType& type = kTypes.at(static_cast<std::size_t>(Pick(random, int(kTypes.size()))));
    // One file in four is damaged.
    std::discrete_distribution<int> kinds{24, 2, 2, 2, 1, 1};
    RandomFile file{type.extension, {}, static_cast<FileKind>(kinds(random))};
    switch (file.kind) {
        case FileKind::Good:
            file.bytes = PictureBytes(random, type.format);
            break;
        case FileKind::Truncated:
            file.bytes = PictureBytes(random, type.format);
            file.bytes.resize(
                static_cast<std::size_t>(Pick(random, std::max(1, int(file.bytes.size())))));
            break;
        case FileKind::RandomBytes:
            file.bytes = RandomBytes(random);
            break;
        case FileKind::WrongExtension: {
            const std::size_t other = (&type - kTypes.data() + 1 + Pick(random, 4)) % kTypes.size();
            file.bytes = PictureBytes(random, kTypes.at(other).format);
            break;
        }
        case FileKind::DeclaredTooLarge:
            // Beyond the largest side taken, so it is refused before any decoding.
            file.bytes = testing::WithDeclaredSize(
                type.format, std::uniform_int_distribution<std::uint32_t>(16385, 65535)(random),
                std::uniform_int_distribution<std::uint32_t>(1, 65535)(random));
            break;
        case FileKind::Unsupported:
            file.extension = Pick(random, 2) == 0 ? ".tif" : ".txt";
            file.bytes = PictureBytes(random, FIF_PNG);
            break;
    }
    return file;
}

std::string MakeRewrite(std::mt19937& random, const std::string& path) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    if (std::none_of(kTypes.begin(), kTypes.end(),
                     [format](const FileType& type) { return type.format == format; })) {
        format = FIF_PNG;
    }
    std::string bytes = PictureBytes(random, format);
    if (Pick(random, 10) == 0) {
        bytes.resize(bytes.size() / 2);
    }
    return bytes;
}

QImage MakeClipboardPicture(std::mt19937& random) {
    static constexpr std::array kFormats = {QImage::Format_RGB32,    QImage::Format_ARGB32,
                                            QImage::Format_RGB888,   QImage::Format_Grayscale8,
                                            QImage::Format_Indexed8, QImage::Format_Mono,
                                            QImage::Format_RGBA64};
    int width = RandomSide(random);
    int height = RandomSide(random);
    if (Pick(random, 20) == 0) {
        (Pick(random, 2) == 0 ? width : height) = 16385 + Pick(random, 100);
    }
    QImage image(width, height,
                 kFormats.at(static_cast<std::size_t>(Pick(random, int(kFormats.size())))));
    if (image.isNull()) {
        return image;
    }
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono) {
        image.setColorCount(image.format() == QImage::Format_Mono ? 2 : 256);
        for (int i = 0; i < image.colorCount(); ++i) {
            image.setColor(i, qRgb(Pick(random, 256), Pick(random, 256), Pick(random, 256)));
        }
    }
    const unsigned across = random() % 9;
    const unsigned down = random() % 9;
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (qsizetype x = 0; x < image.bytesPerLine(); ++x) {
            row[x] = static_cast<uchar>(static_cast<unsigned>(x) * across +
                                        static_cast<unsigned>(y) * down);
        }
    }
    return image;
}

}  // namespace orrisbay::soak
