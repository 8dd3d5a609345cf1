#include "app/image_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace orrisbay::app {

ImageBox::ImageBox(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ImageBox::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void ImageBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(contentsRect(), picture_);
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT clicked();
    }
    QFrame::mouseReleaseEvent(event);
}

}  // namespace orrisbay::app
