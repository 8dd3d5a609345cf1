#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "app/builtin_pictures.h"
#include "app/file_drop.h"
#include "app/height_blend_menu.h"
#include "app/image_box.h"
#include "app/message_box.h"
#include "app/palette_box.h"
#include "app/slot_sources.h"
#include "app/texture_view.h"
#include "app/wait_cursor.h"
#include "app/working_folder.h"
#include "console/application.h"
#include "console/console.h"
#include "gameformats/glow_map.h"
#include "gameformats/picture_input.h"
#include "gameformats/texture_export.h"
#include "imageio/clipboard.h"
#include "imageio/file_types.h"
#include "imageio/image_limits.h"
#include "imageio/picture_bridge.h"
#include "imageio/picture_colour.h"
#include "imageio/qt_file_dialog.h"
#include "palette/quake_palette.h"

namespace orrisbay::app {

namespace {

constexpr QSize kClientSize(803, 426);
constexpr const char* kPasteTooltip = "Paste Image From Clipboard";
constexpr std::string_view kNothingToCopyMessage = "Copy: There is no texture to copy.";
constexpr std::string_view kNothingToConvertMessage = "Convert: There is no texture to convert.";
constexpr std::string_view kNotConvertedMessage =
    "Convert: The texture could not be converted to the Quake palette.";

void ShowError(std::string_view text) {
    console::ShowMessage(std::string(text), console::MessageButtons::OkCancel);
}

// Shows `text` whole inside the label's fixed size: in a smaller font when
// the default one is too wide ("16384 x 16384 32 bpp"), cut short only past
// that; the tooltip always has it whole.
void ShowFitting(QLabel& label, const QString& text) {
    constexpr double kSmallestShare = 0.7;  // of the default size, still readable
    const int room = label.contentsRect().width() - 2;
    QFont font = label.parentWidget() != nullptr ? label.parentWidget()->font() : label.font();
    const double full = font.pointSizeF();
    while (QFontMetrics(font).horizontalAdvance(text) > room && full > 0 &&
           font.pointSizeF() - 0.5 >= full * kSmallestShare) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    label.setFont(font);
    label.setText(QFontMetrics(font).elidedText(text, Qt::ElideRight, room));
    label.setToolTip(text);
}

}  // namespace

FrmOrrisbay::FrmOrrisbay(QWidget* parent)
    : QWidget(parent),
      // The dialogs start in the folder chosen last (the design leaves it
      // to the platform, whose default here would be the program's folder).
      openFileDialog_([this](imageio::OpenFileRequest& request) {
          if (request.lpstrInitialDir.find_first_not_of('\0') == std::string::npos) {
              request.lpstrInitialDir = dialogFolder_.Path() + std::string(2, '\0');
          }
          return imageio::GetOpenFileNameDialog(request);
      }),
      saveFileDialog_(
          [this](QWidget* parent) { return GetSaveFileNameDialog(parent, dialogFolder_.Path()); }),
      overwriteQuestion_(AskToReplaceFile),
      textureSizeQuestion_(AskYesNo),
      addToWadDialog_(AskWadTarget),
      replaceTextureQuestion_(AskToReplaceTexture),
      openWadDialog_(
          [this](QWidget* parent) { return GetOpenWadFileName(parent, dialogFolder_.Path()); }),
      addToMapDialog_(AskMapTexture),
      saveRecipeDialog_(
          [this](QWidget* parent) { return GetSaveRecipeFileName(parent, dialogFolder_.Path()); }),
      openRecipeDialog_(
          [this](QWidget* parent) { return GetOpenRecipeFileName(parent, dialogFolder_.Path()); }),
      savePictureQuestion_(AskYesNo),
      session_(std::make_unique<session::TextureSession>(static_cast<slots::SlotView*>(this))) {
    setFixedSize(kClientSize);
    setWindowIcon(ApplicationIcon());

    // Created in tab order; frames 1 and 2 put the paste button first.
    createInputFrame(0, QRect(16, 24, 241, 185), 65, false);
    createInputFrame(1, QRect(16, 224, 241, 185), 65, true);
    createInputFrame(2, QRect(352, 24, 273, 185), 89, true);
    createInputFrame(3, QRect(352, 224, 273, 185), 89, false);
    createPaletteBox();
    createPreview();
    createArrows();
    createPreviewMenu();
    createFollowActions();
    createDropTargets();
    setTabOrder();
    connectSignals();
    connectFollowSignals();
}

FrmOrrisbay::~FrmOrrisbay() = default;

void FrmOrrisbay::createInputFrame(int index, const QRect& frameGeometry, int buttonWidth,
                                   bool pasteFirst) {
    static const char* const captions[] = {"Blend Texture1", "Blend Texture2", "Alpha Channel 1",
                                           "Alpha Channel 2"};
    auto* frame = new QGroupBox(QString::fromLatin1(captions[index]), this);
    frame->setGeometry(frameGeometry);
    frame->setFocusPolicy(Qt::NoFocus);

    auto* open = new QPushButton(tr("Open"));
    auto* paste = new QPushButton();
    for (QPushButton* button : pasteFirst ? std::array{paste, open} : std::array{open, paste}) {
        button->setParent(frame);
    }
    open->setGeometry(152, 32, buttonWidth, 25);
    const int pasteLeft = 152 + buttonWidth - 33;  // right-aligned under the open button
    paste->setGeometry(pasteLeft, 112, 33, 33);
    paste->setIcon(PasteGlyph());
    paste->setIconSize(QSize(16, 16));
    paste->setToolTip(QString::fromLatin1(kPasteTooltip));

    auto* label = new QLabel(QStringLiteral("256 x 256"), frame);
    label->setGeometry(24, 152, 113, 17);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::Base);
    label->setForegroundRole(QPalette::Text);

    auto* thumbnail = new ImageBox(frame);
    thumbnail->setGeometry(24, 32, 112, 112);
    thumbnail->setFrameStyle(QFrame::NoFrame);
    thumbnail->setPicture(BuiltinThumbnail(index));

    frames_.at(Index(index)) = frame;
    openButtons_.at(Index(index)) = open;
    pasteButtons_.at(Index(index)) = paste;
    sizeLabels_.at(Index(index)) = label;
    thumbnails_.at(Index(index)) = thumbnail;
}

void FrmOrrisbay::createPaletteBox() {
    palette_ = new PaletteBox(this);
    palette_->setGeometry(648, 16, 130, 130);
}

void FrmOrrisbay::createPreview() {
    preview_ = new ImageBox(this);
    preview_->setGeometry(656, 256, 114, 114);
    preview_->setFrameStyle(QFrame::Box | QFrame::Plain);
    preview_->setLineWidth(1);
    preview_->setCursor(Qt::PointingHandCursor);
    fullColourPicture_ = BuiltinPreview();
    preview_->setPicture(fullColourPicture_);
}

void FrmOrrisbay::createArrows() {
    static const QPoint positions[] = {{272, 80}, {272, 280}, {640, 152}};
    for (int i = 0; i < 3; ++i) {
        auto* arrow = new QLabel(this);
        const QPixmap picture = QPixmap::fromImage(BuiltinArrow(i));
        arrow->setPixmap(picture);
        arrow->setGeometry(QRect(positions[i], picture.size()));
        arrow->setFocusPolicy(Qt::NoFocus);
        arrows_.at(Index(i)) = arrow;
    }
}

void FrmOrrisbay::createPreviewMenu() {
    copyAction_ = new QAction(tr("Copy"), this);
    copyAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    saveAsAction_ = new QAction(tr("Save As..."), this);
    saveAsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    // Added to the window too, so the shortcuts work wherever the focus is.
    addAction(copyAction_);
    addAction(saveAsAction_);
    addToWadAction_ = new QAction(tr("Add to WAD..."), this);
    addToMapAction_ = new QAction(tr("Add to Map..."), this);
    openWadAction_ = new QAction(tr("Open WAD..."), this);

    // Conversion options: plain nearest colours without fullbrights unless asked,
    // since dithering adds noise and fullbright pixels glow in dark rooms.
    convertAction_ = new QAction(tr("Convert to Quake palette"), this);
    createConversionMenus();
    fullbrightsAction_ = new QAction(tr("Allow Fullbrights"), this);
    fullbrightsAction_->setCheckable(true);

    previewMenu_ = new QMenu(this);
    previewMenu_->addAction(copyAction_);
    previewMenu_->addAction(saveAsAction_);
    previewMenu_->addAction(addToWadAction_);
    previewMenu_->addAction(addToMapAction_);
    previewMenu_->addAction(openWadAction_);
    createRecipeActions();
    previewMenu_->addSeparator();
    previewMenu_->addAction(convertAction_);
    previewMenu_->addMenu(ditheringMenu_);
    previewMenu_->addMenu(metricMenu_);
    previewMenu_->addAction(fullbrightsAction_);
    createPaletteAction();
    createGlowActions();
    previewMenu_->addSeparator();
    heightBlendMenu_ = new HeightBlendMenu(previewMenu_);
    previewMenu_->addMenu(heightBlendMenu_);
    preview_->setContextMenuPolicy(Qt::CustomContextMenu);
}

void FrmOrrisbay::createDropTargets() {
    for (int i = 0; i < 4; ++i) {
        dropTargets_.at(Index(i)) = new FileDropTarget(Frame1(i));
    }
}

void FrmOrrisbay::setTabOrder() {
    const QWidget* order[] = {btnOpen(0), btnPaste(0), btnPaste(1), btnOpen(1), btnPaste(2),
                              btnOpen(2), btnOpen(3),  btnPaste(3), palette_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
    }
}

void FrmOrrisbay::connectSignals() {
    for (int i = 0; i < 4; ++i) {
        connect(btnOpen(i), &QPushButton::clicked, this, [this, i] { btnOpenClick(i); });
        connect(btnPaste(i), &QPushButton::clicked, this, [this, i] { btnPasteClick(i); });
    }
    connect(preview_, &ImageBox::clicked, this, &FrmOrrisbay::Image3Click);
    connect(preview_, &QWidget::customContextMenuRequested, this, &FrmOrrisbay::showPreviewMenu);
    connect(copyAction_, &QAction::triggered, this, &FrmOrrisbay::Image3Click);
    connect(saveAsAction_, &QAction::triggered, this, &FrmOrrisbay::saveAsClick);
    connect(addToWadAction_, &QAction::triggered, this, &FrmOrrisbay::addToWadClick);
    connect(addToMapAction_, &QAction::triggered, this, &FrmOrrisbay::addToMapClick);
    connect(openWadAction_, &QAction::triggered, this, &FrmOrrisbay::openWadClick);
    connectRecipeSignals();
    connect(convertAction_, &QAction::triggered, this, &FrmOrrisbay::convertClick);
    connect(paletteAction_, &QAction::triggered, this, &FrmOrrisbay::paletteClick);
    connectGlowSignals();
    connect(heightBlendMenu_, &HeightBlendMenu::optionsChosen, this, &FrmOrrisbay::mergeWith);
    connectConversionSignals();
    for (int i = 0; i < 4; ++i) {
        connect(dropTargets_.at(Index(i)), &FileDropTarget::fileDropped, this,
                [this, i](const QString& path) {
                    loadFileIntoSlot(i, QFile::encodeName(path).toStdString(), true);
                });
    }
}

void FrmOrrisbay::setOpenFileDialog(imageio::OpenFileDialogFunction dialog) {
    openFileDialog_ = std::move(dialog);
}

void FrmOrrisbay::setSaveFileDialog(SaveFileDialogFunction dialog) {
    saveFileDialog_ = std::move(dialog);
}

void FrmOrrisbay::setOverwriteQuestion(OverwriteQuestionFunction question) {
    overwriteQuestion_ = std::move(question);
}

void FrmOrrisbay::setTextureSizeQuestion(YesNoQuestionFunction question) {
    textureSizeQuestion_ = std::move(question);
}

void FrmOrrisbay::setAddToWadDialog(AddToWadDialogFunction dialog) {
    addToWadDialog_ = std::move(dialog);
}

void FrmOrrisbay::setReplaceTextureQuestion(ReplaceTextureQuestionFunction question) {
    replaceTextureQuestion_ = std::move(question);
}

void FrmOrrisbay::setOpenWadDialog(OpenWadDialogFunction dialog) {
    openWadDialog_ = std::move(dialog);
}

void FrmOrrisbay::Load() {
    setWindowTitle(ApplicationTitle());
    LoadPalette(console::ApplicationFolder());
    RestoreWorkingFolder();
    for (int i = 0; i < 4; ++i) {
        freeimage_base::Bitmap bitmap = imageio::PictureToBitmap(Image1(i)->picture());
        if (bitmap) {
            putInSlot(i, std::move(bitmap), session::InputSource::BuiltIn());
        }
    }
}

void FrmOrrisbay::LoadPalette(const std::string& folder) {
    const Result<quake_palette::Palette> read =
        quake_palette::LoadPaletteSwatches(*PicPalette(), folder);
    session_->SetPalette(read ? std::optional(*read) : std::nullopt);
}

void FrmOrrisbay::Unload() {
    session_->Table().ReleaseAllSlots();
}

void FrmOrrisbay::closeEvent(QCloseEvent* event) {
    if (textureView_ != nullptr) {
        textureView_->close();
    }
    Unload();
    event->accept();
}

void FrmOrrisbay::btnOpenClick(int index) {
    std::string folder;
    const std::string path = imageio::ShowFileDialog(
        openFileDialog_, static_cast<imageio::WindowHandle>(winId()), "", folder, "*.png",
        imageio::ImageFileFilter(), imageio::kAllSupportedFormatsIndex, "Load Image");
    if (path.empty()) {
        return;
    }
    dialogFolder_.RememberFileOf(path);
    RestoreWorkingFolder();
    loadFileIntoSlot(index, path);
}

void FrmOrrisbay::loadFileIntoSlot(int index, const std::string& path, bool dropped) {
    if (!gameformats::IsInputPicturePath(path)) {
        console::ShowMessage(std::string(imageio::kInvalidFormatMessage),
                             console::MessageButtons::OkCancel);
        return;
    }
    Result<freeimage_base::Bitmap> result = readFile(index, path);
    if (!result) {
        tellUnreadFile(index, result.problem(), dropped);
        return;
    }
    putInSlot(index, std::move(*result), session::InputSource::File(path));
}

// A file that could not be opened changes nothing. The open button stays
// quiet about why, as it always was, but the slot's tooltip and the log say
// it; a dropped file, which has no dialog before it, and a picture too large
// to blend are told in a box.
void FrmOrrisbay::tellUnreadFile(int index, const Problem& problem, bool dropped) {
    const std::string reason = ReasonOf(problem);
    sources_->SetOpenProblem(index, problem.path, reason);
    showToolTip(index);
    if (problem.kind == ProblemKind::TooLarge) {
        console::ShowMessage(reason, console::MessageButtons::OkCancel);
        return;
    }
    console::ConsoleAppend("Load: " + problem.message + ".");
    if (dropped) {
        ShowError("Load: " + problem.message + ".");
    }
}

void FrmOrrisbay::btnPasteClick(int index) {
    if (!imageio::ClipboardHasImage()) {
        console::ShowMessage(imageio::kNoImageMessage, console::MessageButtons::OkCancel);
        return;
    }
    const imageio::Picture picture = imageio::ClipboardPicture();
    const imageio::PictureSize size{static_cast<std::uint64_t>(std::max(picture.width(), 0)),
                                    static_cast<std::uint64_t>(std::max(picture.height(), 0))};
    if (!imageio::IsWithinPictureLimits(size)) {
        console::ShowMessage(imageio::ClipboardTooLargeMessage(size),
                             console::MessageButtons::OkCancel);
        return;
    }
    std::string colourWarning;
    freeimage_base::Bitmap bitmap =
        imageio::PictureToBitmap(imageio::PictureInSrgb(picture, colourWarning));
    if (!colourWarning.empty()) {
        console::ConsoleAppend("Paste: the clipboard image: " + colourWarning + ".");
    }
    if (!bitmap) {
        console::ShowMessage(imageio::kCouldNotReadMessage, console::MessageButtons::OkCancel);
        return;
    }
    putInSlot(index, std::move(bitmap), session::InputSource::Clipboard());
}

void FrmOrrisbay::Image3Click() {
    // After an abandoned merge the preview is empty: what the user has on the
    // clipboard is worth more than an empty one.
    if (preview_->picture().isNull()) {
        ShowError(kNothingToCopyMessage);
        return;
    }
    imageio::CopyPictureToClipboard(preview_->picture());
    console::ShowMessage(imageio::kCopiedMessage, console::MessageButtons::Ok);
}

void FrmOrrisbay::showPreviewMenu(const QPoint& position) {
    previewMenu_->popup(preview_->mapToGlobal(position));
}

void FrmOrrisbay::mergeWith(const slots::MergeOptions& options) {
    session::SessionUpdate update;
    {
        std::optional<WaitCursor> busy;
        if (isLongWork(-1, imageio::PictureSize{0, 0})) {
            busy.emplace();
        }
        update = session_->SetMergeOptions(options);
    }
    showUpdate(update);
}

void FrmOrrisbay::convertClick() {
    if (!session_->GamePalette()) {
        ShowError(quake_palette::kUnavailableMessage);
        return;
    }
    convertPreview();
}

const FIBITMAP* FrmOrrisbay::textureInsteadOfMerge(freeimage_base::Bitmap& holder) const {
    if (session_->Texture() != nullptr) {
        return nullptr;
    }
    holder = imageio::PictureToBitmap(fullColourPicture_);
    return holder.get();
}

const FIBITMAP* FrmOrrisbay::fullColourTexture(freeimage_base::Bitmap& holder) const {
    const FIBITMAP* instead = textureInsteadOfMerge(holder);
    return instead != nullptr ? instead : session_->Texture();
}

bool FrmOrrisbay::convertPreview() {
    freeimage_base::Bitmap holder;
    const FIBITMAP* texture = fullColourTexture(holder);
    if (texture == nullptr) {
        ShowError(kNothingToConvertMessage);
        return false;
    }
    freeimage_base::Bitmap converted;
    {
        const WaitCursor busy;
        Result<freeimage_base::Bitmap> made = gameformats::ConvertWithGlowMask(
            texture, *session_->GamePalette(), conversionOptions(), session_->GlowMask());
        if (!made && session_->GlowMask() != nullptr) {
            ShowError("Glow Mask: " + made.problem().message + ".");
            return false;
        }
        converted = made ? std::move(*made) : freeimage_base::Bitmap();
    }
    if (!converted) {
        ShowError(kNotConvertedMessage);
        return false;
    }
    converted_ = std::move(converted);
    preview_->setPicture(imageio::BitmapToPicture(converted_.get()));
    updateTextureView();
    return true;
}

void FrmOrrisbay::ShowThumbnail(int index, const FIBITMAP* bitmap) {
    if (index >= 0 && index < 4) {
        Image1(index)->setPicture(imageio::BitmapToPicture(bitmap));
    }
}

void FrmOrrisbay::ShowSizeLabel(int index, const std::string& caption) {
    if (index >= 0 && index < 4) {
        ShowFitting(*lblsize(index), QString::fromStdString(caption));
    }
}

void FrmOrrisbay::ShowPreview(const FIBITMAP* bitmap) {
    // A new merge (or a failed one) shows full colour again.
    converted_.reset();
    fullColourPicture_ = imageio::BitmapToPicture(bitmap);
    preview_->setPicture(fullColourPicture_);
    updateTextureView();
}

}  // namespace orrisbay::app
