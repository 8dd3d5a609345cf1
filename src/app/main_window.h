#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/add_to_map_dialog.h"
#include "app/add_to_wad_dialog.h"
#include "app/dialog_folder.h"
#include "app/recipe_browser.h"
#include "app/save_dialog.h"
#include "app/wad_browser.h"
#include "gameformats/texture_export.h"
#include "imageio/file_dialog_request.h"
#include "imageio/file_types.h"
#include "imageio/freeimage_base.h"
#include "imageio/image_limits.h"
#include "imageio/picture_bridge.h"
#include "palette/game_palette.h"
#include "palette/palette_conversion.h"
#include "session/texture_session.h"
#include "slots/slot_table.h"
#include "slots/slot_view.h"

class QGroupBox;
class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace orrisbay::app {

class FileDropTarget;
class HeightBlendMenu;
class ImageBox;
class PaletteBox;
class SlotSources;
class TextureView;

// The program's one window: four input frames (two colour layers and their
// masks), the palette box and the preview of the merged texture; the view of
// a texture session, which holds the slot table behind them. The slot table
// shows thumbnails, labels and the preview through the window as it merges;
// what else a call of the session leads to (a failed merge, the kept output)
// the window shows or asks once the call has returned.
class FrmOrrisbay : public QWidget, private slots::SlotView {
    Q_OBJECT

  public:
    explicit FrmOrrisbay(QWidget* parent = nullptr);
    ~FrmOrrisbay() override;

    // Start-up, before the window is first shown: caption, palette, working
    // folder, then slots 0..3 from the built-in pictures (merging at slot 3).
    void Load();

    // Reads the palette file in `folder`, paints its swatches and keeps the
    // palette for conversions when the file was read whole with its header.
    void LoadPalette(const std::string& folder);

    // Shut-down: releases every slot, 0 to 19.
    void Unload();

    // The dialog behind the open buttons; tests supply their own answer.
    void setOpenFileDialog(imageio::OpenFileDialogFunction dialog);

    // The dialog and the replace question behind "Save As..."; tests supply their own.
    void setSaveFileDialog(SaveFileDialogFunction dialog);
    void setOverwriteQuestion(OverwriteQuestionFunction question);
    // The question asked before a texture is rescaled to fit a WAD.
    void setTextureSizeQuestion(YesNoQuestionFunction question);
    // The dialogs and the question behind "Add to WAD..." and "Open WAD...".
    void setAddToWadDialog(AddToWadDialogFunction dialog);
    void setReplaceTextureQuestion(ReplaceTextureQuestionFunction question);
    void setOpenWadDialog(OpenWadDialogFunction dialog);
    // The dialog behind "Add to Map...".
    void setAddToMapDialog(AddToMapDialogFunction dialog) { addToMapDialog_ = std::move(dialog); }
    // The dialogs behind "Save Recipe..." and "Open Recipe...", and the
    // question whether a picture from no file is saved beside the recipe.
    void setSaveRecipeDialog(RecipeDialogFunction dialog);
    void setOpenRecipeDialog(RecipeDialogFunction dialog);
    void setSavePictureQuestion(YesNoQuestionFunction question);

    // Opens the recipe at `path`: loads its texture `textureName`, or, when
    // none is named, lists its textures to choose from (orrisbay RECIPE
    // [--texture NAME]). False after telling the user why it could not.
    bool openRecipe(const std::string& path, const std::string& textureName = {});

    const slots::SlotTable& slotTable() const { return session_->Table(); }
    slots::SlotTable& slotTable() { return session_->Table(); }
    const session::TextureSession& textureSession() const { return *session_; }

    // The controls, by the names the layout gives them.
    QGroupBox* Frame1(int index) const { return frames_.at(Index(index)); }
    QPushButton* btnOpen(int index) const { return openButtons_.at(Index(index)); }
    QPushButton* btnPaste(int index) const { return pasteButtons_.at(Index(index)); }
    QLabel* lblsize(int index) const { return sizeLabels_.at(Index(index)); }
    ImageBox* Image1(int index) const { return thumbnails_.at(Index(index)); }
    QLabel* Image2(int index) const { return arrows_.at(Index(index)); }
    ImageBox* Image3() const { return preview_; }
    PaletteBox* PicPalette() const { return palette_; }

    // The preview's context menu: Copy and Save As (also the window's Ctrl+C and
    // Ctrl+S), Add to WAD, Add to Map and Open WAD, then the conversion to the game's
    // palette and its options.
    QMenu* previewMenu() const { return previewMenu_; }
    QAction* copyAction() const { return copyAction_; }
    QAction* saveAsAction() const { return saveAsAction_; }
    QAction* addToWadAction() const { return addToWadAction_; }
    QAction* addToMapAction() const { return addToMapAction_; }
    QAction* openWadAction() const { return openWadAction_; }
    // "Save Recipe..." writes the slots' files, the options and the saved file
    // kept up to date as one texture of a recipe; "Open Recipe..." lists a
    // recipe's textures and loads the one chosen.
    QAction* saveRecipeAction() const { return saveRecipeAction_; }
    QAction* openRecipeAction() const { return openRecipeAction_; }
    // The list of a recipe's textures that "Open Recipe..." shows; null when closed.
    RecipeBrowser* recipeBrowser() const { return recipeBrowser_; }
    QAction* convertAction() const { return convertAction_; }
    // "Dithering": None, Floyd-Steinberg (ditherAction), and the two modes
    // that tile; "Colour Metric": RGB or Perceptual. One of each is chosen.
    QAction* ditherAction() const { return ditherAction_; }
    QAction* ditheringAction(quake_palette::DitherMode mode) const;
    QAction* metricAction(quake_palette::ColourMetric metric) const;
    QAction* fullbrightsAction() const { return fullbrightsAction_; }
    // Shows `options` in the menus and converts with them from now on (a
    // strength or metric the menus do not offer is kept as given).
    void setConversionOptions(const quake_palette::ConversionOptions& options);
    // "Palette...": a game's palette from a JASC or GIMP palette, a raw lump,
    // a PCX picture or a WAD, for the conversions, .wal inputs and the swatches.
    QAction* paletteAction() const { return paletteAction_; }
    // "Glow Mask...": a grey picture, white where the converted texture glows
    // (followed like the slots' files); "Clear Glow Mask" takes it away.
    QAction* glowMaskAction() const { return glowMaskAction_; }
    QAction* clearGlowMaskAction() const { return clearGlowMaskAction_; }
    // Reads `path` as the glow mask; false after telling the user why not.
    bool loadGlowMask(const std::string& path);
    // "Height Blend": Off, Sharp, Medium, Soft; a choice merges again at once.
    HeightBlendMenu* heightBlendMenu() const { return heightBlendMenu_; }

    // "View..." (also Ctrl+E anywhere in the window) opens the texture view;
    // "Follow file changes" reads a slot's file again when it changes on disk;
    // "Update saved file on change", offered after a Save As, an Add to WAD or
    // an Add to Map, writes every new merge to the file saved last (into a WAD
    // or a map, as the same texture).
    QAction* viewAction() const { return viewAction_; }
    QAction* followFilesAction() const { return followFilesAction_; }
    QAction* updateSavedFileAction() const { return updateSavedFileAction_; }
    // The texture view, once opened.
    TextureView* textureView() const { return textureView_; }

    // The palette picture the preview shows after "Convert to Quake palette",
    // until the next merge; null while it shows the full-colour texture.
    const FIBITMAP* convertedTexture() const { return converted_.get(); }

    // The game's palette the window converts to; empty without a good palette file.
    const std::optional<quake_palette::Palette>& conversionPalette() const {
        return session_->GamePalette();
    }

    // The list of a WAD's textures that "Open WAD..." shows; null when closed.
    WadBrowser* wadBrowser() const { return wadBrowser_; }

  public Q_SLOTS:
    void btnOpenClick(int index);
    void btnPasteClick(int index);
    void Image3Click();
    void saveAsClick();
    void addToWadClick();
    void addToMapClick();
    void openWadClick();
    void saveRecipeClick();
    void openRecipeClick();
    void convertClick();
    void viewClick();
    void paletteClick();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    static std::size_t Index(int index) { return static_cast<std::size_t>(index); }

    void createInputFrame(int index, const QRect& frameGeometry, int buttonWidth, bool pasteFirst);
    void createPaletteBox();
    void createPreview();
    void createArrows();
    void createPreviewMenu();
    void createDropTargets();
    void setTabOrder();
    void connectSignals();

    // Loads the file at `path` into input slot `index`, choosing its type by
    // extension; `dropped` for a file dropped on the slot's frame.
    void loadFileIntoSlot(int index, const std::string& path, bool dropped = false);
    void tellUnreadFile(int index, const Problem& problem, bool dropped);

    void showPreviewMenu(const QPoint& position);
    // Merges again with `options`, with the busy cursor for large work.
    void mergeWith(const slots::MergeOptions& options);

    // The picture the preview showed before any merge, when there is no
    // merged texture (null when there is one, which the session holds);
    // `holder` keeps the copy made for the caller.
    const FIBITMAP* textureInsteadOfMerge(freeimage_base::Bitmap& holder) const;
    // The full-colour texture: the merge, or else that picture.
    const FIBITMAP* fullColourTexture(freeimage_base::Bitmap& holder) const;
    // The conversion options, as the session keeps them (main_window_dither.cpp).
    quake_palette::ConversionOptions conversionOptions() const;
    void createConversionMenus();
    void connectConversionSignals();
    quake_palette::ConversionOptions conversionOptionsOfMenus() const;
    // The menus changed: the session takes their options, a converted preview follows.
    void conversionMenusChanged();
    // Shows the converted texture in the preview; false after telling the user why not.
    bool convertPreview();

    // Save As and Add to WAD: asks the export's questions of the user, then
    // exports the full-colour texture under a busy cursor, and tells why
    // `action` ("Save", "Add to WAD") wrote nothing, unless the user chose
    // that, or what to know about the texture it wrote. Gives what was
    // written and how (for "Update saved file on change"), or nothing.
    std::optional<gameformats::RepeatedExport> exportTexture(
        const gameformats::ExportRequest& request, std::string_view action,
        std::optional<gameformats::WadEntry>* written = nullptr);
    // The answers to `questions`, asked of the user in their order; empty
    // when the user said no to one the export cannot go on without.
    std::optional<gameformats::ExportAnswers> askExportQuestions(
        const std::vector<gameformats::ExportQuestion>& questions);
    void showExportProblem(const Problem& problem, const std::string& path,
                           std::string_view action);
    // What Add to WAD proposes: the last WAD, and a name from the last file
    // the user opened or saved.
    WadTarget wadProposal() const;
    // What Add to Map proposes: the last map, the texture's size, and the
    // name of the map's texture kept up to date, else one as Add to WAD's.
    MapProposal mapProposal() const;
    // Shows the textures of the WAD at `path`, in place of any shown before.
    void showWadBrowser(const std::string& path);

    // Recipes (main_window_recipe.cpp).
    void createRecipeActions();
    void connectRecipeSignals();
    // Loads a texture of a recipe: its files into the slots and height maps
    // (followed), its options, its output kept up to date; false after
    // telling the user why not.
    bool loadRecipeTexture(const session::SetTexture& texture, bool built);
    // Uses the palette file a recipe names (empty: the one beside the program).
    bool useRecipePalette(const std::filesystem::path& palette);
    // Offers to save each picture from no file as a PNG beside the recipe and
    // saves them, the inputs then following those files; false when the user
    // declined one or one could not be written.
    bool saveInputsAsFiles(const std::filesystem::path& recipe, const std::string& name);
    // "Palette..." (main_window_palette.cpp): makes `file`'s palette the
    // session's, shows it and reads the .wal inputs again in it.
    void createPaletteAction();
    void usePalette(const quake_palette::PaletteFile& file);
    // "Glow Mask..." and "Clear Glow Mask" (main_window_glow.cpp).
    void createGlowActions();
    void connectGlowSignals();
    void glowMaskClick();
    void showGlowChange();

    // The live link, the saved file kept up to date and the texture view
    // (main_window_follow.cpp).
    void createFollowActions();
    void connectFollowSignals();
    // Reads a file into memory for slot `index`, with the busy cursor for a large one.
    Result<freeimage_base::Bitmap> readFile(int index, const std::string& path);
    // Hands `bitmap` from `source` to slot `index`, which merges; busy cursor
    // for large work; then shows what the merge did.
    void putInSlot(int index, freeimage_base::Bitmap bitmap, session::InputSource source);
    // True when a picture of `incoming` size in slot `index`, or the merge
    // that follows, is large enough to take a noticeable time.
    bool isLongWork(int index, std::optional<imageio::PictureSize> incoming) const;
    // Reads the linked files that changed on disk again, merging once.
    void readChangedFiles();
    // What a call of the session did: a merge that failed is told, tooltips
    // follow, the log gets the warnings; then the kept output is written.
    void showUpdate(const session::SessionUpdate& update);
    void writeKeptOutput();
    // Keeps what Save As or Add to WAD just wrote, for "Update saved file on change".
    void rememberSavedFile(gameformats::RepeatedExport saved);
    void showToolTip(int index);
    void updateTextureView();

    // What the slot table shows through as it merges.
    void ShowThumbnail(int index, const FIBITMAP* bitmap) override;
    void ShowSizeLabel(int index, const std::string& caption) override;
    void ShowPreview(const FIBITMAP* bitmap) override;
    // The session tells a failed merge in its result (showUpdate), not here.
    void ReportMergeFailure(const std::string&) override {}

    std::array<QGroupBox*, 4> frames_{};
    std::array<QPushButton*, 4> openButtons_{};
    std::array<QPushButton*, 4> pasteButtons_{};
    std::array<QLabel*, 4> sizeLabels_{};
    std::array<ImageBox*, 4> thumbnails_{};
    std::array<QLabel*, 3> arrows_{};
    ImageBox* preview_ = nullptr;
    PaletteBox* palette_ = nullptr;
    QMenu* previewMenu_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* addToWadAction_ = nullptr;
    QAction* addToMapAction_ = nullptr;
    QAction* openWadAction_ = nullptr;
    QAction* saveRecipeAction_ = nullptr;
    QAction* openRecipeAction_ = nullptr;
    QAction* convertAction_ = nullptr;
    QAction* ditherAction_ = nullptr;  // ditheringActions_' Floyd-Steinberg
    QMenu* ditheringMenu_ = nullptr;
    std::array<QAction*, 4> ditheringActions_{};  // by DitherMode
    QMenu* metricMenu_ = nullptr;
    std::array<QAction*, 2> metricActions_{};  // RGB, Perceptual
    QAction* fullbrightsAction_ = nullptr;
    QAction* paletteAction_ = nullptr;
    QAction* glowMaskAction_ = nullptr;
    QAction* clearGlowMaskAction_ = nullptr;
    HeightBlendMenu* heightBlendMenu_ = nullptr;
    std::array<FileDropTarget*, 4> dropTargets_{};
    QAction* viewAction_ = nullptr;
    QAction* followFilesAction_ = nullptr;
    QAction* updateSavedFileAction_ = nullptr;
    SlotSources* sources_ = nullptr;
    TextureView* textureView_ = nullptr;

    imageio::OpenFileDialogFunction openFileDialog_;
    SaveFileDialogFunction saveFileDialog_;
    OverwriteQuestionFunction overwriteQuestion_;
    YesNoQuestionFunction textureSizeQuestion_;
    AddToWadDialogFunction addToWadDialog_;
    ReplaceTextureQuestionFunction replaceTextureQuestion_;
    OpenWadDialogFunction openWadDialog_;
    AddToMapDialogFunction addToMapDialog_;
    RecipeDialogFunction saveRecipeDialog_;
    RecipeDialogFunction openRecipeDialog_;
    YesNoQuestionFunction savePictureQuestion_;
    DialogFolder dialogFolder_;  // made before Load changes the current folder
    std::string lastWadPath_;    // the last WAD a texture was added to
    std::string lastMapPath_;    // the last map a texture was put into
    QPointer<WadBrowser> wadBrowser_;
    QPointer<RecipeBrowser> recipeBrowser_;
    std::filesystem::path paletteFile_;   // a recipe's palette in use; empty: the program's
    imageio::Picture fullColourPicture_;  // what the preview shows unconverted
    freeimage_base::Bitmap converted_;
    std::unique_ptr<session::TextureSession> session_;
};

}  // namespace orrisbay::app
