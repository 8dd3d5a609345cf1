#include "app/save_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include "app/message_box.h"
#include "console/console.h"
#include "imageio/image_writer.h"

namespace orrisbay::app {

namespace {

QStringList SaveFilters() {
    QStringList filters =
        QString::fromStdString(imageio::SaveFileFilter()).split(QStringLiteral(";;"));
    filters << QString::fromLatin1(kWadFilter) << QString::fromLatin1(kIndexedPngFilter)
            << QString::fromLatin1(kWalFilter);
    return filters;
}

// The first extension a filter such as "JPEG (*.jpg *.jpeg)" names, without the dot.
QString FirstSuffixOf(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("png");
}

bool AskYesNoBox(QWidget* parent, const QString& text, QMessageBox::StandardButton preferred) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(preferred);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

SaveChoice GetSaveFileNameDialog(QWidget* parent, const std::string& folder) {
    QFileDialog dialog(parent, QObject::tr("Save As"),
                       QFile::decodeName(QByteArray::fromStdString(folder)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(SaveFilters());
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(FirstSuffixOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return {QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString(),
            dialog.selectedNameFilter() == QString::fromLatin1(kIndexedPngFilter)};
}

bool AskToReplaceFile(QWidget* parent, const std::string& path) {
    const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
    return AskYesNoBox(parent,
                       QObject::tr("%1 already exists.\nDo you want to replace it?").arg(name),
                       QMessageBox::No);
}

bool AskToReplaceTexture(QWidget* parent, const std::string& name, const std::string& wadPath) {
    const QString wad = QFileInfo(QFile::decodeName(QByteArray::fromStdString(wadPath))).fileName();
    return AskYesNoBox(parent,
                       QObject::tr("%1 already holds a texture named %2.\nDo you want to "
                                   "replace it?")
                           .arg(wad, QString::fromStdString(name)),
                       QMessageBox::No);
}

std::string GetOpenWadFileName(QWidget* parent, const std::string& folder) {
    const QString path = QFileDialog::getOpenFileName(
        parent, QObject::tr("Open WAD"), QFile::decodeName(QByteArray::fromStdString(folder)),
        QObject::tr("WAD files (*.wad)"));
    return QFile::encodeName(path).toStdString();
}

bool AskYesNo(QWidget* parent, const std::string& message) {
    return AskYesNoBox(parent, QString::fromStdString(message), QMessageBox::Yes);
}

}  // namespace orrisbay::app
