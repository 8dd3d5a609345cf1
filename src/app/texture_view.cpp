#include "app/texture_view.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
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
    for (QAction* action : {actualSizeAction_, fitAction_, tileAction_, closeAction}) {
        addAction(action);  // shortcuts anywhere in this window
    }
    connect(actualSizeAction_, &QAction::triggered, canvas_, &TextureCanvas::showActualSize);
    connect(fitAction_, &QAction::triggered, canvas_, &TextureCanvas::fitToWindow);
    connect(tileAction_, &QAction::toggled, canvas_, &TextureCanvas::setTiled);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
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
    layout->addWidget(canvas_, 1);
}

void TextureView::setPictures(std::vector<QImage> pictures, const QString& note) {
    canvas_->setPictures(std::move(pictures));
    noteLabel_->setText(note);
}

void TextureView::showZoom(double zoom) {
    zoomLabel_->setText(QStringLiteral("%1%").arg(std::lround(zoom * 100)));
}

}  // namespace orrisbay::app
