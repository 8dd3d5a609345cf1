// The main window's WAD commands: "Add to WAD..." puts the texture into a WAD
// through the one export path, "Open WAD..." lists a WAD's textures.
#include <QAction>
#include <QGroupBox>

#include "app/main_window.h"
#include "app/slot_sources.h"
#include "app/wad_browser.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "slots/slot_table.h"

namespace orrisbay::app {

// The name proposed is layer 1's file's (the texture is mostly that layer),
// else the kept output's, made to keep the game's rules: the user sees it
// before it is used, so nothing is changed unseen.
WadTarget FrmOrrisbay::wadProposal() const {
    std::string name;
    const session::InputSource& layer = session_->Source(slots::kLayer1);
    if (layer.IsFile()) {
        name = gameformats::TextureNameFromFileName(layer.path);
    } else if (session_->KeptOutput()) {
        name = gameformats::TextureNameOf(session_->KeptOutput()->request);
    }
    return {lastWadPath_, name.empty() ? "texture" : gameformats::NearestValidTextureName(name),
            gameformats::WadKind::Wad2, dialogFolder_.Path()};
}

void FrmOrrisbay::addToWadClick() {
    const std::optional<WadTarget> target = addToWadDialog_(this, wadProposal());
    if (!target || target->path.empty()) {
        return;
    }
    dialogFolder_.RememberFileOf(target->path);
    const gameformats::ExportRequest request{.path = target->path,
                                             .toPalette = true,
                                             .conversion = conversionOptions(),
                                             .textureName = target->textureName,
                                             .wadKind = target->kindIfNew};
    std::optional<gameformats::WadEntry> written;
    std::optional<gameformats::RepeatedExport> saved =
        exportTexture(request, "Add to WAD", &written);
    if (!saved) {
        return;
    }
    rememberSavedFile(std::move(*saved));
    lastWadPath_ = target->path;
    if (wadBrowser_ && wadBrowser_->path() == target->path) {
        wadBrowser_->reload();
        wadBrowser_->selectTexture(written->name);
    }
}

void FrmOrrisbay::openWadClick() {
    const std::string path = openWadDialog_(this);
    if (!path.empty()) {
        dialogFolder_.RememberFileOf(path);
        showWadBrowser(path);
    }
}

void FrmOrrisbay::showWadBrowser(const std::string& path) {
    if (wadBrowser_) {
        wadBrowser_->close();
    }
    // A texture loaded from the WAD takes the place of the slot's link to a file.
    const auto load = [this, path](int slot, freeimage_base::Bitmap bitmap,
                                   const std::string& name) {
        putInSlot(slot, std::move(bitmap), session::InputSource::WadTexture(name, path));
    };
    QStringList slotNames;
    for (int i = 0; i < 4; ++i) {
        slotNames << Frame1(i)->title();
    }
    wadBrowser_ = new WadBrowser(path, session_->GamePalette(), slotNames, load, this);
    wadBrowser_->setAttribute(Qt::WA_DeleteOnClose);
    wadBrowser_->show();
}

}  // namespace orrisbay::app
