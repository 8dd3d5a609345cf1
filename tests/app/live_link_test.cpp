// The live link to the input files and the saved file kept up to date, on
// real files in a temporary folder, with the window's own watcher and timing.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include "app/image_box.h"
#include "gameformats/wad2_reader.h"
#include "imageio/file_types.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

namespace fs = std::filesystem;
using gameformats::testing::FileBytes;
using gameformats::testing::ReadWad;
using gameformats::testing::Wad2Reader;
using orrisbay::testing::LoadAs;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::TemporaryFolder;
using orrisbay::testing::WriteFile;

constexpr int kPatience = 5000;  // ms to wait for what must happen
constexpr int kQuiet = 700;      // ms after which what must not happen has not

class LiveLinkTest : public testing::WindowTest {
  protected:
    void Open(int index, const std::string& path) {
        window->setOpenFileDialog([path](imageio::OpenFileRequest& request) {
            request.lpstrFile.replace(0, path.size() + 1, path + '\0');
            return 1;
        });
        window->btnOpenClick(index);
    }
    const FIBITMAP* Slot(int index) const { return window->slotTable().Slot(index); }
    std::string ToolTip(int index) const { return window->Image1(index)->toolTip().toStdString(); }

    // Waits until layer `index` holds the pixels of `picture`.
    bool WaitForLayer(int index, const FIBITMAP* picture) {
        return QTest::qWaitFor([&] { return bool(SamePixels(Slot(index), picture)); }, kPatience);
    }
    // True when the merge is the one an independent table makes of the slots now.
    bool MergeIsCurrent() const {
        slots::NullSlotView view;
        slots::SlotTable table(view);
        for (int i = 0; i < 4; ++i) {
            table.SetSlotImage(i, freeimage_base::Clone(Slot(i)));
        }
        return SamePixels(table.Slot(slots::kResult), Slot(slots::kResult));
    }
    // A PNG layer of pattern `seed` at `path`, and its pixels.
    freeimage_base::Bitmap Layer(const std::string& path, int seed) {
        return LoadAs(FIF_PNG, SavePattern(path, FIF_PNG, 64, 48, 24, seed));
    }

    TemporaryFolder folder{"orrisbay-live"};
};

TEST_F(LiveLinkTest, AFileWrittenInPlaceOrReplacedByRenameIsReadAndMergedAgain) {
    const std::string path = folder.file("layer.png");
    Layer(path, 1);
    Open(0, path);
    EXPECT_EQ(ToolTip(0), path);
    EXPECT_EQ(ToolTip(1), "Built-in picture");

    const freeimage_base::Bitmap inPlace = Layer(path, 2);
    ASSERT_TRUE(WaitForLayer(0, inPlace.get()));
    EXPECT_TRUE(MergeIsCurrent());

    const freeimage_base::Bitmap renamed = Layer(folder.file("layer.png.new"), 3);
    fs::rename(folder.file("layer.png.new"), path);
    ASSERT_TRUE(WaitForLayer(0, renamed.get()));
    EXPECT_TRUE(MergeIsCurrent());
    EXPECT_TRUE(messages.empty());
}

TEST_F(LiveLinkTest, AHalfWrittenOrDeletedFileKeepsTheImageUntilAGoodOneComes) {
    const std::string path = folder.file("layer.png");
    const freeimage_base::Bitmap first = Layer(path, 1);
    Open(1, path);
    const freeimage_base::Bitmap second = Layer(folder.file("second.png"), 2);
    const std::string good = ReadFile(folder.file("second.png"));

    WriteFile(path, good.substr(0, good.size() / 2));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ToolTip(1).find("Not read again") != std::string::npos; }, kPatience));
    EXPECT_TRUE(SamePixels(Slot(1), first.get()));
    WriteFile(path, good);
    ASSERT_TRUE(WaitForLayer(1, second.get()));
    EXPECT_EQ(ToolTip(1), path);

    fs::remove(path);
    QTest::qWait(kQuiet);
    EXPECT_TRUE(SamePixels(Slot(1), second.get()));
    const freeimage_base::Bitmap back = Layer(path, 3);
    ASSERT_TRUE(WaitForLayer(1, back.get()));
    EXPECT_TRUE(MergeIsCurrent());
    EXPECT_TRUE(messages.empty()) << "reading again never asks or tells";
}

TEST_F(LiveLinkTest, APasteReplacesTheLinkAndFollowingCanBeTurnedOff) {
    const std::string pasted = folder.file("pasted.png");
    Layer(pasted, 1);
    Open(0, pasted);
    QGuiApplication::clipboard()->setImage(QImage(20, 10, QImage::Format_RGB32));
    window->btnPasteClick(0);
    EXPECT_EQ(ToolTip(0), "Pasted from the clipboard");
    Layer(pasted, 2);

    const std::string paused = folder.file("paused.png");
    const freeimage_base::Bitmap before = Layer(paused, 3);
    Open(1, paused);
    window->followFilesAction()->setChecked(false);
    const freeimage_base::Bitmap after = Layer(paused, 4);
    QTest::qWait(kQuiet);
    EXPECT_EQ(freeimage_base::Width(Slot(0)), 20u) << "the paste stays";
    EXPECT_TRUE(SamePixels(Slot(1), before.get())) << "not followed while off";
    window->followFilesAction()->setChecked(true);
    EXPECT_TRUE(WaitForLayer(1, after.get())) << "a change made while off is read when on again";
}

TEST_F(LiveLinkTest, TheSavedFileFollowsEveryMergeUntilItCannotBeWritten) {
    fs::create_directory(folder.file("out"));
    const std::string output = folder.file("out/texture.png");
    window->setSaveFileDialog([&](QWidget*) { return SaveChoice(output); });
    EXPECT_FALSE(window->updateSavedFileAction()->isEnabled()) << "nothing saved yet";
    window->saveAsAction()->trigger();
    ASSERT_TRUE(window->updateSavedFileAction()->isEnabled());
    window->updateSavedFileAction()->setChecked(true);

    const std::string path = folder.file("layer.png");
    Layer(path, 1);
    Open(0, path);
    EXPECT_TRUE(SamePixels(Slot(slots::kResult), LoadAs(FIF_PNG, output).get()));
    const freeimage_base::Bitmap changed = Layer(path, 2);
    ASSERT_TRUE(WaitForLayer(0, changed.get()));
    EXPECT_TRUE(SamePixels(Slot(slots::kResult), LoadAs(FIF_PNG, output).get()));

    fs::remove_all(folder.file("out"));
    Layer(path, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }, kPatience));
    EXPECT_EQ(messages[0].text.rfind(
                  "Update saved file on change is now off: " + output + " was not written: ", 0),
              0u);
    EXPECT_FALSE(window->updateSavedFileAction()->isChecked());
    Layer(path, 4);
    QTest::qWait(kQuiet);
    EXPECT_EQ(messages.size(), 1u) << "said once";
}

TEST_F(LiveLinkTest, AfterAddToWadTheSameTextureFollowsEveryMergeUntilTheWadIsDamaged) {
    const std::string wad = folder.file("pack.wad");
    WadTarget target;
    int replaceQuestions = 0;
    window->setAddToWadDialog([&](QWidget*, const WadTarget&) { return std::optional(target); });
    window->setReplaceTextureQuestion(
        [&](QWidget*, const std::string&, const std::string&) { return ++replaceQuestions > 0; });
    window->setTextureSizeQuestion([](QWidget*, const std::string&) { return true; });
    const auto add = [&](const std::string& name) {
        target = {wad, name};
        window->addToWadAction()->trigger();
    };
    const auto read = [](const std::string& path) {
        return Wad2Reader(FileBytes(path)).Read().value_or(ReadWad{});
    };
    const std::string path = folder.file("layer.png");
    Layer(path, 1);
    Open(0, path);
    add("stone");
    add("brick");
    window->updateSavedFileAction()->setChecked(true);
    add("BRICK");  // the same texture: the updates go on
    ASSERT_TRUE(window->updateSavedFileAction()->isChecked());
    const auto stone = read(wad).lumps.at(0).raw;

    const freeimage_base::Bitmap changed = Layer(path, 2);
    ASSERT_TRUE(WaitForLayer(0, changed.get()));
    // The texture the same request makes of the new merge in a WAD of its own.
    const std::string reference = folder.file("reference.wad");
    ASSERT_TRUE(gameformats::RepeatExport(
        Slot(slots::kResult), {{.path = reference, .toPalette = true, .textureName = "BRICK"}},
        window->conversionPalette()));
    const ReadWad updated = read(wad);
    ASSERT_EQ(updated.lumps.size(), 2u);
    EXPECT_EQ(updated.lumps[0].raw, stone);
    EXPECT_EQ(updated.lumps[1].raw, read(reference).lumps.at(0).raw);
    EXPECT_EQ(replaceQuestions, 1) << "a replay replaces its own texture without asking";

    add("stone");  // another texture ends the updates of the first
    EXPECT_FALSE(window->updateSavedFileAction()->isChecked());
    window->updateSavedFileAction()->setChecked(true);
    const std::string damaged = ReadFile(wad).substr(0, 100);
    WriteFile(wad, damaged);
    Layer(path, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }, kPatience));
    EXPECT_EQ(messages[0].text.rfind("Update saved file on change is now off: " + wad +
                                         " was not written: the WAD is damaged: ",
                                     0),
              0u);
    EXPECT_FALSE(window->updateSavedFileAction()->isChecked());
    Layer(path, 4);
    QTest::qWait(kQuiet);
    EXPECT_EQ(messages.size(), 1u) << "said once";
    EXPECT_EQ(ReadFile(wad), damaged);
}

}  // namespace
}  // namespace orrisbay::app
