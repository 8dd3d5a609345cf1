#include "application_icon.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QRectF>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr double kUnits = 128;

// A shape of the icon: a rounded rectangle with a vertical gradient, an
// ellipse or a line. Coordinates are rounded to tenths, as the SVG writes them.
struct Shape {
    enum class Kind { Tile, Pebble, Blade } kind;
    QRectF box;  // for a blade: from the top-left corner to the bottom-right one
    QColor fill, fillBottom, stroke;
    double strokeWidth = 0;
};

double Tenths(double v) {
    return std::round(v * 10) / 10;
}

// Fixed-seed numbers in [0, 1), the same with every standard library.
class Dice {
  public:
    explicit Dice(unsigned seed) : engine_(seed) {}
    double Roll() { return static_cast<double>(engine_()) / 4294967296.0; }

  private:
    std::mt19937 engine_;
};

QColor Outline() {
    return QColor(30, 30, 30);
}

void AddTile(std::vector<Shape>& shapes, double left, QColor top, QColor bottom) {
    shapes.push_back({Shape::Kind::Tile, QRectF(left, left, 72, 72), top, bottom, Outline(), 3});
}

void AddBlades(std::vector<Shape>& shapes, double left) {
    Dice dice(12);
    for (int blade = 0; blade < 34; ++blade) {
        const double x = Tenths(left + 6 + 60 * dice.Roll());
        const double y = Tenths(left + 18 + 48 * dice.Roll());
        const double length = 8 + 8 * dice.Roll(), lean = (dice.Roll() - 0.5) * 8;
        const double shade = dice.Roll();
        const QColor colour(static_cast<int>(70 + 80 * shade), static_cast<int>(150 + 80 * shade),
                            static_cast<int>(40 + 40 * shade));
        shapes.push_back({Shape::Kind::Blade,
                          QRectF(QPointF(x, y), QPointF(Tenths(x + lean), Tenths(y - length))),
                          {},
                          {},
                          colour,
                          2.5});
    }
}

// One pebble in each cell of a 4 x 4 grid, placed at random inside it.
void AddPebbles(std::vector<Shape>& shapes, double left) {
    Dice dice(23);
    constexpr double kCell = 15.5;
    for (int cell = 0; cell < 16; ++cell) {
        const double rx = 3 + 3.5 * dice.Roll(), ry = rx * (0.6 + 0.4 * dice.Roll());
        const double cellLeft = left + 5 + kCell * (cell % 4),
                     cellTop = left + 5 + kCell * (cell / 4);
        const double cx = cellLeft + rx + (kCell - 2 * rx) * dice.Roll();
        const double cy = cellTop + ry + (kCell - 2 * ry) * dice.Roll();
        const double tone = dice.Roll();
        const QColor colour(static_cast<int>(150 + 70 * tone), static_cast<int>(135 + 65 * tone),
                            static_cast<int>(110 + 60 * tone));
        shapes.push_back({Shape::Kind::Pebble,
                          QRectF(Tenths(cx - rx), Tenths(cy - ry), Tenths(2 * rx), Tenths(2 * ry)),
                          colour,
                          {},
                          QColor(70, 50, 30),
                          1.5});
    }
}

std::vector<Shape> IconShapes() {
    std::vector<Shape> shapes;
    AddTile(shapes, 8, QColor(95, 168, 58), QColor(40, 100, 28));
    AddBlades(shapes, 8);
    AddTile(shapes, 48, QColor(160, 120, 80), QColor(100, 70, 44));
    AddPebbles(shapes, 48);
    return shapes;
}

void Paint(QPainter& painter, const Shape& shape) {
    QPen pen(shape.stroke, shape.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    switch (shape.kind) {
        case Shape::Kind::Tile: {
            QLinearGradient gradient(0, 0, 0, 1);
            gradient.setCoordinateMode(QGradient::ObjectMode);
            gradient.setColorAt(0, shape.fill);
            gradient.setColorAt(1, shape.fillBottom);
            painter.setBrush(gradient);
            painter.drawRoundedRect(shape.box, 6, 6);
            break;
        }
        case Shape::Kind::Pebble:
            painter.setBrush(shape.fill);
            painter.drawEllipse(shape.box);
            break;
        case Shape::Kind::Blade:
            painter.drawLine(shape.box.topLeft(), shape.box.bottomRight());
            break;
    }
}

QString Number(double v) {
    return QString::number(Tenths(v), 'f', 1);
}

QString Colour(const QColor& c) {
    return c.name(QColor::HexRgb);
}

QString SvgElement(const Shape& shape, QStringList& gradients) {
    const qsizetype index = gradients.size();
    const QString stroke = QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"")
                               .arg(Colour(shape.stroke), Number(shape.strokeWidth));
    const QRectF& b = shape.box;
    switch (shape.kind) {
        case Shape::Kind::Tile:
            gradients << QStringLiteral(
                             "    <linearGradient id=\"tile%1\" x1=\"0\" y1=\"0\" x2=\"0\" "
                             "y2=\"1\">\n      <stop offset=\"0\" stop-color=\"%2\"/>\n      "
                             "<stop offset=\"1\" stop-color=\"%3\"/>\n    </linearGradient>")
                             .arg(index)
                             .arg(Colour(shape.fill), Colour(shape.fillBottom));
            return QStringLiteral(
                       "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"6\" "
                       "fill=\"url(#tile%5)\"%6 stroke-linejoin=\"round\"/>")
                .arg(Number(b.x()), Number(b.y()), Number(b.width()), Number(b.height()))
                .arg(index)
                .arg(stroke);
        case Shape::Kind::Pebble:
            return QStringLiteral(
                       "  <ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\" fill=\"%5\"%6/>")
                .arg(Number(b.center().x()), Number(b.center().y()), Number(b.width() / 2),
                     Number(b.height() / 2), Colour(shape.fill), stroke);
        case Shape::Kind::Blade:
            return QStringLiteral(
                       "  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"%5 "
                       "stroke-linecap=\"round\"/>")
                .arg(Number(b.left()), Number(b.top()), Number(b.right()), Number(b.bottom()),
                     stroke);
    }
    return {};
}

}  // namespace

QImage ApplicationIconPicture(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kUnits, size / kUnits);
    for (const Shape& shape : IconShapes()) {
        Paint(painter, shape);
    }
    return image;
}

QString ApplicationIconSvg() {
    QStringList gradients, elements;
    for (const Shape& shape : IconShapes()) {
        elements << SvgElement(shape, gradients);
    }
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"128\" "
               "height=\"128\" viewBox=\"0 0 128 128\">\n  <defs>\n%1\n  </defs>\n%2\n</svg>\n")
        .arg(gradients.join(QLatin1Char('\n')), elements.join(QLatin1Char('\n')));
}
