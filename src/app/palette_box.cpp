#include "app/palette_box.h"

#include <QPainter>

namespace orrisbay::app {

PaletteBox::PaletteBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::TabFocus);
}

void PaletteBox::SetPersistentDrawing() {
    persistent_ = true;
    resizeBacking();
}

void PaletteBox::SetOuterSize(int width, int height) {
    setFixedSize(width, height);
    resizeBacking();
}

void PaletteBox::FillRectangle(int x1, int y1, int x2, int y2, quake_palette::ColourValue colour) {
    if (!persistent_) {
        return;
    }
    QPainter painter(&backing_);
    const QColor fill(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    painter.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)), fill);
    update();
}

void PaletteBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!backing_.isNull()) {
        QPainter painter(this);
        painter.drawImage(contentsRect().topLeft(), backing_);
    }
}

// Keeps the backing image the size of the drawing area, keeping what was drawn.
void PaletteBox::resizeBacking() {
    const QSize area = contentsRect().size();
    if (!persistent_ || backing_.size() == area) {
        return;
    }
    QImage resized(area, QImage::Format_RGB32);
    resized.fill(palette().color(QPalette::Window));
    if (!backing_.isNull()) {
        QPainter(&resized).drawImage(0, 0, backing_);
    }
    backing_ = resized;
}

}  // namespace orrisbay::app
