#include "app/save_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "console/console.h"
#include "imageio/image_writer.h"

namespace orrisbay::app {

std::string GetSaveFileNameDialog(QWidget* parent) {
    QFileDialog dialog(parent, QObject::tr("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(
        QString::fromStdString(imageio::SaveFileFilter()).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

bool AskToReplaceFile(QWidget* parent, const std::string& path) {
    const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
    QMessageBox box(QMessageBox::NoIcon,
                    QString::fromUtf8(console::kApplicationTitle.data(),
                                      static_cast<qsizetype>(console::kApplicationTitle.size())),
                    QObject::tr("%1 already exists.\nDo you want to replace it?").arg(name),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace orrisbay::app
