// Makes the pictures the window carries from the start: two colour textures,
// two grey ramps, the preview (the program's own merge of those four), the
// arrows, the paste glyph and the application icon (the window's 32-pixel
// one, the larger ones a desktop shows, and the SVG).
//
//   orrisbay_make_pictures OUTPUT_FOLDER
//
// Everything is drawn from fixed seeds, so the output is the same every run.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "application_icon.h"
#include "imageio/picture_bridge.h"
#include "slots/slot_table.h"

namespace {

constexpr int kTextureSize = 256;
constexpr int kRampSize = 512;

// Smooth value noise on a wrapping lattice, summed over octaves: 0..1.
class FractalNoise {
  public:
    FractalNoise(unsigned seed, int cells) : cells_(cells), values_(cells * cells) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (double& v : values_) {
            v = unit(random);
        }
    }

    double At(double x, double y, int octaves) const {
        double sum = 0, weight = 1, total = 0, frequency = 1;
        for (int o = 0; o < octaves; ++o) {
            sum += weight * Smooth(x * frequency, y * frequency);
            total += weight;
            weight *= 0.5;
            frequency *= 2;
        }
        return sum / total;
    }

  private:
    double Lattice(int x, int y) const {
        x = ((x % cells_) + cells_) % cells_;
        y = ((y % cells_) + cells_) % cells_;
        return values_[static_cast<std::size_t>(y * cells_ + x)];
    }
    double Smooth(double x, double y) const {
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
        const double top = Lattice(x0, y0) + sx * (Lattice(x0 + 1, y0) - Lattice(x0, y0));
        const double bottom =
            Lattice(x0, y0 + 1) + sx * (Lattice(x0 + 1, y0 + 1) - Lattice(x0, y0 + 1));
        return top + sy * (bottom - top);
    }

    int cells_;
    std::vector<double> values_;
};

int Clamp(double v) {
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

QImage Rgb(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::black);
    return image;
}

// Green grass: a mottled ground covered with short blades of many greens.
QImage MakeGrass() {
    QImage image = Rgb(kTextureSize, kTextureSize);
    const FractalNoise ground(11, 16);
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const double n = ground.At(x / 16.0, y / 16.0, 4);
            image.setPixelColor(x, y,
                                QColor(Clamp(30 + 40 * n), Clamp(70 + 80 * n), Clamp(20 + 20 * n)));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    std::mt19937 random(12);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int blade = 0; blade < 5200; ++blade) {
        const double x = unit(random) * kTextureSize, y = unit(random) * kTextureSize;
        const double length = 4 + 9 * unit(random);
        const double lean = (unit(random) - 0.5) * 1.2;
        const double shade = unit(random);
        const QColor colour(Clamp(40 + 70 * shade), Clamp(100 + 110 * shade),
                            Clamp(25 + 40 * shade));
        painter.setPen(QPen(colour, 0.6 + 0.9 * unit(random), Qt::SolidLine, Qt::RoundCap));
        // Draw each blade at its wrapped positions too, so the texture tiles.
        for (int dx : {-kTextureSize, 0, kTextureSize}) {
            for (int dy : {-kTextureSize, 0, kTextureSize}) {
                painter.drawLine(QPointF(x + dx, y + dy),
                                 QPointF(x + dx + lean * length, y + dy - length));
            }
        }
    }
    return image;
}

// Brown gravel and dirt: a grainy soil with scattered rounded pebbles.
QImage MakeGravel() {
    QImage image = Rgb(kTextureSize, kTextureSize);
    const FractalNoise soil(21, 8);
    std::mt19937 grain(22);
    std::normal_distribution<double> speck(0.0, 9.0);
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const double n = soil.At(x / 32.0, y / 32.0, 5);
            const double g = speck(grain);
            image.setPixelColor(
                x, y,
                QColor(Clamp(95 + 60 * n + g), Clamp(68 + 45 * n + g), Clamp(40 + 30 * n + g)));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    std::mt19937 random(23);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int pebble = 0; pebble < 420; ++pebble) {
        const double x = unit(random) * kTextureSize, y = unit(random) * kTextureSize;
        const double rx = 2 + 6 * unit(random), ry = rx * (0.6 + 0.4 * unit(random));
        const double tone = unit(random);
        const QColor base(Clamp(105 + 80 * tone), Clamp(95 + 70 * tone), Clamp(80 + 60 * tone));
        for (int dx : {-kTextureSize, 0, kTextureSize}) {
            for (int dy : {-kTextureSize, 0, kTextureSize}) {
                const QPointF centre(x + dx, y + dy);
                painter.setPen(Qt::NoPen);
                painter.setBrush(QColor(40, 28, 18, 120));  // shadow
                painter.drawEllipse(centre + QPointF(1.2, 1.2), rx, ry);
                QRadialGradient light(centre - QPointF(rx / 3, ry / 3), rx * 1.3);
                light.setColorAt(0, base.lighter(135));
                light.setColorAt(1, base.darker(125));
                painter.setBrush(light);
                painter.drawEllipse(centre, rx, ry);
            }
        }
    }
    return image;
}

// Every row one grey level: 255 at the top falling by one level every two
// rows to 0 at the bottom, or upside down.
QImage MakeRamp(bool whiteAtTop) {
    QImage image = Rgb(kRampSize, kRampSize);
    for (int y = 0; y < kRampSize; ++y) {
        const int fromTop = 255 - y / 2;
        const int level = whiteAtTop ? fromTop : 255 - fromTop;
        for (int x = 0; x < kRampSize; ++x) {
            image.setPixelColor(x, y, QColor(level, level, level));
        }
    }
    return image;
}

// White arrow pointing right on a black square with a thin white frame.
QImage MakeRightArrow() {
    QImage image = Rgb(64, 64);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(QRectF(0.5, 0.5, 63, 63));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const QPointF arrow[] = {{12, 26}, {34, 26}, {34, 15}, {53, 32}, {34, 49}, {34, 38}, {12, 38}};
    painter.drawPolygon(arrow, 7);
    return image;
}

// A black square standing on one corner on a white ground, with a white
// arrow inside pointing down and right.
QImage MakeDownRightArrow() {
    QImage image = Rgb(90, 90);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QPointF diamond[] = {{45, 1}, {89, 45}, {45, 89}, {1, 45}};
    painter.drawPolygon(diamond, 4);
    painter.setBrush(Qt::white);
    painter.translate(45, 45);
    painter.rotate(45);
    const QPointF arrow[] = {{-20, -5}, {4, -5}, {4, -13}, {20, 0}, {4, 13}, {4, 5}, {-20, 5}};
    painter.drawPolygon(arrow, 7);
    return image;
}

// A clipboard with a sheet of paper on it, on a transparent ground.
QImage MakePasteGlyph() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QColor(90, 60, 25));
    painter.setBrush(QColor(176, 122, 56));
    painter.drawRect(1, 2, 10, 13);
    painter.setPen(QColor(80, 80, 80));
    painter.setBrush(QColor(190, 190, 190));
    painter.drawRect(3, 1, 6, 2);
    painter.setPen(QColor(60, 60, 120));
    painter.setBrush(Qt::white);
    painter.drawRect(6, 6, 9, 9);
    painter.setPen(QColor(120, 120, 160));
    for (int y = 8; y <= 13; y += 2) {
        painter.drawLine(8, y, 13, y);
    }
    return image;
}

// The window's first merge: the program's own slot table over the four.
QImage MakePreview(const QImage* inputs) {
    orrisbay::slots::NullSlotView view;
    orrisbay::slots::SlotTable table(view);
    for (int slot = 0; slot < 4; ++slot) {
        table.SetSlotImage(slot, orrisbay::imageio::PictureToBitmap(inputs[slot]));
    }
    return orrisbay::imageio::BitmapToPicture(table.Slot(orrisbay::slots::kResult))
        .convertToFormat(QImage::Format_RGB888);
}

bool Save(const QImage& image, const QDir& folder, const char* name) {
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!image.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

bool SaveText(const QString& text, const QDir& folder, const char* name) {
    const QString path = folder.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0 ||
        !file.flush()) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QImage inputs[4] = {MakeGrass(), MakeGravel(), MakeRamp(true), MakeRamp(false)};
    const bool ok = Save(inputs[0], folder, "grass.bmp") && Save(inputs[1], folder, "gravel.bmp") &&
                    Save(inputs[2], folder, "ramp_down.bmp") &&
                    Save(inputs[3], folder, "ramp_up.bmp") &&
                    Save(MakePreview(inputs), folder, "preview.bmp") &&
                    Save(MakeRightArrow(), folder, "arrow_right.bmp") &&
                    Save(MakeDownRightArrow(), folder, "arrow_down_right.bmp") &&
                    Save(MakePasteGlyph(), folder, "paste.png") &&
                    Save(ApplicationIconPicture(32), folder, "orrisbay.png") &&
                    Save(ApplicationIconPicture(64), folder, "orrisbay-64.png") &&
                    Save(ApplicationIconPicture(128), folder, "orrisbay-128.png") &&
                    SaveText(ApplicationIconSvg(), folder, "orrisbay.svg");
    return ok ? 0 : 1;
}
