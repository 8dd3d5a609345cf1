// "Palette..." in the preview's menu: a game's palette from any file it comes
// in becomes the session's, which every conversion and .wal input then uses,
// and the swatch grid shows it.
#include <QAction>
#include <QMenu>
#include <string>

#include "app/main_window.h"
#include "app/palette_box.h"
#include "app/wait_cursor.h"
#include "app/working_folder.h"
#include "console/console.h"
#include "gameformats/wad_palette.h"

namespace orrisbay::app {

namespace {

// The open dialog's filter for palettes, in the same form as the pictures'.
std::string PaletteFileFilter() {
    using namespace std::string_literals;
    return "Palettes (*.pal, *.gpl, *.lmp, *.pcx, *.wad)\0*.pal;*.gpl;*.lmp;*.pcx;*.wad\0"
           "All Files\0*.*\0\0"s;
}

}  // namespace

void FrmOrrisbay::createPaletteAction() {
    paletteAction_ = new QAction(tr("Palette..."), this);
    previewMenu_->addAction(paletteAction_);
}

void FrmOrrisbay::paletteClick() {
    std::string folder;
    const std::string path =
        imageio::ShowFileDialog(openFileDialog_, static_cast<imageio::WindowHandle>(winId()), "",
                                folder, "*.pal", PaletteFileFilter(), 1, "Load Palette");
    if (path.empty()) {
        return;
    }
    dialogFolder_.RememberFileOf(path);
    RestoreWorkingFolder();
    const Result<quake_palette::PaletteFile> read = gameformats::ReadAnyPaletteFile(path);
    if (!read) {
        console::ShowMessage("Palette: " + read.problem().message + ".",
                             console::MessageButtons::OkCancel);
        return;
    }
    usePalette(*read);
}

void FrmOrrisbay::usePalette(const quake_palette::PaletteFile& file) {
    session_->SetPalette(file.palette);
    quake_palette::PaintSwatches(*PicPalette(), file.palette);
    PicPalette()->update();
    console::ConsoleAppend("Palette: " + file.path + " (" +
                           std::string(quake_palette::PaletteFormatName(file.format)) + ", " +
                           std::to_string(file.palette.fullbrightCount) + " fullbright colours).");
    // Pictures read in the palette before (.wal textures) are read in this one.
    if (const std::vector<int> inputs = session_->InputsInPalette(); !inputs.empty()) {
        session::SessionUpdate update;
        {
            const WaitCursor busy;
            update = session_->ReadAgain(inputs);
        }
        showUpdate(update);
    }
    if (converted_) {
        convertPreview();
    } else {
        updateTextureView();
    }
}

}  // namespace orrisbay::app
