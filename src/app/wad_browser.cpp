#include "app/wad_browser.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <filesystem>

#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "console/console.h"
#include "gameformats/texture_names.h"
#include "gameformats/wad_edit.h"
#include "imageio/picture_bridge.h"

namespace orrisbay::app {

namespace {

using gameformats::WadFile;
using gameformats::WadKind;

constexpr int kThumbnailSide = 64;
constexpr int kNameRole = Qt::UserRole;
constexpr int kThumbnailRole = Qt::UserRole + 1;

// Draws the thumbnail an item holds as a pixmap in the place of its icon.
// Not through QIcon: an icon drawn selected leaves a key in Qt's pixmap cache
// that outlives the icon, and the list makes new thumbnails at every reload,
// so a long session of WAD edits would grow by one key per reload.
class ThumbnailDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const auto thumbnail = index.data(kThumbnailRole).value<QPixmap>();
        if (thumbnail.isNull()) {
            return;
        }
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QStyle* style = item.widget != nullptr ? item.widget->style() : QApplication::style();
        QRect place(QPoint(), thumbnail.deviceIndependentSize().toSize());
        place.moveCenter(
            style->subElementRect(QStyle::SE_ItemViewItemDecoration, &item, item.widget).center());
        painter->drawPixmap(place, thumbnail);
    }

  protected:
    // Leaves room for the thumbnail, as an icon would.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(kThumbnailRole).isValid()) {
            option->features |= QStyleOptionViewItem::HasDecoration;
        }
    }
};

void ShowError(const std::string& text) {
    console::ShowMessage(text, console::MessageButtons::OkCancel);
}

void ShowWarning(const std::string& warning) {
    if (!warning.empty()) {
        console::ShowMessage(warning, console::MessageButtons::Ok);
    }
}

QString FileNameOf(const std::string& path) {
    return QFile::decodeName(
        QByteArray::fromStdString(std::filesystem::path(path).filename().string()));
}

QPixmap Thumbnail(const gameformats::MipTexture& texture, WadKind kind,
                  const quake_palette::Palette& gamePalette) {
    const freeimage_base::Bitmap picture = MipTextureBitmap(texture, kind, gamePalette);
    const QImage image = imageio::BitmapToPicture(picture.get());
    if (image.isNull()) {
        return {};
    }
    return QPixmap::fromImage(image.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio,
                                           Qt::SmoothTransformation));
}

}  // namespace

WadBrowser::WadBrowser(std::string path, std::optional<quake_palette::Palette> gamePalette,
                       const QStringList& slotNames, SlotLoader loader, QWidget* parent)
    : QDialog(parent),
      path_(std::move(path)),
      gamePalette_(std::move(gamePalette)),
      loader_(std::move(loader)) {
    setWindowTitle(tr("%1 - %2").arg(FileNameOf(path_), ApplicationTitle()));
    summary_ = new QLabel;
    list_ = new QListWidget;
    list_->setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    list_->setUniformItemSizes(true);
    list_->setItemDelegate(new ThumbnailDelegate(list_));
    slotBox_ = new QComboBox;
    slotBox_->addItems(slotNames);
    auto* load = new QPushButton(tr("Load into"));
    auto* rename = new QPushButton(tr("Rename..."));
    auto* remove = new QPushButton(tr("Remove"));
    auto* extract = new QPushButton(tr("Extract to PNG..."));
    auto* close = new QPushButton(tr("Close"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(load);
    buttons->addWidget(slotBox_);
    buttons->addStretch();
    for (QPushButton* button : {rename, remove, extract, close}) {
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(560, 420);

    connect(load, &QPushButton::clicked, this, &WadBrowser::loadClicked);
    connect(list_, &QListWidget::itemActivated, this, &WadBrowser::loadClicked);
    connect(rename, &QPushButton::clicked, this, &WadBrowser::renameClicked);
    connect(remove, &QPushButton::clicked, this, &WadBrowser::removeClicked);
    connect(extract, &QPushButton::clicked, this, &WadBrowser::extractClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    reload();
}

void WadBrowser::reload() {
    const std::string selected = selectedName();
    list_->clear();
    const auto wad = gameformats::ReadWadFile(path_);
    if (!wad) {
        summary_->setText(QString::fromStdString(wad.problem().message));
        return;
    }
    const bool coloured = wad.value().kind == WadKind::Wad3 || gamePalette_;
    int textures = 0;
    for (const gameformats::WadLump& lump : wad.value().lumps) {
        const auto texture = gameformats::DecodeMipTexture(lump, wad.value().kind);
        if (!texture) {
            continue;
        }
        ++textures;
        const gameformats::MipTexture& t = texture.value();
        auto* item = new QListWidgetItem(QStringLiteral("%1\n%2 x %3")
                                             .arg(QString::fromStdString(t.name))
                                             .arg(t.width)
                                             .arg(t.height),
                                         list_);
        item->setData(kNameRole, QString::fromStdString(lump.name));
        if (coloured) {
            const QPixmap thumbnail =
                Thumbnail(t, wad.value().kind, gamePalette_.value_or(quake_palette::Palette{}));
            if (!thumbnail.isNull()) {
                item->setData(kThumbnailRole, thumbnail);
            }
        }
    }
    summary_->setText(tr("%1: %2, %3 textures")
                          .arg(FileNameOf(path_), wad.value().kind == WadKind::Wad3
                                                      ? QStringLiteral("WAD3")
                                                      : QStringLiteral("WAD2"))
                          .arg(textures));
    if (!selectTexture(selected) && list_->count() > 0) {
        list_->setCurrentRow(0);
    }
}

bool WadBrowser::selectTexture(const std::string& name) {
    for (int row = 0; row < list_->count(); ++row) {
        const std::string itemName = list_->item(row)->data(kNameRole).toString().toStdString();
        if (!name.empty() && gameformats::SameLumpName(itemName, name)) {
            list_->setCurrentRow(row);
            return true;
        }
    }
    return false;
}

std::string WadBrowser::selectedName() const {
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->data(kNameRole).toString().toStdString() : std::string();
}

bool WadBrowser::gamePaletteReady() {
    if (!gamePalette_) {
        ShowError(std::string(quake_palette::kUnavailableMessage));
        return false;
    }
    return true;
}

bool WadBrowser::loadSelectedInto(int slot) {
    const auto wad = gameformats::ReadWadFile(path_);
    if (!wad) {
        ShowError("Load: " + wad.problem().message);
        return false;
    }
    const auto texture = gameformats::FindTexture(wad.value(), selectedName());
    if (!texture) {
        ShowError("Load: " + texture.problem().message);
        return false;
    }
    if (wad.value().kind == WadKind::Wad2 && !gamePaletteReady()) {
        return false;
    }
    freeimage_base::Bitmap bitmap = MipTextureBitmap(
        texture.value(), wad.value().kind, gamePalette_.value_or(quake_palette::Palette{}));
    if (!bitmap) {
        ShowError("Load: \"" + texture.value().name + "\" is too large to load.");
        return false;
    }
    loader_(slot, std::move(bitmap), texture.value().name);
    return true;
}

bool WadBrowser::editWad(std::string_view action, const std::function<Result<void>(WadFile&)>& edit,
                         const std::string& animationName) {
    Result<void> edited;
    std::string gap;
    {
        const WaitCursor busy;
        edited = gameformats::EditWadFile(path_, [&](WadFile& wad) {
            const Result<void> status = edit(wad);
            gap = gameformats::AnimationGapWarning(wad, animationName);
            return status;
        });
    }
    reload();
    if (!edited) {
        ShowError(std::string(action) + ": " + edited.problem().message);
        return false;
    }
    ShowWarning(gap);
    return true;
}

bool WadBrowser::renameSelected(const std::string& newName) {
    const std::string from = selectedName();
    const auto rename = [&](WadFile& wad) { return gameformats::RenameLump(wad, from, newName); };
    if (!editWad("Rename", rename, from)) {
        return false;
    }
    selectTexture(newName);
    return true;
}

bool WadBrowser::removeSelected() {
    const std::string name = selectedName();
    return editWad(
        "Remove", [&](WadFile& wad) { return gameformats::RemoveLump(wad, name); }, name);
}

bool WadBrowser::extractSelected(const std::string& picturePath) {
    const auto wad = gameformats::ReadWadFile(path_);
    if (!wad) {
        ShowError("Extract: " + wad.problem().message);
        return false;
    }
    if (wad.value().kind == WadKind::Wad2 && !gamePaletteReady()) {
        return false;
    }
    Result<void> extracted;
    {
        const WaitCursor busy;
        extracted = gameformats::ExtractTexture(wad.value(), selectedName(),
                                                gamePalette_.value_or(quake_palette::Palette{}),
                                                picturePath);
    }
    if (!extracted) {
        ShowError("Extract: " + extracted.problem().message);
        return false;
    }
    return true;
}

void WadBrowser::loadClicked() {
    loadSelectedInto(slotBox_->currentIndex());
}

void WadBrowser::renameClicked() {
    const QString from = QString::fromStdString(selectedName());
    if (from.isEmpty()) {
        return;
    }
    bool ok = false;
    const QString to = QInputDialog::getText(this, tr("Rename"), tr("New name for %1:").arg(from),
                                             QLineEdit::Normal, from, &ok);
    if (ok && to != from) {
        renameSelected(to.toStdString());
    }
}

void WadBrowser::removeClicked() {
    const QString name = QString::fromStdString(selectedName());
    if (name.isEmpty()) {
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(),
                    tr("Remove %1 from %2?").arg(name, FileNameOf(path_)),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes) {
        removeSelected();
    }
}

void WadBrowser::extractClicked() {
    const QString name = QString::fromStdString(selectedName());
    if (name.isEmpty()) {
        return;
    }
    // Beside the WAD, the folder last chosen, not the program's own.
    const QString wadFolder = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path_))).path();
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Extract to PNG"), QDir(wadFolder).filePath(name + ".png"), tr("PNG (*.png)"));
    if (!path.isEmpty()) {
        extractSelected(QFile::encodeName(path).toStdString());
    }
}

}  // namespace orrisbay::app
