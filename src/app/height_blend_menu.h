#pragma once

#include <QMenu>

#include "slots/merge_options.h"

class QAction;
class QActionGroup;

namespace orrisbay::app {

// The preview menu's "Height Blend": Off (the plain blend, chosen at start),
// Sharp, Medium and Soft, one chosen at a time. The choice is not kept
// between runs.
class HeightBlendMenu : public QMenu {
    Q_OBJECT

  public:
    explicit HeightBlendMenu(QWidget* parent = nullptr);

    // The choice named `text` ("Off", "Sharp", "Medium", "Soft"), or null.
    QAction* choice(const QString& text) const;

    // Shows `options`, chosen elsewhere (a recipe's), as the choice made: one
    // of the four, or a fifth that names their depth and strength.
    void showOptions(const orrisbay::slots::MergeOptions& options);

  Q_SIGNALS:
    // The user chose the merge these options make.
    void optionsChosen(const orrisbay::slots::MergeOptions& options);

  private:
    QActionGroup* group_ = nullptr;
    QAction* other_ = nullptr;  // the fifth choice, once a recipe needed it
    orrisbay::slots::MergeOptions otherOptions_;
};

}  // namespace orrisbay::app
