#include "app/image_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace orrisbay::app {

ImageBox::ImageBox(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ImageBox::setPicture(const QImage& picture) {
    picture_ = picture;
    display_ = QImage();
    update();
}

QSize ImageBox::displaySize() const {
    return (QSizeF(contentsRect().size()) * devicePixelRatioF()).toSize();
}

const QImage& ImageBox::displayCopy() {
    const QSize size = displaySize();
    if (picture_.isNull() || size.isEmpty()) {
        display_ = QImage();
        return display_;
    }
    if (display_.size() != size || display_.devicePixelRatio() != devicePixelRatioF()) {
        // Alpha plays no part in what is shown: many programs write 32-bit
        // pictures with every alpha byte 0, and the merge replaces a layer's
        // alpha with its mask anyway. The colours are made opaque first, since
        // smooth scaling weights them by alpha; then the picture is scaled in
        // one go with area averaging, in the screen's own format, so that
        // painting is a plain copy.
        const QImage opaque =
            picture_.hasAlphaChannel() ? picture_.convertToFormat(QImage::Format_RGB32) : picture_;
        display_ = opaque.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
        display_.setDevicePixelRatio(devicePixelRatioF());
    }
    return display_;
}

void ImageBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QImage& copy = displayCopy();
    if (copy.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), copy);
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT clicked();
    }
    QFrame::mouseReleaseEvent(event);
}

}  // namespace orrisbay::app
