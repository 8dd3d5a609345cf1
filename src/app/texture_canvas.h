#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <vector>

namespace orrisbay::app {

// The drawing area of the texture view: pictures side by side on a sheet
// (the texture, then its smaller mip levels), each drawn 3 x 3 when tiled.
// The wheel zooms around the pointer, from fitting the sheet in the area (or
// 1:1 if that is smaller) up to 16x; above 1:1 pixels are drawn as sharp
// squares, below it the pictures are scaled smoothly. Dragging pans.
class TextureCanvas : public QWidget {
    Q_OBJECT

  public:
    static constexpr double kMaxZoom = 16.0;

    explicit TextureCanvas(QWidget* parent = nullptr);

    // Shows `pictures`; the zoom and place stay while the sheet keeps its size.
    void setPictures(std::vector<QImage> pictures);
    void setTiled(bool tiled);

    double zoom() const { return zoom_; }
    // Where the sheet's top-left corner lies on the canvas, in its pixels.
    QPointF origin() const { return origin_; }

    // Zooms to `zoom` (within the range) keeping the sheet point under
    // `anchor`, a canvas position, where it is.
    void zoomAround(double zoom, QPointF anchor);
    void showActualSize();
    // Fits the sheet in the canvas, and keeps it fitted as the canvas changes size.
    void fitToWindow();

  Q_SIGNALS:
    void zoomChanged(double zoom);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // One picture's place on the sheet, in texture pixels, before tiling.
    QRect placeOf(std::size_t picture) const;
    QSize sheetSize() const;
    double fitZoom() const;
    double minZoom() const;
    void setView(double zoom, QPointF origin);
    void keepSheetInView();
    void drawPicture(QPainter& painter, std::size_t picture);
    const QImage& smoothCopy(std::size_t picture);

    std::vector<QImage> pictures_;
    std::vector<QImage> smoothCopies_;  // the pictures at the zoom below 1:1
    double smoothCopiesZoom_ = 0.0;
    bool tiled_ = false;
    bool fitted_ = true;
    double zoom_ = 1.0;
    QPointF origin_;
    QPointF dragFrom_;
    bool dragging_ = false;
};

}  // namespace orrisbay::app
