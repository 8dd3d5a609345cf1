#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "gameformats/wad_file.h"
#include "imageio/freeimage_base.h"
#include "palette/quake_palette.h"

class QComboBox;
class QLabel;
class QListWidget;

namespace orrisbay::app {

// Puts the picture of the WAD's texture `name` into input slot 0..3 of the main window.
using SlotLoader =
    std::function<void(int slot, freeimage_base::Bitmap bitmap, const std::string& name)>;

// The window behind "Open WAD...": the textures of one WAD file in a list
// (thumbnail, name, size), where the selected one can be loaded into a slot,
// renamed, removed or extracted to a picture. Every edit reads the file as it
// is on disk, changes it and writes it back whole, then lists it again.
class WadBrowser : public QDialog {
    Q_OBJECT

  public:
    // `gamePalette` colours WAD2 textures; without it they have no
    // thumbnails and cannot be loaded or extracted. `slotNames` name the
    // slots `loader` fills, in order.
    WadBrowser(std::string path, std::optional<quake_palette::Palette> gamePalette,
               const QStringList& slotNames, SlotLoader loader, QWidget* parent = nullptr);

    const std::string& path() const { return path_; }
    QListWidget* textureList() const { return list_; }
    QLabel* summary() const { return summary_; }

    // Reads the WAD again and lists its textures, keeping the selection by name.
    void reload();
    // Selects the texture `name` (matched without regard to case); false when absent.
    bool selectTexture(const std::string& name);

    // The operations on the selected texture, with their answers given; each
    // tells the user when it fails and returns false.
    bool loadSelectedInto(int slot);
    bool renameSelected(const std::string& newName);
    bool removeSelected();
    bool extractSelected(const std::string& picturePath);

  private:
    std::string selectedName() const;
    // The texture's palette colours for a WAD2; false after telling the user.
    bool gamePaletteReady();
    // Applies `edit` to the WAD on disk, lists it again and tells the user what
    // went wrong, or of a gap it left in the animation of `animationName`.
    bool editWad(std::string_view action,
                 const std::function<Result<void>(gameformats::WadFile&)>& edit,
                 const std::string& animationName);

    // The buttons: they ask what the operations above need.
    void loadClicked();
    void renameClicked();
    void removeClicked();
    void extractClicked();

    std::string path_;
    std::optional<quake_palette::Palette> gamePalette_;
    SlotLoader loader_;
    QLabel* summary_ = nullptr;
    QListWidget* list_ = nullptr;
    QComboBox* slotBox_ = nullptr;
};

}  // namespace orrisbay::app
