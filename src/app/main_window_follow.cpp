// The main window's live link to the input files, the saved file kept up to
// date with every merge, the busy cursor for large inputs, and the texture view.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <filesystem>
#include <system_error>

#include "app/image_box.h"
#include "app/main_window.h"
#include "app/slot_sources.h"
#include "app/texture_view.h"
#include "app/wad_browser.h"
#include "app/wait_cursor.h"
#include "console/console.h"
#include "gameformats/mip_levels.h"

namespace orrisbay::app {

namespace {

// Pictures and merges above this many pixels take long enough to show the
// busy cursor (a 2048 x 2048 merge takes about a fifth of a second).
constexpr std::uint64_t kLongWorkPixels = 2'000'000;

// Why a changed file could not be read in again, for the slot's tooltip.
std::string ReloadProblem(const imageio::LoadResult& result) {
    return result.outcome == imageio::LoadOutcome::TooLarge
               ? "it is larger than the program can blend"
               : "it could not be read (perhaps it was still being written)";
}

}  // namespace

void FrmOrrisbay::createFollowActions() {
    viewAction_ = new QAction(tr("View..."), this);
    // Ctrl+E, since Space would press the focused button and Ctrl+T tiles in the view.
    viewAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    addAction(viewAction_);
    followFilesAction_ = new QAction(tr("Follow file changes"), this);
    followFilesAction_->setCheckable(true);
    followFilesAction_->setChecked(true);
    updateSavedFileAction_ = new QAction(tr("Update saved file on change"), this);
    updateSavedFileAction_->setCheckable(true);
    updateSavedFileAction_->setEnabled(false);  // until a Save As has written a file

    sources_ = new SlotSources(this);

    previewMenu_->addSeparator();
    previewMenu_->addAction(viewAction_);
    previewMenu_->addSeparator();
    previewMenu_->addAction(followFilesAction_);
    previewMenu_->addAction(updateSavedFileAction_);
}

void FrmOrrisbay::connectFollowSignals() {
    connect(viewAction_, &QAction::triggered, this, &FrmOrrisbay::viewClick);
    connect(followFilesAction_, &QAction::toggled, sources_, &SlotSources::SetFollowing);
    connect(sources_, &SlotSources::fileChanged, this, &FrmOrrisbay::reloadChangedFile);
    connect(sources_, &SlotSources::toolTipChanged, this,
            [this](int index) { Image1(index)->setToolTip(sources_->ToolTip(index)); });
    for (int i = 0; i < 4; ++i) {
        Image1(i)->setToolTip(sources_->ToolTip(i));
    }
}

imageio::LoadResult FrmOrrisbay::readFile(int index, const std::string& path) {
    std::optional<WaitCursor> busy;
    if (isLongWork(index, imageio::ReadDeclaredSize(path))) {
        busy.emplace();
    }
    imageio::LoadResult result = imageio::LoadImageFile(path);
    // A colour profile that could not be used goes to the log, for an open
    // and for a reload alike.
    if (result && !result.warning.empty()) {
        console::ConsoleAppend("Load: " + path + ": " + result.warning + ".");
    }
    return result;
}

void FrmOrrisbay::putInSlot(int index, freeimage_base::Bitmap bitmap) {
    std::optional<WaitCursor> busy;
    if (isLongWork(index, imageio::PictureSize{freeimage_base::Width(bitmap.get()),
                                               freeimage_base::Height(bitmap.get())})) {
        busy.emplace();
    }
    ++slotsInUse_;
    slotTable_->SetSlotImage(index, std::move(bitmap));
    --slotsInUse_;
}

bool FrmOrrisbay::isLongWork(int index, std::optional<imageio::PictureSize> incoming) const {
    if (!incoming) {
        return false;
    }
    // The merge works at the larger width and height of the two layers.
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    for (const int layer : {slots::kLayer1, slots::kLayer2}) {
        const FIBITMAP* bitmap = slotTable_->Slot(layer);
        width = std::max<std::uint64_t>(
            width, layer == index ? incoming->width : freeimage_base::Width(bitmap));
        height = std::max<std::uint64_t>(
            height, layer == index ? incoming->height : freeimage_base::Height(bitmap));
    }
    return std::max(incoming->width * incoming->height, width * height) > kLongWorkPixels;
}

// A linked file that changed on disk is read again as if the user had opened
// it; one that cannot be read (half written, say) leaves the slot as it is
// until its next change, and one that is gone until it comes back.
void FrmOrrisbay::reloadChangedFile(int index) {
    if (slotsInUse_ > 0) {
        sources_->RetryLater(index);  // not while a question or message is open over them
        return;
    }
    const std::string path = sources_->File(index);
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) {
        return;
    }
    imageio::LoadResult result = readFile(index, path);
    if (!result) {
        sources_->SetProblem(index, ReloadProblem(result));
        return;
    }
    sources_->SetProblem(index, {});
    putInSlot(index, std::move(result.bitmap));
}

void FrmOrrisbay::rememberSavedFile(gameformats::RepeatedExport saved) {
    // Another file, or another texture of a WAD, saved ends the updates of the one before.
    if (savedFile_ && !gameformats::WritesSameOutput(savedFile_->request, saved.request)) {
        updateSavedFileAction_->setChecked(false);
    }
    savedFile_ = std::move(saved);
    updateSavedFileAction_->setEnabled(true);
}

// Writes the new merge to the file saved last, as that Save As or Add to WAD
// did; a write that fails says why, once, and ends the updates.
void FrmOrrisbay::updateSavedFile(const FIBITMAP* texture) {
    if (texture == nullptr || !savedFile_ || !updateSavedFileAction_->isChecked()) {
        return;
    }
    const std::string reason = updateProblem(texture);
    if (reason.empty()) {
        return;
    }
    updateSavedFileAction_->setChecked(false);
    const WaitCursor::Paused telling;
    console::ShowMessage("Update saved file on change is now off: " + savedFile_->request.path +
                             " was not written: " + reason + ".",
                         console::MessageButtons::OkCancel);
}

std::string FrmOrrisbay::updateProblem(const FIBITMAP* texture) {
    const std::string& path = savedFile_->request.path;
    if (isLinkedInput(path)) {
        return "it is also one of the inputs, and would be read back in after every write";
    }
    const freeimage_base::Bitmap coverage = gameformats::TakesCoverage(savedFile_->request)
                                                ? slotTable_->ResultCoverage()
                                                : freeimage_base::Bitmap();
    const gameformats::ExportResult result =
        gameformats::RepeatExport(texture, *savedFile_, conversionPalette_, coverage.get());
    switch (result.outcome) {
        case gameformats::ExportOutcome::Written:
            // A list of the WAD's textures shows the new one, once this merge is over.
            if (wadBrowser_ && wadBrowser_->path() == path) {
                QMetaObject::invokeMethod(wadBrowser_, &WadBrowser::reload, Qt::QueuedConnection);
            }
            return {};
        case gameformats::ExportOutcome::NotWadSize:
            return "the texture is not a multiple of 16 pixels wide and high";
        case gameformats::ExportOutcome::WadUnreadable:
            // Its message starts with the path the caller's message names already.
            return result.message.starts_with(path + ": ") ? result.message.substr(path.size() + 2)
                                                           : result.message;
        default:
            return result.message;
    }
}

bool FrmOrrisbay::isLinkedInput(const std::string& path) const {
    for (int i = 0; i < 4; ++i) {
        std::error_code error;
        const std::string& input = sources_->File(i);
        if (!input.empty() && std::filesystem::equivalent(input, path, error)) {
            return true;
        }
    }
    return false;
}

void FrmOrrisbay::viewClick() {
    if (textureView_ == nullptr) {
        textureView_ = new TextureView(this);
    }
    textureView_->show();
    textureView_->raise();
    textureView_->activateWindow();
    updateTextureView();
}

// The view follows the preview: the full-colour texture, or, converted to the
// game's palette, the mip levels a WAD gets, made by the WAD's own code.
void FrmOrrisbay::updateTextureView() {
    if (textureView_ == nullptr || !textureView_->isVisible()) {
        return;
    }
    if (!converted_) {
        const QImage& texture = fullColourPicture_;
        textureView_->setPictures(
            texture.isNull() ? std::vector<QImage>{} : std::vector<QImage>{texture},
            texture.isNull() ? tr("No texture: the last merge could not be made.")
                             : tr("%1 x %2").arg(texture.width()).arg(texture.height()));
        return;
    }
    freeimage_base::Bitmap holder;
    const FIBITMAP* texture = fullColourTexture(holder);
    std::optional<gameformats::MipLevels> mips;
    {
        std::optional<WaitCursor> busy;
        if (isLongWork(-1, imageio::PictureSize{freeimage_base::Width(texture),
                                                freeimage_base::Height(texture)})) {
            busy.emplace();
        }
        mips = gameformats::MakeMipLevels(texture, conversionOptions(), *conversionPalette_);
    }
    if (!mips) {
        textureView_->setPictures({imageio::BitmapToPicture(converted_.get())},
                                  tr("In the Quake palette; the mip levels could not be made."));
        return;
    }
    std::vector<QImage> pictures;
    for (const freeimage_base::Bitmap& level : mips->levels) {
        pictures.push_back(imageio::BitmapToPicture(level.get()));
    }
    const QString size = tr("%1 x %2").arg(pictures[0].width()).arg(pictures[0].height());
    textureView_->setPalettedPictures(
        std::move(pictures), *conversionPalette_, 256 - quake_palette::kFirstFullbright,
        mips->rescaled
            ? tr("In the Quake palette, rescaled to %1 as a WAD needs, with its mip levels")
                  .arg(size)
            : tr("%1 in the Quake palette, with its mip levels as a WAD gets them").arg(size));
}

}  // namespace orrisbay::app
