// "Glow Mask..." and "Clear Glow Mask" in the preview's menu: a grey picture
// saying where the converted texture glows. It is the session's seventh
// input, followed by the live link like the four slots, and every
// conversion (the preview, the texture view, the exports) takes it.
#include <QAction>
#include <QMenu>
#include <string>

#include "app/main_window.h"
#include "app/wait_cursor.h"
#include "app/working_folder.h"
#include "console/console.h"
#include "gameformats/picture_input.h"
#include "imageio/file_types.h"

namespace orrisbay::app {

void FrmOrrisbay::createGlowActions() {
    glowMaskAction_ = new QAction(tr("Glow Mask..."), this);
    glowMaskAction_->setToolTip(
        tr("A grey picture: where it is white the texture takes only the colours that glow "
           "in the dark, and nowhere else"));
    clearGlowMaskAction_ = new QAction(tr("Clear Glow Mask"), this);
    clearGlowMaskAction_->setEnabled(false);
    previewMenu_->addAction(glowMaskAction_);
    previewMenu_->addAction(clearGlowMaskAction_);
}

void FrmOrrisbay::connectGlowSignals() {
    connect(glowMaskAction_, &QAction::triggered, this, &FrmOrrisbay::glowMaskClick);
    connect(clearGlowMaskAction_, &QAction::triggered, this, [this] {
        showUpdate(session_->ClearGlowMask());
        console::ConsoleAppend("Glow Mask: cleared.");
    });
}

void FrmOrrisbay::glowMaskClick() {
    std::string folder;
    const std::string path = imageio::ShowFileDialog(
        openFileDialog_, static_cast<imageio::WindowHandle>(winId()), "", folder, "*.png",
        imageio::ImageFileFilter(), imageio::kAllSupportedFormatsIndex, "Load Glow Mask");
    if (path.empty()) {
        return;
    }
    dialogFolder_.RememberFileOf(path);
    RestoreWorkingFolder();
    loadGlowMask(path);
}

bool FrmOrrisbay::loadGlowMask(const std::string& path) {
    if (!gameformats::IsInputPicturePath(path)) {
        console::ShowMessage(std::string(imageio::kInvalidFormatMessage),
                             console::MessageButtons::OkCancel);
        return false;
    }
    Result<freeimage_base::Bitmap> read = readFile(session::kGlowMask, path);
    if (!read) {
        console::ShowMessage("Glow Mask: " + read.problem().message + ".",
                             console::MessageButtons::OkCancel);
        return false;
    }
    session::SessionUpdate update;
    {
        const WaitCursor busy;
        update = session_->SetInput(session::kGlowMask, std::move(*read),
                                    session::InputSource::File(path));
    }
    console::ConsoleAppend("Glow Mask: " + path + ".");
    showUpdate(update);
    return true;
}

// A new glow mask, or none, changes what the conversions make.
void FrmOrrisbay::showGlowChange() {
    clearGlowMaskAction_->setEnabled(session_->GlowMask() != nullptr);
    if (converted_) {
        convertPreview();
    } else {
        updateTextureView();
    }
}

}  // namespace orrisbay::app
