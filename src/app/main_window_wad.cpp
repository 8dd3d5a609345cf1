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
    if (!sources_->File(slots::kLayer1).empty()) {
        name = gameformats::TextureNameFromFileName(sources_->File(slots::kLayer1));
    } else if (savedFile_) {
        name = gameformats::TextureNameOf(savedFile_->request);
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
    bool rescaleAgreed = false;
    const gameformats::ExportResult result = exportTexture(request, rescaleAgreed);
    showExportOutcome(result, target->path, "Add to WAD");
    if (!result) {
        return;
    }
    rememberSavedFile(gameformats::ExportToRepeat(request, rescaleAgreed, result));
    lastWadPath_ = target->path;
    if (wadBrowser_ && wadBrowser_->path() == target->path) {
        wadBrowser_->reload();
        wadBrowser_->selectTexture(result.wadEntry->name);
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
        sources_->SetWadTexture(slot, name, path);
        putInSlot(slot, std::move(bitmap));
    };
    QStringList slotNames;
    for (int i = 0; i < 4; ++i) {
        slotNames << Frame1(i)->title();
    }
    wadBrowser_ = new WadBrowser(path, conversionPalette_, slotNames, load, this);
    wadBrowser_->setAttribute(Qt::WA_DeleteOnClose);
    wadBrowser_->show();
}

}  // namespace orrisbay::app
