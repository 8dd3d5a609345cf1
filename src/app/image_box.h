#pragma once

#include <QFrame>
#include <QImage>

namespace orrisbay::app {

// An image control: shows one picture, opaque, stretched over its drawing
// area (aspect ratio not kept) and reports left clicks. The picture it holds is
// the full-size one; it paints from a copy scaled smoothly to the drawing
// area once, when the picture or the area's size changes, so a repaint never
// scales a large picture again.
class ImageBox : public QFrame {
    Q_OBJECT

  public:
    explicit ImageBox(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);

    // The copy that is painted: the picture at the drawing area's size in
    // device pixels. Made now if the picture or the size changed since.
    const QImage& displayCopy();

  Q_SIGNALS:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QSize displaySize() const;

    QImage picture_;
    QImage display_;
};

}  // namespace orrisbay::app
