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
        // Scaled in one go with area averaging, then brought to the screen's
        // own format so that painting is a plain copy.
        const QImage::Format format =
            picture_.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
        display_ = picture_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(format);
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
