#pragma once

#include <QImage>
#include <QWidget>
#include <optional>
#include <vector>

#include "palette/colour_map.h"

class QAction;
class QLabel;
class QSlider;
class QToolButton;

namespace orrisbay::app {

class TextureCanvas;

// The texture view: a second window, resizable and never modal, with the
// merged texture at full size. Buttons "1:1" and "Fit", "Tile" (Ctrl+T) to
// lay it 3 x 3 so seams show, the zoom and a note on what is shown; for a
// texture in the game's palette its mip levels stand beside it, and
// "Shading" lights them all as the game's software renderer does, at a light
// level from 0 (full light) to 63 (darkness), with "Mark Fullbrights" to
// paint the pixels that glow whatever the light in a contrasting colour.
class TextureView : public QWidget {
    Q_OBJECT

  public:
    explicit TextureView(QWidget* parent = nullptr);

    // Shows `pictures` (the texture first, then its smaller mip levels, if
    // any) with `note` beside the buttons.
    void setPictures(std::vector<QImage> pictures, const QString& note);
    // Shows the mip levels of a texture in the game's palette: `levels` are
    // 8-bit pictures (full size first) of indices into `palette`, whose last
    // `fullbrightCount` colours glow; the Shading controls show while they do.
    void setPalettedPictures(std::vector<QImage> levels, const quake_palette::Palette& palette,
                             int fullbrightCount, const QString& note);

    TextureCanvas* canvas() const { return canvas_; }
    QAction* actualSizeAction() const { return actualSizeAction_; }
    QAction* fitAction() const { return fitAction_; }
    QAction* tileAction() const { return tileAction_; }
    QAction* shadingAction() const { return shadingAction_; }
    QAction* markFullbrightsAction() const { return markFullbrightsAction_; }
    // The light level, 0 to 63, used while Shading is on.
    QSlider* lightSlider() const { return lightSlider_; }
    QWidget* shadingBar() const { return shadingBar_; }

    // What Mark Fullbrights paints the glowing pixels with: no Quake colour is near it.
    static constexpr QRgb kFullbrightMark = 0xFFFF00FF;

  private:
    void createActions();
    void createShadingBar();
    void createLayout();
    void showZoom(double zoom);
    // Draws the paletted levels through the colour table that Shading and
    // Mark Fullbrights make, and hands them to the canvas.
    void showPalettedLevels();
    QList<QRgb> shownColours() const;

    TextureCanvas* canvas_ = nullptr;
    QAction* actualSizeAction_ = nullptr;
    QAction* fitAction_ = nullptr;
    QAction* tileAction_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QLabel* noteLabel_ = nullptr;

    QAction* shadingAction_ = nullptr;
    QAction* markFullbrightsAction_ = nullptr;
    QSlider* lightSlider_ = nullptr;
    QLabel* lightLabel_ = nullptr;
    QWidget* shadingBar_ = nullptr;
    std::vector<QImage> paletted_;  // 8-bit levels; empty while a full-colour texture shows
    quake_palette::Palette palette_{};
    std::optional<quake_palette::ColourMap> colourMap_;  // made for palette_
    int fullbrightCount_ = 0;
};

}  // namespace orrisbay::app
