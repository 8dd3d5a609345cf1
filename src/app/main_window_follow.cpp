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
#include "gameformats/picture_input.h"

namespace orrisbay::app {

namespace {

// Pictures and merges above this many pixels take long enough to show the
// busy cursor (a 2048 x 2048 merge takes about a fifth of a second).
constexpr std::uint64_t kLongWorkPixels = 2'000'000;

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

    sources_ = new SlotSources(*session_, this);

    previewMenu_->addSeparator();
    previewMenu_->addAction(viewAction_);
    previewMenu_->addSeparator();
    previewMenu_->addAction(followFilesAction_);
    previewMenu_->addAction(updateSavedFileAction_);
}

void FrmOrrisbay::connectFollowSignals() {
    connect(viewAction_, &QAction::triggered, this, &FrmOrrisbay::viewClick);
    connect(followFilesAction_, &QAction::toggled, this, [this](bool follow) {
        session_->SetFollowing(follow);
        sources_->Schedule();
    });
    connect(updateSavedFileAction_, &QAction::toggled, this,
            [this](bool keep) { session_->SetKeepingOutput(keep); });
    connect(sources_, &SlotSources::changesSettled, this, &FrmOrrisbay::readChangedFiles);
    for (int i = 0; i < 4; ++i) {
        showToolTip(i);
    }
}

void FrmOrrisbay::showToolTip(int index) {
    Image1(index)->setToolTip(sources_->ToolTip(index));
}

Result<freeimage_base::Bitmap> FrmOrrisbay::readFile(int index, const std::string& path) {
    std::optional<WaitCursor> busy;
    if (isLongWork(index, imageio::ReadDeclaredSize(path))) {
        busy.emplace();
    }
    Result<freeimage_base::Bitmap> result =
        gameformats::ReadInputPicture(path, session_->GamePalette());
    // A colour profile that could not be used goes to the log, for an open
    // and for a reload alike.
    for (const std::string& warning : result.warnings()) {
        console::ConsoleAppend("Load: " + path + ": " + warning + ".");
    }
    return result;
}

void FrmOrrisbay::putInSlot(int index, freeimage_base::Bitmap bitmap, session::InputSource source) {
    session::SessionUpdate update;
    {
        std::optional<WaitCursor> busy;
        if (isLongWork(index, imageio::PictureSize{freeimage_base::Width(bitmap.get()),
                                                   freeimage_base::Height(bitmap.get())})) {
            busy.emplace();
        }
        sources_->SetOpenProblem(index, {}, {});
        update = session_->SetInput(index, std::move(bitmap), std::move(source));
    }
    showToolTip(index);
    showUpdate(update);
}

bool FrmOrrisbay::isLongWork(int index, std::optional<imageio::PictureSize> incoming) const {
    return session_->WorkPixels(index, incoming) > kLongWorkPixels;
}

// The linked files that changed on disk are read again as if the user had
// opened them, and merged once; one that cannot be read (half written, say)
// leaves its slot as it is until its next change, and one that is gone until
// it comes back.
void FrmOrrisbay::readChangedFiles() {
    const std::vector<int> inputs = session_->TakeSettledInputs();
    if (inputs.empty()) {
        return;
    }
    session::SessionUpdate update;
    {
        std::optional<WaitCursor> busy;
        for (const int input : inputs) {
            const std::string& path = session_->Source(input).path;
            if (!busy && isLongWork(input, imageio::ReadDeclaredSize(path))) {
                busy.emplace();
            }
        }
        update = session_->ReadAgain(inputs);
    }
    for (const int input : inputs) {
        if (input < 4) {
            showToolTip(input);
        }
    }
    showUpdate(update);
}

void FrmOrrisbay::showUpdate(const session::SessionUpdate& update) {
    for (const std::string& warning : update.warnings) {
        console::ConsoleAppend("Load: " + warning + ".");
    }
    if (update.mergeFailure) {
        console::ShowMessage(*update.mergeFailure, console::MessageButtons::OkCancel);
    }
    for (const auto& [input, problem] : update.notRead) {
        if (input == session::kGlowMask) {
            console::ConsoleAppend("Glow Mask: " + problem.message + ".");
        }
    }
    if (update.glowChanged) {
        showGlowChange();
    }
    writeKeptOutput();
}

// Writes the new merge to the file saved last, as that Save As or Add to WAD
// did; a write that fails says why, once, and ends the updates.
void FrmOrrisbay::writeKeptOutput() {
    const auto written = session_->WriteKeptOutput();
    if (!written) {
        return;
    }
    const std::string& path = session_->KeptOutput()->request.path;
    if (*written) {
        // A list of the WAD's textures shows the new one.
        if (wadBrowser_ && wadBrowser_->path() == path) {
            wadBrowser_->reload();
        }
        return;
    }
    updateSavedFileAction_->setChecked(false);
    const Problem& problem = written->problem();
    const std::string reason = problem.kind == ProblemKind::NotOnGrid
                                   ? "the texture is not a multiple of 16 pixels wide and high"
                                   : ReasonOf(problem);
    console::ShowMessage(
        "Update saved file on change is now off: " + path + " was not written: " + reason + ".",
        console::MessageButtons::OkCancel);
}

void FrmOrrisbay::rememberSavedFile(gameformats::RepeatedExport saved) {
    // Another file, or another texture of a WAD, saved ends the updates of the one before.
    if (session_->KeepOutput(std::move(saved))) {
        updateSavedFileAction_->setChecked(false);
    }
    updateSavedFileAction_->setEnabled(true);
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
        mips = gameformats::MakeMipLevels(texture, conversionOptions(), *session_->GamePalette(),
                                          session_->GlowMask());
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
        std::move(pictures), *session_->GamePalette(), quake_palette::kQuakeFullbrightCount,
        mips->rescaled
            ? tr("In the Quake palette, rescaled to %1 as a WAD needs, with its mip levels")
                  .arg(size)
            : tr("%1 in the Quake palette, with its mip levels as a WAD gets them").arg(size));
}

}  // namespace orrisbay::app
