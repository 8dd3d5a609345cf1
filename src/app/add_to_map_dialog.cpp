#include "app/add_to_map_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <system_error>

#include "app/wait_cursor.h"
#include "gameformats/texture_names.h"

namespace orrisbay::app {

namespace {

using gameformats::BspTexture;
using gameformats::BspTextureStorage;

std::string EncodedPath(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString DecodedPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString SizeText(unsigned width, unsigned height) {
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

QString VersionText(gameformats::BspVersion version) {
    switch (version) {
        case gameformats::BspVersion::Quake29:
            return QObject::tr("Quake map (BSP 29)");
        case gameformats::BspVersion::Bsp2:
            return QObject::tr("Quake map (BSP2)");
        case gameformats::BspVersion::Bsp2Rmq:
            return QObject::tr("Quake map (2PSB)");
        case gameformats::BspVersion::HalfLife30:
            break;
    }
    return QObject::tr("Half-Life map (BSP 30)");
}

// Each name once, as the map names it first: every entry of a name is replaced together.
bool ListedBefore(const gameformats::BspFile& map, const BspTexture& texture) {
    for (const BspTexture& other : map.textures) {
        if (&other == &texture) {
            return false;
        }
        if (other.storage != BspTextureStorage::Missing &&
            gameformats::SameLumpName(other.name, texture.name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

const BspTexture* FirstChoice(const gameformats::BspFile& map, unsigned width, unsigned height,
                              const std::string& name) {
    const BspTexture* sized = nullptr;
    const BspTexture* named = nullptr;
    for (const BspTexture& texture : map.textures) {
        if (texture.storage != BspTextureStorage::InMap) {
            continue;
        }
        const bool sameSize = texture.width == width && texture.height == height;
        const bool sameName = gameformats::SameLumpName(texture.name, name);
        if (sameSize && sameName) {
            return &texture;
        }
        sized = sized == nullptr && sameSize ? &texture : sized;
        named = named == nullptr && sameName ? &texture : named;
    }
    return sized != nullptr ? sized : named;
}

AddToMapDialog::AddToMapDialog(const MapProposal& proposal, QWidget* parent)
    : QDialog(parent), proposal_(proposal) {
    setWindowTitle(tr("Add to Map"));
    pathEdit_ = new QLineEdit(DecodedPath(proposal.path));
    auto* browse = new QPushButton(tr("Browse..."));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit_);
    pathRow->addWidget(browse);
    mapStatus_ = new QLabel;
    mapStatus_->setWordWrap(true);
    textureList_ = new QTreeWidget;
    textureList_->setHeaderLabels({tr("Texture"), tr("Size"), tr("Kept")});
    textureList_->setRootIsDecorated(false);
    textureList_->setMinimumSize(420, 220);
    textureList_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    sizeAdvice_ = new QLabel;
    sizeAdvice_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    okButton_ = buttons->button(QDialogButtonBox::Ok);

    auto* form = new QFormLayout(this);
    form->addRow(tr("Map file:"), pathRow);
    form->addRow(QString(), mapStatus_);
    form->addRow(tr("Replace:"), textureList_);
    form->addRow(QString(), sizeAdvice_);
    form->addRow(buttons);

    connect(browse, &QPushButton::clicked, this, &AddToMapDialog::browse);
    connect(pathEdit_, &QLineEdit::textChanged, this, &AddToMapDialog::examineMap);
    connect(textureList_, &QTreeWidget::itemSelectionChanged, this, &AddToMapDialog::updateAdvice);
    connect(textureList_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (okButton_->isEnabled()) {
            accept();
        }
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    examineMap();
}

MapTextureTarget AddToMapDialog::target() const {
    const QList<QTreeWidgetItem*> chosen = textureList_->selectedItems();
    return {EncodedPath(pathEdit_->text()),
            chosen.isEmpty()
                ? std::string()
                : chosen.constFirst()->data(0, Qt::UserRole).toByteArray().toStdString()};
}

void AddToMapDialog::browse() {
    const QString start =
        pathEdit_->text().isEmpty() ? DecodedPath(proposal_.browseFolder) : pathEdit_->text();
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Add to Map"), start,
                                                        tr("Compiled maps (*.bsp);;All files (*)"));
    if (!chosen.isEmpty()) {
        pathEdit_->setText(chosen);
    }
}

void AddToMapDialog::examineMap() {
    textureList_->clear();
    const std::string path = EncodedPath(pathEdit_->text());
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) {
        mapStatus_->setText(path.empty() ? tr("Choose a compiled map (.bsp).")
                                         : tr("There is no such file."));
        updateAdvice();
        return;
    }
    const Result<gameformats::BspFile> map = [&] {
        const WaitCursor busy;  // a large map takes a moment to read and check
        return gameformats::ReadBspFile(path);
    }();
    if (!map) {
        mapStatus_->setText(QString::fromStdString(ReasonOf(map.problem())));
        updateAdvice();
        return;
    }
    const BspTexture* first =
        FirstChoice(*map, proposal_.width, proposal_.height, proposal_.textureName);
    int stored = 0;
    for (const BspTexture& texture : map->textures) {
        if (texture.storage == BspTextureStorage::Missing || ListedBefore(*map, texture)) {
            continue;
        }
        const bool inMap = texture.storage == BspTextureStorage::InMap;
        auto* item = new QTreeWidgetItem(textureList_, {QString::fromStdString(texture.name),
                                                        SizeText(texture.width, texture.height),
                                                        inMap ? tr("in the map") : tr("in a WAD")});
        // The name's own bytes, which need not be UTF-8.
        item->setData(0, Qt::UserRole, QByteArray::fromStdString(texture.name));
        if (!inMap) {
            item->setFlags(Qt::NoItemFlags);  // the game reads it from a WAD: Add to WAD
            item->setToolTip(0, tr("Only named in the map: the game reads it from a WAD."));
        }
        stored += inMap ? 1 : 0;
        if (&texture == first) {
            item->setSelected(true);
            textureList_->scrollToItem(item);
        }
    }
    mapStatus_->setText(
        stored == 0 ? tr("%1: none of its textures is stored in it; the game "
                         "reads them from WADs, which Add to WAD... updates.")
                          .arg(VersionText(map->version))
        : stored == 1
            ? tr("%1: one texture stored in it.").arg(VersionText(map->version))
            : tr("%1: %2 textures stored in it.").arg(VersionText(map->version)).arg(stored));
    updateAdvice();
}

void AddToMapDialog::updateAdvice() {
    const QList<QTreeWidgetItem*> chosen = textureList_->selectedItems();
    okButton_->setEnabled(!chosen.isEmpty());
    const QString size = SizeText(proposal_.width, proposal_.height);
    if (chosen.isEmpty() || proposal_.width == 0 || chosen.constFirst()->text(1) == size) {
        sizeAdvice_->clear();
        return;
    }
    sizeAdvice_->setText(tr("This texture is %1 and the map's is %2, the size its faces were "
                            "laid out for: you will be asked to rescale it.")
                             .arg(size, chosen.constFirst()->text(1)));
}

std::optional<MapTextureTarget> AskMapTexture(QWidget* parent, const MapProposal& proposal) {
    AddToMapDialog dialog(proposal, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.target();
}

}  // namespace orrisbay::app
