#include "app/texture_view.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/message_box.h"
#include "app/texture_canvas.h"

namespace orrisbay::app {

TextureView::TextureView(QWidget* parent)
    : QWidget(parent, Qt::Window), canvas_(new TextureCanvas(this)) {
    setWindowTitle(tr("Texture - %1").arg(ApplicationTitle()));
    createActions();
    createShadingBar();
    createLayout();
    connect(canvas_, &TextureCanvas::zoomChanged, this, &TextureView::showZoom);
    showZoom(canvas_->zoom());
    resize(720, 540);
}

void TextureView::createActions() {
    actualSizeAction_ = new QAction(tr("1:1"), this);
    actualSizeAction_->setToolTip(tr("Show the texture at its own size"));
    fitAction_ = new QAction(tr("Fit"), this);
    fitAction_->setToolTip(tr("Fit the texture in the window"));
    tileAction_ = new QAction(tr("Tile"), this);
    tileAction_->setCheckable(true);
    tileAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    tileAction_->setToolTip(tr("Lay the texture 3 x 3 so its seams show (Ctrl+T)"));
    auto* closeAction = new QAction(this);
    closeAction->setShortcut(QKeySequence(Qt::Key_Escape));
    shadingAction_ = new QAction(tr("Shading"), this);
    shadingAction_->setCheckable(true);
    shadingAction_->setToolTip(tr("Light the texture as the game's software renderer does"));
    markFullbrightsAction_ = new QAction(tr("Mark Fullbrights"), this);
    markFullbrightsAction_->setCheckable(true);
    markFullbrightsAction_->setToolTip(tr("Paint the pixels that glow whatever the light magenta"));
    for (QAction* action : {actualSizeAction_, fitAction_, tileAction_, closeAction}) {
        addAction(action);  // shortcuts anywhere in this window
    }
    connect(actualSizeAction_, &QAction::triggered, canvas_, &TextureCanvas::showActualSize);
    connect(fitAction_, &QAction::triggered, canvas_, &TextureCanvas::fitToWindow);
    connect(tileAction_, &QAction::toggled, canvas_, &TextureCanvas::setTiled);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    connect(shadingAction_, &QAction::toggled, this, &TextureView::showPalettedLevels);
    connect(markFullbrightsAction_, &QAction::toggled, this, &TextureView::showPalettedLevels);
}

// Shown only while the texture is in the game's palette.
void TextureView::createShadingBar() {
    shadingBar_ = new QWidget(this);
    lightSlider_ = new QSlider(Qt::Horizontal, shadingBar_);
    lightSlider_->setRange(0, quake_palette::kLightLevels - 1);
    lightSlider_->setValue(quake_palette::kNormalLightLevel);
    lightSlider_->setEnabled(false);
    lightSlider_->setToolTip(tr("The game's light level: 0 full light, %1 about the palette "
                                "itself, %2 darkness")
                                 .arg(quake_palette::kNormalLightLevel)
                                 .arg(quake_palette::kLightLevels - 1));
    lightLabel_ = new QLabel(shadingBar_);
    lightLabel_->setMinimumWidth(lightLabel_->fontMetrics().horizontalAdvance(tr("Level 00")));
    const auto showLevel = [this](int level) { lightLabel_->setText(tr("Level %1").arg(level)); };
    showLevel(lightSlider_->value());
    connect(lightSlider_, &QSlider::valueChanged, this, showLevel);
    connect(lightSlider_, &QSlider::valueChanged, this, &TextureView::showPalettedLevels);
    connect(shadingAction_, &QAction::toggled, lightSlider_, &QWidget::setEnabled);

    auto* row = new QHBoxLayout(shadingBar_);
    row->setContentsMargins(0, 0, 0, 0);
    auto* shading = new QToolButton(shadingBar_);
    shading->setDefaultAction(shadingAction_);
    auto* mark = new QToolButton(shadingBar_);
    mark->setDefaultAction(markFullbrightsAction_);
    row->addWidget(shading);
    row->addWidget(lightSlider_, 1);
    row->addWidget(lightLabel_);
    row->addWidget(mark);
    shadingBar_->hide();
}

void TextureView::createLayout() {
    auto* buttons = new QHBoxLayout;
    for (QAction* action : {actualSizeAction_, fitAction_, tileAction_}) {
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        buttons->addWidget(button);
    }
    zoomLabel_ = new QLabel(this);
    zoomLabel_->setMinimumWidth(
        zoomLabel_->fontMetrics().horizontalAdvance(QStringLiteral("1600%")));
    noteLabel_ = new QLabel(this);
    buttons->addWidget(zoomLabel_);
    buttons->addWidget(noteLabel_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(shadingBar_);
    layout->addWidget(canvas_, 1);
}

void TextureView::setPictures(std::vector<QImage> pictures, const QString& note) {
    paletted_.clear();
    shadingBar_->hide();
    canvas_->setPictures(std::move(pictures));
    noteLabel_->setText(note);
}

void TextureView::setPalettedPictures(std::vector<QImage> levels,
                                      const quake_palette::Palette& palette, int fullbrightCount,
                                      const QString& note) {
    if (!colourMap_ || palette != palette_ || fullbrightCount != fullbrightCount_) {
        colourMap_.emplace(palette, fullbrightCount);
        palette_ = palette;
        fullbrightCount_ = fullbrightCount;
    }
    paletted_ = std::move(levels);
    shadingBar_->show();
    noteLabel_->setText(note);
    showPalettedLevels();
}

QList<QRgb> TextureView::shownColours() const {
    const int level = shadingAction_->isChecked() ? lightSlider_->value() : -1;
    QList<QRgb> colours(256);
    for (int index = 0; index < 256; ++index) {
        const auto i = static_cast<std::uint8_t>(index);
        const quake_palette::ColourValue colour =
            palette_[level < 0 ? i : colourMap_->Lit(level, i)];
        colours[index] = markFullbrightsAction_->isChecked() && colourMap_->IsFullbright(i)
                             ? kFullbrightMark
                             : qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    }
    return colours;
}

void TextureView::showPalettedLevels() {
    if (paletted_.empty()) {
        return;
    }
    const QList<QRgb> colours = shownColours();
    std::vector<QImage> shown;
    for (const QImage& level : paletted_) {
        QImage lit = level;
        lit.setColorTable(colours);
        shown.push_back(lit.convertToFormat(QImage::Format_RGB32));
    }
    canvas_->setPictures(std::move(shown));
}

void TextureView::showZoom(double zoom) {
    zoomLabel_->setText(QStringLiteral("%1%").arg(std::lround(zoom * 100)));
}

}  // namespace orrisbay::app
