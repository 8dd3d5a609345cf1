#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "session/session_recipe.h"

class QLabel;
class QListWidget;
class QTimer;

namespace orrisbay::app {

// Loads a texture of a recipe into the window; false when it could not (the
// window has said why). `built` when its output holds what its files make.
using RecipeTextureLoader = std::function<bool(const session::SetTexture& texture, bool built)>;

// Asks for a recipe file, to open or to save into; the empty path on cancel.
using RecipeDialogFunction = std::function<std::string(QWidget* parent)>;

// The window behind "Open Recipe...": the textures of one recipe in a list,
// each with its name, a thumbnail of its first picture, its output and
// whether it is built, out of date or failed (why, in its tooltip); the one
// chosen is loaded into the window, which closes the list.
class RecipeBrowser : public QDialog {
    Q_OBJECT

  public:
    RecipeBrowser(std::string path, std::vector<session::ListedTexture> textures,
                  RecipeTextureLoader loader, QWidget* parent = nullptr);

    const std::string& path() const { return path_; }
    QListWidget* textureList() const { return list_; }
    QLabel* summary() const { return summary_; }

    // Selects the texture `name`; false when the recipe has none of that name.
    bool selectTexture(const std::string& name);
    // Loads the selected texture; false when none is selected or it could not be.
    bool openSelected();

  private:
    // Makes one thumbnail per turn of the event loop, so the list shows at once.
    void makeNextThumbnail();

    std::string path_;
    std::vector<session::ListedTexture> textures_;
    RecipeTextureLoader loader_;
    QLabel* summary_ = nullptr;
    QListWidget* list_ = nullptr;
    QTimer* thumbnails_ = nullptr;
    int nextThumbnail_ = 0;
};

// The platform's dialogs for recipe files (*.toml), starting in `folder`;
// the save dialog does not ask about an existing file, which keeps its
// other textures.
std::string GetOpenRecipeFileName(QWidget* parent, const std::string& folder);
std::string GetSaveRecipeFileName(QWidget* parent, const std::string& folder);

}  // namespace orrisbay::app
