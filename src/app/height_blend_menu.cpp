#include "app/height_blend_menu.h"

#include <QAction>
#include <QActionGroup>
#include <optional>

namespace orrisbay::app {

namespace {

// Transition depths: the softer, the longer the edge where both layers show.
struct Choice {
    const char* text;
    std::optional<double> depth;
};
constexpr Choice kChoices[] = {
    {"Off", std::nullopt}, {"Sharp", 0.05}, {"Medium", 0.15}, {"Soft", 0.3}};

}  // namespace

HeightBlendMenu::HeightBlendMenu(QWidget* parent) : QMenu(tr("Height Blend"), parent) {
    group_ = new QActionGroup(this);
    for (const Choice& choice : kChoices) {
        QAction* action = addAction(tr(choice.text));
        action->setCheckable(true);
        action->setChecked(!choice.depth);
        group_->addAction(action);
        slots::MergeOptions options;
        if (choice.depth) {
            options.heightBlend = slots::HeightBlend{*choice.depth};
        }
        connect(action, &QAction::triggered, this,
                [this, options] { Q_EMIT optionsChosen(options); });
    }
}

void HeightBlendMenu::showOptions(const slots::MergeOptions& options) {
    for (const Choice& choice : kChoices) {
        const bool same = choice.depth ? options.heightBlend == slots::HeightBlend{*choice.depth}
                                       : !options.heightBlend;
        if (same) {
            this->choice(tr(choice.text))->setChecked(true);
            return;
        }
    }
    if (other_ == nullptr) {
        other_ = addAction(QString());
        other_->setCheckable(true);
        group_->addAction(other_);
        connect(other_, &QAction::triggered, this, [this] { Q_EMIT optionsChosen(otherOptions_); });
    }
    other_->setText(tr("Depth %1, Strength %2")
                        .arg(options.heightBlend->depth)
                        .arg(options.heightBlend->strength));
    otherOptions_ = options;
    other_->setChecked(true);
}

QAction* HeightBlendMenu::choice(const QString& text) const {
    for (QAction* action : actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace orrisbay::app
