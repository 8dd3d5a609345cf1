#include "app/recipe_browser.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/message_box.h"
#include "imageio/file_types.h"
#include "imageio/picture_bridge.h"

namespace orrisbay::app {

namespace {

using session::ListedTexture;
using session::SourceRole;

constexpr int kThumbnailSide = 64;
constexpr const char* kRecipeFilter = "Recipes (*.toml)";

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString StateText(ListedTexture::State state) {
    switch (state) {
        case ListedTexture::State::Built:
            return QObject::tr("built");
        case ListedTexture::State::OutOfDate:
            return QObject::tr("out of date");
        case ListedTexture::State::Failed:
            break;
    }
    return QObject::tr("failed");
}

// The picture that shows best what a texture is: its plain picture, or its first layer.
const std::filesystem::path& FirstPicture(const session::SetTexture& texture) {
    return texture.IsPlainPicture() ? texture.Source(SourceRole::Picture)
                                    : texture.Source(SourceRole::Layer1);
}

}  // namespace

RecipeBrowser::RecipeBrowser(std::string path, std::vector<ListedTexture> textures,
                             RecipeTextureLoader loader, QWidget* parent)
    : QDialog(parent),
      path_(std::move(path)),
      textures_(std::move(textures)),
      loader_(std::move(loader)) {
    const QString name = FromPath(std::filesystem::path(path_).filename().string());
    setWindowTitle(tr("%1 - %2").arg(name, ApplicationTitle()));
    summary_ =
        new QLabel(tr("%1: %n textures", nullptr, static_cast<int>(textures_.size())).arg(name));
    list_ = new QListWidget;
    list_->setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    list_->setUniformItemSizes(true);
    for (const ListedTexture& listed : textures_) {
        const std::string output = listed.texture.output.filename().string();
        auto* item = new QListWidgetItem(QStringLiteral("%1\n%2, %3")
                                             .arg(QString::fromStdString(listed.texture.name),
                                                  StateText(listed.state), FromPath(output)),
                                         list_);
        item->setToolTip(QString::fromStdString(listed.why));
    }
    if (list_->count() > 0) {
        list_->setCurrentRow(0);
    }
    auto* open = new QPushButton(tr("Open"));
    open->setDefault(true);
    auto* close = new QPushButton(tr("Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(open);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(460, 420);

    connect(open, &QPushButton::clicked, this, &RecipeBrowser::openSelected);
    connect(list_, &QListWidget::itemActivated, this, &RecipeBrowser::openSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    thumbnails_ = new QTimer(this);
    connect(thumbnails_, &QTimer::timeout, this, &RecipeBrowser::makeNextThumbnail);
    thumbnails_->start(0);
}

void RecipeBrowser::makeNextThumbnail() {
    if (nextThumbnail_ >= static_cast<int>(textures_.size())) {
        thumbnails_->stop();
        return;
    }
    const int row = nextThumbnail_++;
    const std::filesystem::path& picture =
        FirstPicture(textures_[static_cast<std::size_t>(row)].texture);
    const Result<freeimage_base::Bitmap> loaded = imageio::LoadImageFile(picture.string());
    if (!loaded) {
        return;
    }
    const QImage image = imageio::BitmapToPicture(loaded->get());
    if (!image.isNull()) {
        list_->item(row)->setIcon(QPixmap::fromImage(image.scaled(
            kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
}

bool RecipeBrowser::selectTexture(const std::string& name) {
    for (std::size_t row = 0; row < textures_.size(); ++row) {
        if (textures_[row].texture.name == name) {
            list_->setCurrentRow(static_cast<int>(row));
            return true;
        }
    }
    return false;
}

bool RecipeBrowser::openSelected() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(textures_.size())) {
        return false;
    }
    const ListedTexture& listed = textures_[static_cast<std::size_t>(row)];
    if (!loader_(listed.texture, listed.state == ListedTexture::State::Built)) {
        return false;
    }
    close();
    return true;
}

std::string GetOpenRecipeFileName(QWidget* parent, const std::string& folder) {
    const QString path = QFileDialog::getOpenFileName(parent, QObject::tr("Open Recipe"),
                                                      FromPath(folder), QObject::tr(kRecipeFilter));
    return QFile::encodeName(path).toStdString();
}

std::string GetSaveRecipeFileName(QWidget* parent, const std::string& folder) {
    QFileDialog dialog(parent, QObject::tr("Save Recipe"), FromPath(folder));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QObject::tr(kRecipeFilter));
    dialog.setDefaultSuffix(QStringLiteral("toml"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace orrisbay::app
