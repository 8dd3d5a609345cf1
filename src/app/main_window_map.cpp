// The main window's "Add to Map...": the texture put in place of one a
// compiled map stores, through the one export path, so that loading the map
// again in the game shows it.
#include <QAction>

#include "app/main_window.h"
#include "gameformats/texture_rules.h"
#include "slots/slot_table.h"

namespace orrisbay::app {

MapProposal FrmOrrisbay::mapProposal() const {
    const auto& kept = session_->KeptOutput();
    std::string name;
    if (kept && gameformats::OutputKindOf(kept->request) == gameformats::OutputKind::Map) {
        name = kept->request.textureName;
    } else if (const session::InputSource& layer = session_->Source(slots::kLayer1);
               layer.IsFile()) {
        name = gameformats::TextureNameFromFileName(layer.path);
    }
    freeimage_base::Bitmap holder;
    const FIBITMAP* texture = fullColourTexture(holder);
    return {lastMapPath_, name, freeimage_base::Width(texture), freeimage_base::Height(texture),
            dialogFolder_.Path()};
}

void FrmOrrisbay::addToMapClick() {
    const std::optional<MapTextureTarget> target = addToMapDialog_(this, mapProposal());
    if (!target || target->path.empty() || target->textureName.empty()) {
        return;
    }
    dialogFolder_.RememberFileOf(target->path);
    // A map chosen in the dialog is a map whatever its file is called.
    const gameformats::ExportRequest request{.path = target->path,
                                             .toPalette = true,
                                             .conversion = conversionOptions(),
                                             .textureName = target->textureName,
                                             .kind = gameformats::OutputKind::Map};
    std::optional<gameformats::RepeatedExport> saved = exportTexture(request, "Add to Map");
    if (!saved) {
        return;
    }
    rememberSavedFile(std::move(*saved));
    lastMapPath_ = target->path;
}

}  // namespace orrisbay::app
