// Saving the preview (menu, shortcuts, formats, replacing files) and files
// dropped on the input frames, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "app/file_drop.h"
#include "app/image_box.h"
#include "app/save_dialog.h"
#include "imageio/picture_bridge.h"
#include "slots/slot_table.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::TemporaryFolder;
using orrisbay::testing::WriteFile;

constexpr const char* kCopied = "Image copied to clipboard";

class SaveTest : public testing::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->setSaveFileDialog([this](QWidget*) {
            ++dialogCalls;
            return answer;
        });
        window->setOverwriteQuestion([this](QWidget*, const std::string& path) {
            questions.push_back(path);
            return replace;
        });
    }

    const FIBITMAP* Result() const { return window->slotTable().Slot(slots::kResult); }

    TemporaryFolder folder{"orrisbay-save"};
    std::string answer;
    bool replace = false;
    int dialogCalls = 0;
    std::vector<std::string> questions;
};

TEST_F(SaveTest, RightClickOnThePreviewOffersCopyAndSaveAs) {
    window->show();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 30),
                            window->Image3()->mapToGlobal(QPoint(20, 30)));
    QApplication::sendEvent(window->Image3(), &click);
    QMenu* menu = window->previewMenu();
    ASSERT_TRUE(menu->isVisible());
    ASSERT_GE(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Copy");
    EXPECT_EQ(menu->actions()[1]->text(), "Save As...");
    EXPECT_TRUE(messages.empty()) << "a right click alone copies nothing";

    menu->actions()[0]->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kCopied);
    menu->actions()[1]->trigger();
    EXPECT_EQ(dialogCalls, 1);
    menu->close();
}

TEST_F(SaveTest, CtrlCCopiesAndCtrlSSavesFromAnywhereInTheWindow) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->btnPaste(2)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kCopied);
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(256, 256));

    answer = folder.file("shortcut.png");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogCalls, 1);
    EXPECT_TRUE(SamePixels(Result(), LoadAs(FIF_PNG, answer).get()));
}

TEST_F(SaveTest, SavesTheFullSizeMergeInEachFormat) {
    ASSERT_NE(Result(), nullptr);
    for (const auto& [name, format] : {std::pair{"texture.png", FIF_PNG},
                                       {"texture.tga", FIF_TARGA},
                                       {"texture.BMP", FIF_BMP}}) {
        SCOPED_TRACE(name);
        answer = folder.file(name);
        window->saveAsAction()->trigger();
        EXPECT_EQ(FreeImage_GetFileType(answer.c_str(), 0), format);
        EXPECT_TRUE(SamePixels(Result(), LoadAs(format, answer).get()));
    }
    answer = folder.file("texture.jpg");
    window->saveAsAction()->trigger();
    const freeimage_base::Bitmap jpeg = LoadAs(FIF_JPEG, answer);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(FreeImage_GetWidth(jpeg.get()), 256u);
    EXPECT_EQ(FreeImage_GetHeight(jpeg.get()), 256u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(questions.empty()) << "new files need no question";
    EXPECT_EQ(folder.entries().size(), 4u) << "no temporary files stay behind";
}

TEST_F(SaveTest, AsksBeforeReplacingAFile) {
    answer = folder.file("existing.png");
    WriteFile(answer, "keep me");
    replace = false;
    window->saveAsAction()->trigger();
    ASSERT_EQ(questions, std::vector<std::string>{answer});
    EXPECT_TRUE(ReadFile(answer) == "keep me");

    replace = true;
    window->saveAsAction()->trigger();
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_TRUE(SamePixels(Result(), LoadAs(FIF_PNG, answer).get()));
    EXPECT_EQ(folder.entries().size(), 1u);
}

// A texture linked into a game's folder: the link stays, the file it points
// at gets the merge and keeps its owner-only mode.
TEST_F(SaveTest, SavingOverALinkReplacesItsTargetAndKeepsItsMode) {
    answer = folder.file("wall.png");
    orrisbay::testing::LinkToOwnerOnlyFile(answer, folder.file("game/wall.png"));
    replace = true;
    window->saveAsAction()->trigger();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(std::filesystem::is_symlink(answer));
    EXPECT_TRUE(SamePixels(Result(), LoadAs(FIF_PNG, folder.file("game/wall.png")).get()));
    EXPECT_TRUE(orrisbay::testing::OwnerOnly(answer));
}

TEST_F(SaveTest, CancelBadExtensionsAndUnwritablePlaces) {
    answer = "";
    window->saveAsAction()->trigger();
    EXPECT_TRUE(messages.empty());

    answer = folder.file("texture.gif");
    window->saveAsAction()->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Save: Invalid format; save as PNG, Targa, BMP or JPEG.");
    EXPECT_EQ(messages[0].buttons, console::MessageButtons::OkCancel);

    answer = folder.file("missing/texture.png");
    window->saveAsAction()->trigger();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text.rfind("Save: " + answer + " was not written: ", 0), 0u);
    EXPECT_TRUE(folder.entries().empty());
}

TEST_F(SaveTest, BeforeAnyMergeTheBuiltInPreviewIsSaved) {
    window.reset();
    window = std::make_unique<FrmOrrisbay>();  // not started: no merge yet
    window->setSaveFileDialog([this](QWidget*) { return folder.file("preview.png"); });
    window->saveAsAction()->trigger();
    const freeimage_base::Bitmap expected = imageio::PictureToBitmap(window->Image3()->picture());
    EXPECT_TRUE(SamePixels(expected.get(), LoadAs(FIF_PNG, folder.file("preview.png")).get()));
}

// Drops `data` on `target` as the window system would: enter, then drop.
bool Drop(QWidget* target, const QMimeData& data) {
    const QPointF where(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

std::unique_ptr<QMimeData> Files(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.push_back(QUrl::fromLocalFile(path));
    }
    data->setUrls(urls);
    return data;
}

class DropTest : public testing::WindowTest {
  protected:
    std::string Label(int i) const { return window->lblsize(i)->text().toStdString(); }
    TemporaryFolder folder{"orrisbay-drop"};
};

TEST_F(DropTest, AFileDroppedOnAFrameLoadsIntoItsSlot) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const std::string path =
            SavePattern(folder.file("in" + std::to_string(i) + ".png"), FIF_PNG, 40 + i, 30, 24);
        // A copy: the merge may make its result where the last one was.
        const freeimage_base::Bitmap before =
            freeimage_base::Clone(window->slotTable().Slot(slots::kResult));
        // On the frame itself for 0 and 1, on its thumbnail for 2 and 3.
        QWidget* target = i < 2 ? static_cast<QWidget*>(window->Frame1(i)) : window->Image1(i);
        EXPECT_TRUE(Drop(target, *Files({QString::fromStdString(path)})));
        EXPECT_EQ(Label(i), std::to_string(40 + i) + " x 30 " + (i < 2 ? "24" : "8") + " bpp");
        EXPECT_FALSE(
            orrisbay::testing::SamePixels(window->slotTable().Slot(slots::kResult), before.get()))
            << "merged again";
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(DropTest, OnlyASingleLocalFileIsAccepted) {
    const std::string a = SavePattern(folder.file("a.png"), FIF_PNG, 8, 8, 24);
    const std::string b = SavePattern(folder.file("b.png"), FIF_PNG, 8, 8, 24);
    QMimeData text;
    text.setText("not a file");
    QMimeData web;
    web.setUrls({QUrl("https://example.org/a.png")});
    EXPECT_FALSE(Drop(window->Frame1(0), text));
    EXPECT_FALSE(Drop(window->Frame1(0), web));
    EXPECT_FALSE(
        Drop(window->Frame1(0), *Files({QString::fromStdString(a), QString::fromStdString(b)})));
    EXPECT_FALSE(Drop(window->Frame1(0), *Files({QString::fromStdString(folder.file(""))})));
    EXPECT_EQ(Label(0), "256 x 256 24 bpp");
    EXPECT_TRUE(messages.empty());
}

TEST_F(DropTest, DroppedFilesGoThroughTheOpenButtonsChecks) {
    const std::string tif = SavePattern(folder.file("a.tif"), FIF_TIFF, 8, 8, 24);
    const std::string damaged = folder.file("damaged.png");
    WriteFile(damaged, "\x89PNG\r\n\x1a\nnot really");
    EXPECT_TRUE(Drop(window->Frame1(1), *Files({QString::fromStdString(tif)})));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Load: Invalid format; no image loaded.");
    EXPECT_TRUE(Drop(window->Frame1(1), *Files({QString::fromStdString(damaged)})));
    ASSERT_EQ(messages.size(), 2u) << "a dropped file that cannot be read says why";
    EXPECT_EQ(messages[1].text.rfind("Load: " + damaged + ": cannot be read as a PNG image", 0), 0u)
        << messages[1].text;
    EXPECT_EQ(Label(1), "256 x 256 24 bpp");
}

// An opened picture that cannot be read changes nothing and shows no box, as
// always, but the slot's tooltip and the log say why; and Save As never
// writes over the file a slot follows.
TEST_F(DropTest, UnreadFilesSayWhyAndAFollowedFileIsNotSavedOver) {
    const std::string misnamed = folder.file("photo.png");
    std::filesystem::rename(SavePattern(folder.file("photo.jpg"), FIF_JPEG, 8, 8, 24), misnamed);
    const std::string layer = SavePattern(folder.file("layer.png"), FIF_PNG, 16, 16, 24);
    std::string chosen;
    window->setOpenFileDialog([&chosen](imageio::OpenFileRequest& request) {
        request.lpstrFile.replace(0, chosen.size() + 1, chosen + '\0');
        return 1;
    });
    chosen = misnamed;
    window->btnOpen(2)->click();
    EXPECT_TRUE(messages.empty());
    const std::string reason = "it is a JPEG picture named .png";
    EXPECT_NE(window->Image1(2)->toolTip().toStdString().find(reason), std::string::npos)
        << window->Image1(2)->toolTip().toStdString();
    EXPECT_NE(console::ConsoleText().find(misnamed + ": " + reason), std::string::npos);

    chosen = layer;
    window->btnOpen(0)->click();
    bool asked = false;
    window->setSaveFileDialog([&layer](QWidget*) { return SaveChoice(layer); });
    window->setOverwriteQuestion([&asked](QWidget*, const std::string&) { return asked = true; });
    const std::string before = ReadFile(layer);
    window->saveAsClick();
    EXPECT_FALSE(asked);
    EXPECT_TRUE(ReadFile(layer) == before);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Save: " + layer +
                                    " was not written: it is the file of Blend Texture1, and "
                                    "saving over it would lose that picture.");
}

}  // namespace
}  // namespace orrisbay::app
