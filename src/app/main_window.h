#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "app/add_to_wad_dialog.h"
#include "app/dialog_folder.h"
#include "app/save_dialog.h"
#include "app/wad_browser.h"
#include "gameformats/texture_export.h"
#include "imageio/file_dialog_request.h"
#include "imageio/file_types.h"
#include "imageio/freeimage_base.h"
#include "imageio/image_limits.h"
#include "imageio/picture_bridge.h"
#include "palette/palette_conversion.h"
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
// masks), the palette box, the preview of the merged texture, and the slot
// table behind them.
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

    const slots::SlotTable& slotTable() const { return *slotTable_; }
    slots::SlotTable& slotTable() { return *slotTable_; }

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
    // Ctrl+S), Add to WAD and Open WAD, then the conversion to the game's
    // palette and its two options.
    QMenu* previewMenu() const { return previewMenu_; }
    QAction* copyAction() const { return copyAction_; }
    QAction* saveAsAction() const { return saveAsAction_; }
    QAction* addToWadAction() const { return addToWadAction_; }
    QAction* openWadAction() const { return openWadAction_; }
    QAction* convertAction() const { return convertAction_; }
    QAction* ditherAction() const { return ditherAction_; }
    QAction* fullbrightsAction() const { return fullbrightsAction_; }
    // "Height Blend": Off, Sharp, Medium, Soft; a choice merges again at once.
    HeightBlendMenu* heightBlendMenu() const { return heightBlendMenu_; }

    // "View..." (also Ctrl+E anywhere in the window) opens the texture view;
    // "Follow file changes" reads a slot's file again when it changes on disk;
    // "Update saved file on change", offered after a Save As or an Add to WAD,
    // writes every new merge to the file saved last (into a WAD, as the same
    // texture).
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
        return conversionPalette_;
    }

    // The list of a WAD's textures that "Open WAD..." shows; null when closed.
    WadBrowser* wadBrowser() const { return wadBrowser_; }

  public Q_SLOTS:
    void btnOpenClick(int index);
    void btnPasteClick(int index);
    void Image3Click();
    void saveAsClick();
    void addToWadClick();
    void openWadClick();
    void convertClick();
    void viewClick();

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

    // The full-colour texture: the merge in slot 19, or before any merge the
    // picture the preview showed; `holder` keeps a copy made for the caller.
    const FIBITMAP* fullColourTexture(freeimage_base::Bitmap& holder) const;
    quake_palette::ConversionOptions conversionOptions() const;
    // Shows the converted texture in the preview; false after telling the user why not.
    bool convertPreview();

    // The replace and rescale questions of Save As and Add to WAD, asked of the
    // user; `rescaleAgreed` tells afterwards whether the texture was rescaled.
    gameformats::ExportQuestions exportQuestions(bool& rescaleAgreed);
    // Exports the full-colour texture (and its coverage, for a see-through WAD
    // texture) under a busy cursor.
    gameformats::ExportResult exportTexture(const gameformats::ExportRequest& request,
                                            bool& rescaleAgreed);
    // Tells the user why `action` ("Save", "Add to WAD") wrote nothing, unless
    // the user chose that, or what to know about the texture it wrote.
    void showExportOutcome(const gameformats::ExportResult& result, const std::string& path,
                           std::string_view action);
    // What Add to WAD proposes: the last WAD, and a name from the last file
    // the user opened or saved.
    WadTarget wadProposal() const;
    // Shows the textures of the WAD at `path`, in place of any shown before.
    void showWadBrowser(const std::string& path);

    // The live link, the saved file kept up to date and the texture view
    // (main_window_follow.cpp).
    void createFollowActions();
    void connectFollowSignals();
    // Reads a file into memory for slot `index`, with the busy cursor for a large one.
    Result<freeimage_base::Bitmap> readFile(int index, const std::string& path);
    // Hands `bitmap` to slot `index`, which merges; busy cursor for large work.
    void putInSlot(int index, freeimage_base::Bitmap bitmap);
    // True when a picture of `incoming` size in slot `index`, or the merge
    // that follows, is large enough to take a noticeable time.
    bool isLongWork(int index, std::optional<imageio::PictureSize> incoming) const;
    void reloadChangedFile(int index);
    // Keeps what Save As or Add to WAD just wrote, for "Update saved file on change".
    void rememberSavedFile(gameformats::RepeatedExport saved);
    void updateSavedFile(const FIBITMAP* texture);
    // Why the kept export could not be made again, for the message that ends it.
    std::string updateProblem(const FIBITMAP* texture);
    // The slot whose picture follows the file at `path`, if one does.
    std::optional<int> linkedInputOf(const std::string& path) const;
    void updateTextureView();

    // What the slot table shows through.
    void ShowThumbnail(int index, const FIBITMAP* bitmap) override;
    void ShowSizeLabel(int index, const std::string& caption) override;
    void ShowPreview(const FIBITMAP* bitmap) override;
    void ReportMergeFailure(const std::string& message) override;

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
    QAction* openWadAction_ = nullptr;
    QAction* convertAction_ = nullptr;
    QAction* ditherAction_ = nullptr;
    QAction* fullbrightsAction_ = nullptr;
    HeightBlendMenu* heightBlendMenu_ = nullptr;
    std::array<FileDropTarget*, 4> dropTargets_{};
    QAction* viewAction_ = nullptr;
    QAction* followFilesAction_ = nullptr;
    QAction* updateSavedFileAction_ = nullptr;
    SlotSources* sources_ = nullptr;
    TextureView* textureView_ = nullptr;
    std::optional<gameformats::RepeatedExport> savedFile_;
    // Operations under way that use the slots' bitmaps across a question or a
    // message box; files that change meanwhile are read in after them.
    int slotsInUse_ = 0;

    imageio::OpenFileDialogFunction openFileDialog_;
    SaveFileDialogFunction saveFileDialog_;
    OverwriteQuestionFunction overwriteQuestion_;
    YesNoQuestionFunction textureSizeQuestion_;
    AddToWadDialogFunction addToWadDialog_;
    ReplaceTextureQuestionFunction replaceTextureQuestion_;
    OpenWadDialogFunction openWadDialog_;
    DialogFolder dialogFolder_;  // made before Load changes the current folder
    std::string lastWadPath_;    // the last WAD a texture was added to
    QPointer<WadBrowser> wadBrowser_;
    imageio::Picture fullColourPicture_;  // what the preview shows unconverted
    freeimage_base::Bitmap converted_;
    std::optional<quake_palette::Palette> conversionPalette_;
    std::unique_ptr<slots::SlotTable> slotTable_;
};

}  // namespace orrisbay::app
