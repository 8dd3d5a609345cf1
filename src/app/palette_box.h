#pragma once

#include <QFrame>
#include <QImage>

#include "palette/quake_palette.h"

namespace orrisbay::app {

// The palette picture box: a flat one-pixel border around a drawing area
// whose pixels persist in a backing image, so the swatches are drawn once.
class PaletteBox : public QFrame, public quake_palette::SwatchSurface {
    Q_OBJECT

  public:
    explicit PaletteBox(QWidget* parent = nullptr);

    // The drawing area's persistent pixels.
    const QImage& backingImage() const { return backing_; }

    void SetPersistentDrawing() override;
    void SetOuterSize(int width, int height) override;
    void FillRectangle(int x1, int y1, int x2, int y2, quake_palette::ColourValue colour) override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void resizeBacking();

    QImage backing_;
    bool persistent_ = false;
};

}  // namespace orrisbay::app
