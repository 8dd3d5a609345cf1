#include "app/message_box.h"

#include <QMessageBox>
#include <QPointer>

namespace orrisbay::app {

QString ApplicationTitle() {
    return QString::fromUtf8(console::kApplicationTitle.data(),
                             static_cast<qsizetype>(console::kApplicationTitle.size()));
}

void ShowMessageBox(QWidget* owner, const std::string& text, console::MessageButtons buttons) {
    const bool withCancel = buttons == console::MessageButtons::OkCancel;
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), QString::fromStdString(text),
                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, owner);
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void InstallMessageBoxes(QWidget* owner) {
    QPointer<QWidget> guardedOwner(owner);
    console::SetMessageBoxHook(
        [guardedOwner](const std::string& text, console::MessageButtons buttons) {
            ShowMessageBox(guardedOwner.data(), text, buttons);
        });
}

}  // namespace orrisbay::app
