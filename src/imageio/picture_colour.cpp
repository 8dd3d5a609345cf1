#include "imageio/picture_colour.h"

#include <QColorSpace>
#include <cstdint>
#include <vector>

#include "imageio/colour_profile.h"

namespace orrisbay::imageio {

namespace {

// A picture's colour table converted by its colours; alpha is kept.
Result<bool> ConvertColourTable(QImage& picture, ProfileBytes profile) {
    QList<QRgb> table = picture.colorTable();
    std::vector<std::uint8_t> rgb;
    rgb.reserve(3 * static_cast<std::size_t>(table.size()));
    for (const QRgb colour : table) {
        rgb.insert(rgb.end(), {static_cast<std::uint8_t>(qRed(colour)),
                               static_cast<std::uint8_t>(qGreen(colour)),
                               static_cast<std::uint8_t>(qBlue(colour))});
    }
    Result<bool> result = ConvertColourTableToSrgb(profile, rgb);
    if (*result) {
        for (qsizetype i = 0; i < table.size(); ++i) {
            const auto at = static_cast<std::size_t>(3 * i);
            table[i] = qRgba(rgb[at], rgb[at + 1], rgb[at + 2], qAlpha(table[i]));
        }
        picture.setColorTable(table);
    }
    return result;
}

// Pictures of more than 8 bits a channel are worked on at 16, the rest at 8,
// in formats whose channels lie in memory as red, green, blue, alpha.
QImage::Format WorkingFormat(const QImage& picture) {
    const bool deep = picture.depth() > 32 || picture.format() == QImage::Format_Grayscale16;
    if (deep) {
        return picture.hasAlphaChannel() ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
    }
    return picture.hasAlphaChannel() ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888;
}

Result<bool> ConvertPixels(QImage& picture, ProfileBytes profile) {
    const bool deep =
        picture.format() == QImage::Format_RGBA64 || picture.format() == QImage::Format_RGBX64;
    return ConvertRowsToSrgb(
        profile, {picture.bits(), static_cast<std::size_t>(picture.bytesPerLine()),
                  static_cast<unsigned>(picture.width()), static_cast<unsigned>(picture.height()),
                  deep ? PixelLayout::Rgba16 : PixelLayout::Rgba8});
}

}  // namespace

Picture PictureInSrgb(const Picture& picture, std::string& warning) {
    const QColorSpace space = picture.colorSpace();
    if (picture.isNull() || !space.isValid() || space == QColorSpace::SRgb) {
        return picture;
    }
    const QByteArray icc = space.iccProfile();
    const ProfileBytes profile(reinterpret_cast<const std::uint8_t*>(icc.constData()),
                               static_cast<std::size_t>(icc.size()));
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    QImage converted = indexed ? picture : picture.convertToFormat(WorkingFormat(picture));
    if (converted.isNull()) {
        return picture;
    }
    const Result<bool> result =
        indexed ? ConvertColourTable(converted, profile) : ConvertPixels(converted, profile);
    if (!*result) {
        if (const std::string problem = WhyNotUsed(result); !problem.empty()) {
            warning = ColourProfileWarning(problem);
        }
        return picture;
    }
    converted.setColorSpace(QColorSpace::SRgb);
    return converted;
}

}  // namespace orrisbay::imageio
