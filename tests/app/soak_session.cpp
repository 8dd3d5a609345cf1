#include "soak_session.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QListWidget>
#include <QMimeData>
#include <QPixmapCache>
#include <QPushButton>
#include <QUrl>

#include "app/height_blend_menu.h"
#include "app/image_box.h"
#include "app/slot_sources.h"
#include "app/texture_view.h"
#include "app/wad_browser.h"
#include "slots/slot_table.h"
#include "soak_inputs.h"
#include "support/image_files.h"

namespace orrisbay::soak {

namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 8> kSaveNames = {"out.png",         "out.tga", "out.bmp",
                                                   "out.jpg",         "out.wad", "out.gif",
                                                   "missing/out.png", "8bit.png"};
constexpr std::array<const char*, 5> kTextureNames = {"brick", "+0lava", "+1lava", "*water",
                                                      "sky1"};
constexpr std::array<const char*, 4> kBlends = {"Off", "Sharp", "Medium", "Soft"};

}  // namespace

const std::array<Session::Operation, 14> Session::kOperations = {{
    {"open", 14, &Session::open},
    {"drop", 12, &Session::drop},
    {"paste picture", 12, &Session::pastePicture},
    {"paste text", 4, &Session::pasteText},
    {"refused merge", 4, &Session::refusedMerge},
    {"height blend", 5, &Session::heightBlend},
    {"convert", 8, &Session::convert},
    {"copy", 4, &Session::copy},
    {"save as", 10, &Session::saveAs},
    {"add to WAD", 8, &Session::addToWad},
    {"open WAD", 4, &Session::openWad},
    {"rewrite linked file", 2, &Session::rewriteLinked},
    {"texture view", 5, &Session::textureView},
    {"toggle", 4, &Session::toggle},
}};

void DeliverEvents() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

Session::Session(app::FrmOrrisbay& window, unsigned seed, fs::path folder)
    : window_(window), random_(seed), folder_(std::move(folder)) {
    std::array<double, kOperations.size()> weights{};
    for (std::size_t i = 0; i < kOperations.size(); ++i) {
        weights.at(i) = kOperations.at(i).weight;
    }
    pickOperation_ = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
    answerDialogs();
    countReportedChanges();
    // Qt keeps the pixmaps it draws icons from in a cache of 10 MB, filled
    // over the first thousands of operations; a small one, so that its
    // filling up is not taken for growth. (Emptying it instead leaves its
    // keys behind until a timer it then stops.)
    QPixmapCache::setCacheLimit(1024);
}

void Session::RunOne() {
    const std::size_t operation = pickOperation_(random_);
    ++counts_.at(operation);
    (this->*kOperations.at(operation).run)();
    DeliverEvents();
}

void Session::Settle() {
    if (window_.wadBrowser() != nullptr) {
        window_.wadBrowser()->close();
    }
    window_.updateSavedFileAction()->setChecked(false);
    window_.heightBlendMenu()->choice(QStringLiteral("Off"))->trigger();
    QImage stripes(256, 256, QImage::Format_RGB32);
    for (int slot = 0; slot < 4; ++slot) {
        stripes.fill(qRgb(60 * slot, 255 - 60 * slot, 128));
        QGuiApplication::clipboard()->setImage(stripes);
        window_.btnPaste(slot)->click();
    }
    QGuiApplication::clipboard()->clear();
    // A closed texture view keeps what it showed last until it is shown
    // again; shown once more, it holds the same texture at every checkpoint.
    if (window_.textureView() != nullptr) {
        window_.viewClick();
        window_.textureView()->close();
    }
    DeliverEvents();
}

int Session::StraySlot() const {
    for (int slot = slots::kLowerBound; slot <= slots::kUpperBound; ++slot) {
        if (slot > slots::kMask2 && slot != slots::kResult &&
            window_.slotTable().Slot(slot) != nullptr) {
            return slot;
        }
    }
    return -1;
}

std::string Session::Tally() const {
    std::string text;
    for (std::size_t i = 0; i < kOperations.size(); ++i) {
        text += (i == 0 ? "" : ", ") + std::string(kOperations.at(i).name) + " " +
                std::to_string(counts_.at(i));
    }
    return text + "; linked files rewritten and reported " + std::to_string(rewritesReported_) +
           " of " + std::to_string(rewritesAwaited_);
}

// The window's dialogs and questions answer with what the operation chose,
// or at random.
void Session::answerDialogs() {
    window_.setOpenFileDialog([this](imageio::OpenFileRequest& request) {
        if (openAnswer_.empty() || openAnswer_.size() + 1 > request.nMaxFile) {
            return 0;
        }
        request.lpstrFile.replace(0, openAnswer_.size() + 1, openAnswer_ + '\0');
        return 1;
    });
    window_.setSaveFileDialog([this](QWidget*) { return saveAnswer_; });
    window_.setAddToWadDialog(
        [this](QWidget*, const app::WadTarget&) { return std::optional(wadAnswer_); });
    window_.setOpenWadDialog([this](QWidget*) { return openWadAnswer_; });
    window_.setOverwriteQuestion([this](QWidget*, const std::string&) { return !chance(4); });
    window_.setReplaceTextureQuestion(
        [this](QWidget*, const std::string&, const std::string&) { return !chance(4); });
    window_.setTextureSizeQuestion([this](QWidget*, const std::string&) { return !chance(3); });
}

// Counts the changes the window's live link reports, after the window has
// read them in (its own connection came first).
void Session::countReportedChanges() {
    if (auto* sources = window_.findChild<app::SlotSources*>()) {
        QObject::connect(sources, &app::SlotSources::changesSettled, sources,
                         [this] { ++changesReported_; });
    }
}

// A new random input file, written over one of a few names, so that the
// folder stays small and linked files change under the window.
std::string Session::writeInput() {
    const RandomFile input = MakeRandomFile(random_);
    const std::string path = file("in/" + std::to_string(pick(6)) + input.extension);
    testing::WriteFile(path, input.bytes);
    return path;
}

void Session::open() {
    openAnswer_ = chance(10) ? std::string() : writeInput();
    window_.btnOpen(pickSlot())->click();
}

// Drops on a frame or its thumbnail as the window system would: a drag
// enters, then drops. One drop in ten carries only text.
void Session::drop() {
    QMimeData data;
    if (chance(10)) {
        data.setText(QStringLiteral("not a file"));
    } else {
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(writeInput()))});
    }
    const int slot = pickSlot();
    QWidget* target =
        chance(2) ? static_cast<QWidget*>(window_.Frame1(slot)) : window_.Image1(slot);
    const QPoint middle = target->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (enter.isAccepted()) {
        QDropEvent dropped(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
    }
}

void Session::pastePicture() {
    QGuiApplication::clipboard()->setImage(MakeClipboardPicture(random_));
    window_.btnPaste(pickSlot())->click();
}

void Session::pasteText() {
    QGuiApplication::clipboard()->setText(QStringLiteral("soak %1").arg(random_()));
    window_.btnPaste(pickSlot())->click();
}

// A merge refused for want of memory, started by a paste, a drop or a new
// blend; the inputs stay and the preview empties.
void Session::refusedMerge() {
    window_.slotTable().SetAvailableMemory(std::uint64_t{1} << pick(20));
    const std::array starts = {&Session::pastePicture, &Session::drop, &Session::heightBlend};
    (this->*pickFrom(starts))();
    window_.slotTable().SetAvailableMemory(std::nullopt);
}

void Session::heightBlend() {
    window_.heightBlendMenu()->choice(QString::fromLatin1(pickFrom(kBlends)))->trigger();
}

void Session::convert() {
    QAction* option = chance(2) ? window_.ditherAction() : window_.fullbrightsAction();
    if (chance(3)) {
        option->toggle();
    } else {
        window_.convertAction()->trigger();
    }
}

void Session::copy() {
    window_.copyAction()->trigger();
}

void Session::saveAs() {
    const std::string name = pickFrom(kSaveNames);
    saveAnswer_ = chance(15) ? app::SaveChoice() : app::SaveChoice(file(name), name == "8bit.png");
    window_.saveAsAction()->trigger();
}

// Into the run's WAD (made anew now and then, of either kind) or a damaged one.
void Session::addToWad() {
    if (chance(30)) {
        fs::remove(file("pack.wad"));
    }
    const bool damaged = chance(15);
    if (damaged) {
        testing::WriteFile(file("damaged.wad"), std::string(64, static_cast<char>(random_())));
    }
    wadAnswer_ = {file(damaged ? "damaged.wad" : "pack.wad"), pickFrom(kTextureNames),
                  chance(2) ? gameformats::WadKind::Wad2 : gameformats::WadKind::Wad3};
    window_.addToWadAction()->trigger();
}

// The WAD's list, and something done to one of its textures.
void Session::openWad() {
    openWadAnswer_ = file(chance(10) ? "missing.wad" : "pack.wad");
    window_.openWadAction()->trigger();
    app::WadBrowser* browser = window_.wadBrowser();
    if (browser == nullptr || browser->textureList()->count() == 0) {
        return;
    }
    browser->textureList()->setCurrentRow(pick(browser->textureList()->count()));
    switch (pick(6)) {
        case 0:
            browser->removeSelected();
            break;
        case 1:
            browser->extractSelected(file("extracted.png"));
            break;
        default:
            browser->loadSelectedInto(pickSlot());
            break;
    }
    if (chance(2)) {
        browser->close();
    }
}

// Saves new contents over the file a slot is linked to and, while the window
// follows, waits for the change to be reported and read in.
void Session::rewriteLinked() {
    const int slot = pickSlot();
    const QString path = window_.Image1(slot)->toolTip().section(QLatin1Char('\n'), 0, 0);
    if (!path.startsWith(QString::fromStdString(folder_.string()))) {
        return;  // not linked to a file
    }
    testing::WriteFile(path.toStdString(), MakeRewrite(random_, path.toStdString()));
    if (!window_.followFilesAction()->isChecked()) {
        return;
    }
    ++rewritesAwaited_;
    const long before = changesReported_;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (changesReported_ != before) {
            ++rewritesReported_;
            return;
        }
    }
}

void Session::textureView() {
    app::TextureView* view = window_.textureView();
    if (view == nullptr || !view->isVisible()) {
        window_.viewClick();
    } else if (chance(3)) {
        view->tileAction()->trigger();
    } else {
        view->close();
    }
}

void Session::toggle() {
    QAction* action = chance(2) ? window_.followFilesAction() : window_.updateSavedFileAction();
    if (action->isEnabled()) {
        action->toggle();
    }
}

}  // namespace orrisbay::soak
