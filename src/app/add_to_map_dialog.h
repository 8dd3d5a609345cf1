#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "gameformats/bsp_file.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace orrisbay::app {

// Where "Add to Map..." puts the texture: the compiled map's path (in the
// file system's encoding) and the name of the texture it replaces there.
struct MapTextureTarget {
    std::string path;
    std::string textureName;
};

// What the dialog starts from: the map used last, the name proposed and the
// texture's size, which together choose the map's texture shown first.
struct MapProposal {
    std::string path;
    std::string textureName;
    unsigned width = 0;
    unsigned height = 0;
    std::string browseFolder{};  // where Browse starts while no map is named
};

// Asks which texture of which map to replace; empty on cancel.
using AddToMapDialogFunction =
    std::function<std::optional<MapTextureTarget>(QWidget* parent, const MapProposal& proposal)>;

// The texture of `map` chosen first for a texture of `width` x `height`
// proposed as `name`: among those stored in the map, the one of that size
// and name, else the first of that size, else the one of that name; null
// when none is.
const gameformats::BspTexture* FirstChoice(const gameformats::BspFile& map, unsigned width,
                                           unsigned height, const std::string& name);

// The dialog behind "Add to Map...": a compiled map to pick, its textures
// listed with their sizes and where each is kept (only those stored in the
// map can be replaced; the others come from a WAD), one of them chosen
// first as FirstChoice says. OK stays off until a stored texture is chosen.
class AddToMapDialog : public QDialog {
    Q_OBJECT

  public:
    AddToMapDialog(const MapProposal& proposal, QWidget* parent = nullptr);

    // The choice as it stands; the name is empty while none is chosen.
    MapTextureTarget target() const;

    QLineEdit* pathEdit() const { return pathEdit_; }
    QLabel* mapStatus() const { return mapStatus_; }
    QTreeWidget* textureList() const { return textureList_; }
    QLabel* sizeAdvice() const { return sizeAdvice_; }
    QPushButton* okButton() const { return okButton_; }

  private:
    void browse();
    // Reads the map named now and lists its textures, on every change of the path.
    void examineMap();
    void updateAdvice();

    QLineEdit* pathEdit_ = nullptr;
    QLabel* mapStatus_ = nullptr;
    QTreeWidget* textureList_ = nullptr;
    QLabel* sizeAdvice_ = nullptr;
    QPushButton* okButton_ = nullptr;
    MapProposal proposal_;
};

// Shows the dialog modally over `parent`.
std::optional<MapTextureTarget> AskMapTexture(QWidget* parent, const MapProposal& proposal);

}  // namespace orrisbay::app
