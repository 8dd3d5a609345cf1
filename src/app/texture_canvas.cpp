#include "app/texture_canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace orrisbay::app {

namespace {

constexpr int kGap = 8;                // texture pixels between the pictures of the sheet
constexpr double kWheelStep = 1.25;    // zoom factor of one notch of the wheel
const QColor kBackground(64, 64, 64);  // neutral, so black and white edges both show

}  // namespace

TextureCanvas::TextureCanvas(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::OpenHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(64, 64);
}

void TextureCanvas::setPictures(std::vector<QImage> pictures) {
    for (QImage& picture : pictures) {
        // Shown opaque, as the preview shows it.
        if (picture.hasAlphaChannel()) {
            picture = picture.convertToFormat(QImage::Format_RGB32);
        }
    }
    // A texture of another size starts fitted: the old zoom may leave it too
    // small or far outside the window.
    const QSize oldSize = pictures_.empty() ? QSize() : pictures_[0].size();
    pictures_ = std::move(pictures);
    smoothCopies_.clear();
    if (!pictures_.empty() && pictures_[0].size() != oldSize) {
        fitted_ = true;
    }
    if (fitted_) {
        fitToWindow();
    } else {
        setView(zoom_, origin_);
    }
}

void TextureCanvas::setTiled(bool tiled) {
    if (tiled == tiled_) {
        return;
    }
    // The middle tile takes the place of the texture, so the view stays on it.
    const QPointF shift = pictures_.empty()
                              ? QPointF()
                              : QPointF(pictures_[0].width(), pictures_[0].height()) * zoom_;
    tiled_ = tiled;
    if (fitted_) {
        fitToWindow();
    } else {
        setView(zoom_, tiled ? origin_ - shift : origin_ + shift);
    }
}

QRect TextureCanvas::placeOf(std::size_t picture) const {
    const int tiles = tiled_ ? 3 : 1;
    int left = 0;
    for (std::size_t i = 0; i < picture; ++i) {
        left += pictures_[i].width() * tiles + kGap;
    }
    return QRect(QPoint(left, 0), pictures_[picture].size());
}

QSize TextureCanvas::sheetSize() const {
    if (pictures_.empty()) {
        return {};
    }
    const int tiles = tiled_ ? 3 : 1;
    int height = 0;
    for (const QImage& picture : pictures_) {
        height = std::max(height, picture.height() * tiles);
    }
    const QRect last = placeOf(pictures_.size() - 1);
    return {last.left() + last.width() * tiles, height};
}

double TextureCanvas::fitZoom() const {
    const QSize sheet = sheetSize();
    if (sheet.isEmpty() || width() <= 0 || height() <= 0) {
        return 1.0;
    }
    return std::min(double(width()) / sheet.width(), double(height()) / sheet.height());
}

double TextureCanvas::minZoom() const {
    return std::min(fitZoom(), 1.0);
}

void TextureCanvas::zoomAround(double zoom, QPointF anchor) {
    zoom = std::clamp(zoom, minZoom(), std::max(kMaxZoom, fitZoom()));
    const QPointF sheetPoint = (anchor - origin_) / zoom_;
    fitted_ = false;
    setView(zoom, anchor - sheetPoint * zoom);
}

void TextureCanvas::showActualSize() {
    zoomAround(1.0, QPointF(width() / 2.0, height() / 2.0));
    // Each texel on one whole canvas pixel.
    setView(1.0, QPointF(std::round(origin_.x()), std::round(origin_.y())));
}

void TextureCanvas::fitToWindow() {
    fitted_ = true;
    setView(fitZoom(), QPointF());
}

void TextureCanvas::setView(double zoom, QPointF origin) {
    const bool zoomChanges = zoom != zoom_;
    zoom_ = zoom;
    origin_ = origin;
    keepSheetInView();
    update();
    if (zoomChanges) {
        Q_EMIT zoomChanged(zoom_);
    }
}

// A sheet smaller than the canvas is centred; a larger one cannot be pushed
// away from the canvas's edges.
void TextureCanvas::keepSheetInView() {
    const QSizeF extent = QSizeF(sheetSize()) * zoom_;
    const auto place = [](double origin, double extent, double canvas) {
        if (extent <= canvas) {
            return std::floor((canvas - extent) / 2);
        }
        return std::clamp(origin, canvas - extent, 0.0);
    };
    origin_ = QPointF(place(origin_.x(), extent.width(), width()),
                      place(origin_.y(), extent.height(), height()));
}

void TextureCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    for (std::size_t i = 0; i < pictures_.size(); ++i) {
        drawPicture(painter, i);
    }
}

void TextureCanvas::drawPicture(QPainter& painter, std::size_t picture) {
    const QImage& image = pictures_[picture];
    const QPointF corner = origin_ + QPointF(placeOf(picture).topLeft()) * zoom_;
    const int tiles = tiled_ ? 3 : 1;
    if (zoom_ < 1.0) {
        // A smooth copy made once per zoom; tiles are laid edge to edge at its size.
        const QImage& copy = smoothCopy(picture);
        for (int ty = 0; ty < tiles; ++ty) {
            for (int tx = 0; tx < tiles; ++tx) {
                painter.drawImage(corner.toPoint() + QPoint(tx * copy.width(), ty * copy.height()),
                                  copy);
            }
        }
        return;
    }
    // Pixels as squares; only the part of each tile on the canvas is drawn.
    // Edges are rounded to whole canvas pixels by one rule, so tiles meet
    // without a gap or an overlap that would look like a seam.
    const auto toCanvas = [this](double start, int texels) {
        return int(std::floor(start + texels * zoom_ + 0.5));  // the same way up everywhere
    };
    for (int ty = 0; ty < tiles; ++ty) {
        for (int tx = 0; tx < tiles; ++tx) {
            const QPointF tile = corner + QPointF(tx * image.width(), ty * image.height()) * zoom_;
            const int left = std::clamp(int(std::floor(-tile.x() / zoom_)), 0, image.width());
            const int top = std::clamp(int(std::floor(-tile.y() / zoom_)), 0, image.height());
            const int right =
                std::clamp(int(std::ceil((width() - tile.x()) / zoom_)), 0, image.width());
            const int bottom =
                std::clamp(int(std::ceil((height() - tile.y()) / zoom_)), 0, image.height());
            if (right <= left || bottom <= top) {
                continue;
            }
            const QRect source(left, top, right - left, bottom - top);
            const QRect target(
                QPoint(toCanvas(tile.x(), left), toCanvas(tile.y(), top)),
                QPoint(toCanvas(tile.x(), right) - 1, toCanvas(tile.y(), bottom) - 1));
            painter.drawImage(target, image, source);
        }
    }
}

const QImage& TextureCanvas::smoothCopy(std::size_t picture) {
    if (smoothCopiesZoom_ != zoom_ || smoothCopies_.size() != pictures_.size()) {
        smoothCopies_.assign(pictures_.size(), QImage());
        smoothCopiesZoom_ = zoom_;
    }
    QImage& copy = smoothCopies_[picture];
    if (copy.isNull()) {
        const QImage& image = pictures_[picture];
        const QSize size(std::max(1, int(std::lround(image.width() * zoom_))),
                         std::max(1, int(std::lround(image.height() * zoom_))));
        copy = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return copy;
}

void TextureCanvas::resizeEvent(QResizeEvent*) {
    if (fitted_) {
        fitToWindow();
    } else {
        setView(std::max(zoom_, minZoom()), origin_);
    }
}

void TextureCanvas::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0.0) {
        zoomAround(zoom_ * std::pow(kWheelStep, notches), event->position());
    }
    event->accept();
}

void TextureCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragFrom_ = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
}

void TextureCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        const QPointF moved = event->position() - dragFrom_;
        dragFrom_ = event->position();
        fitted_ = false;
        setView(zoom_, origin_ + moved);
    }
}

void TextureCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
        setCursor(Qt::OpenHandCursor);
    }
}

}  // namespace orrisbay::app
