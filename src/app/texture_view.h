#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

class QAction;
class QLabel;
class QToolButton;

namespace orrisbay::app {

class TextureCanvas;

// The texture view: a second window, resizable and never modal, with the
// merged texture at full size. Buttons "1:1" and "Fit", "Tile" (Ctrl+T) to
// lay it 3 x 3 so seams show, the zoom and a note on what is shown; for a
// texture in the game's palette its mip levels stand beside it.
class TextureView : public QWidget {
    Q_OBJECT

  public:
    explicit TextureView(QWidget* parent = nullptr);

    // Shows `pictures` (the texture first, then its smaller mip levels, if
    // any) with `note` beside the buttons.
    void setPictures(std::vector<QImage> pictures, const QString& note);

    TextureCanvas* canvas() const { return canvas_; }
    QAction* actualSizeAction() const { return actualSizeAction_; }
    QAction* fitAction() const { return fitAction_; }
    QAction* tileAction() const { return tileAction_; }

  private:
    void createActions();
    void createLayout();
    void showZoom(double zoom);

    TextureCanvas* canvas_ = nullptr;
    QAction* actualSizeAction_ = nullptr;
    QAction* fitAction_ = nullptr;
    QAction* tileAction_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QLabel* noteLabel_ = nullptr;
};

}  // namespace orrisbay::app
