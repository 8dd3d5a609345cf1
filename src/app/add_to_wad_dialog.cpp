#include "app/add_to_wad_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <system_error>

#include "gameformats/mip_texture.h"
#include "gameformats/texture_names.h"
#include "imageio/file_types.h"

namespace orrisbay::app {

namespace {

using gameformats::WadKind;

constexpr int kSeeThroughThreshold = 128;  // as the export's default

std::string EncodedPath(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString DecodedPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString KindText(WadKind kind) {
    return kind == WadKind::Wad3 ? QObject::tr("Half-Life WAD3 (each texture with its palette)")
                                 : QObject::tr("Quake WAD2 (the Quake palette)");
}

// What the texture's name means to the game, or the rule it breaks.
QString AdviceFor(const std::string& name, WadKind kind, bool* usable) {
    const auto checked = gameformats::CheckTextureName(name, kind);
    *usable = static_cast<bool>(checked);
    if (!checked) {
        return QString::fromStdString(checked.problem().message);
    }
    QString advice = QString::fromStdString(gameformats::PrefixExplanation(name, kind));
    if (gameformats::IsSeeThroughName(name)) {
        advice += QObject::tr(
                      " Here: see-through where both alpha channels are black, that is "
                      "where the two masks together cover less than %1 of 255.")
                      .arg(kSeeThroughThreshold);
    }
    return advice;
}

}  // namespace

AddToWadDialog::AddToWadDialog(const WadTarget& proposal, QWidget* parent)
    : QDialog(parent), browseFolder_(DecodedPath(proposal.browseFolder)) {
    setWindowTitle(tr("Add to WAD"));
    pathEdit_ = new QLineEdit(DecodedPath(proposal.path));
    auto* browse = new QPushButton(tr("Browse..."));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit_);
    pathRow->addWidget(browse);
    wadStatus_ = new QLabel;
    kindBox_ = new QComboBox;
    kindBox_->addItem(KindText(WadKind::Wad2));
    kindBox_->addItem(KindText(WadKind::Wad3));
    kindBox_->setCurrentIndex(proposal.kindIfNew == WadKind::Wad3 ? 1 : 0);
    nameEdit_ = new QLineEdit(QString::fromStdString(proposal.textureName));
    nameEdit_->setMaxLength(32);  // long enough to be told the limit
    nameAdvice_ = new QLabel;
    nameAdvice_->setWordWrap(true);
    nameAdvice_->setMinimumWidth(360);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    okButton_ = buttons->button(QDialogButtonBox::Ok);

    auto* form = new QFormLayout(this);
    // The dialog grows and shrinks with the advice, so no line of it is cut.
    form->setSizeConstraint(QLayout::SetFixedSize);
    form->addRow(tr("WAD file:"), pathRow);
    form->addRow(QString(), wadStatus_);
    form->addRow(tr("New WAD:"), kindBox_);
    form->addRow(tr("Texture name:"), nameEdit_);
    form->addRow(QString(), nameAdvice_);
    form->addRow(buttons);

    connect(browse, &QPushButton::clicked, this, &AddToWadDialog::browse);
    connect(pathEdit_, &QLineEdit::textChanged, this, &AddToWadDialog::examineWad);
    connect(kindBox_, &QComboBox::currentIndexChanged, this, &AddToWadDialog::updateAdvice);
    connect(nameEdit_, &QLineEdit::textChanged, this, &AddToWadDialog::updateAdvice);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    examineWad();
}

WadTarget AddToWadDialog::target() const {
    std::string path = EncodedPath(pathEdit_->text());
    if (!path.empty() && imageio::FileExtension(path) != ".wad") {
        path += ".wad";
    }
    return {path, nameEdit_->text().toStdString(),
            kindBox_->currentIndex() == 1 ? WadKind::Wad3 : WadKind::Wad2};
}

WadKind AddToWadDialog::kind() const {
    return existingKind_.value_or(target().kindIfNew);
}

void AddToWadDialog::browse() {
    QFileDialog dialog(this, tr("Add to WAD"),
                       pathEdit_->text().isEmpty() ? browseFolder_ : pathEdit_->text());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(tr("WAD files (*.wad)"));
    dialog.setDefaultSuffix(QStringLiteral("wad"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the texture is added, not the file
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        pathEdit_->setText(dialog.selectedFiles().constFirst());
    }
}

void AddToWadDialog::examineWad() {
    const std::string path = target().path;
    std::error_code error;
    existingKind_.reset();
    wadUsable_ = !path.empty();
    if (path.empty()) {
        wadStatus_->setText(tr("Name a WAD to add the texture to."));
    } else if (!std::filesystem::exists(path, error)) {
        wadStatus_->setText(tr("A new WAD will be made."));
    } else if (const auto header = gameformats::ReadWadHeader(path); header) {
        existingKind_ = header->kind;
        wadStatus_->setText(tr("%1, %2 lumps; it keeps its kind.")
                                .arg(KindText(header->kind))
                                .arg(header->lumpCount));
    } else {
        wadUsable_ = false;
        wadStatus_->setText(QString::fromStdString(header.problem().message));
    }
    kindBox_->setEnabled(!existingKind_);
    updateAdvice();
}

void AddToWadDialog::updateAdvice() {
    bool nameUsable = false;
    nameAdvice_->setText(AdviceFor(nameEdit_->text().toStdString(), kind(), &nameUsable));
    okButton_->setEnabled(wadUsable_ && nameUsable);
}

std::optional<WadTarget> AskWadTarget(QWidget* parent, const WadTarget& proposal) {
    AddToWadDialog dialog(proposal, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.target();
}

}  // namespace orrisbay::app
