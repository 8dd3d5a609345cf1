#pragma once

#include <QFrame>
#include <QImage>

namespace orrisbay::app {

// An image control: shows one picture stretched over its drawing area
// (aspect ratio not kept) and reports left clicks. The picture it holds is
// the full-size one; what it paints is only a view of it.
class ImageBox : public QFrame {
    Q_OBJECT

  public:
    explicit ImageBox(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);

  Q_SIGNALS:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QImage picture_;
};

}  // namespace orrisbay::app
