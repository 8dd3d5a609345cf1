#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "app/save_dialog.h"
#include "imageio/file_dialog_request.h"
#include "slots/slot_table.h"
#include "slots/slot_view.h"

class QGroupBox;
class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace orrisbay::app {

class FileDropTarget;
class ImageBox;
class PaletteBox;

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

    // Shut-down: releases every slot, 0 to 19.
    void Unload();

    // The dialog behind the open buttons; tests supply their own answer.
    void setOpenFileDialog(imageio::OpenFileDialogFunction dialog);

    // The dialog and the replace question behind "Save As..."; tests supply their own.
    void setSaveFileDialog(SaveFileDialogFunction dialog);
    void setOverwriteQuestion(OverwriteQuestionFunction question);

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

    // The preview's context menu and its two actions, also the window's Ctrl+C and Ctrl+S.
    QMenu* previewMenu() const { return previewMenu_; }
    QAction* copyAction() const { return copyAction_; }
    QAction* saveAsAction() const { return saveAsAction_; }

  public Q_SLOTS:
    void btnOpenClick(int index);
    void btnPasteClick(int index);
    void Image3Click();
    void saveAsClick();

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

    // Loads the file at `path` into input slot `index`, choosing its type by extension.
    void loadFileIntoSlot(int index, const std::string& path);

    void showPreviewMenu(const QPoint& position);

    // Writes the picture the preview shows to `path`; false after telling the user why not.
    bool saveTexture(const std::string& path);

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
    std::array<FileDropTarget*, 4> dropTargets_{};

    imageio::OpenFileDialogFunction openFileDialog_;
    SaveFileDialogFunction saveFileDialog_;
    OverwriteQuestionFunction overwriteQuestion_;
    std::unique_ptr<slots::SlotTable> slotTable_;
};

}  // namespace orrisbay::app
