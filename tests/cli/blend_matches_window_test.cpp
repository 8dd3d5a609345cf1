// The command and the window run the same slot table: for the same four
// inputs the command's file holds exactly the pixels of the window's slot 19.
#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QPushButton>
#include <filesystem>
#include <sstream>
#include <vector>

#include "app/file_drop.h"
#include "app/height_blend_menu.h"
#include "app/window_fixture.h"
#include "cli/blend_command.h"
#include "imageio/file_dialog_request.h"
#include "slots/slot_table.h"
#include "support/image_files.h"

namespace orrisbay::cli {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::TemporaryFolder;

class BlendMatchesWindowTest : public app::testing::WindowTest {
  protected:
    int Blend(std::vector<std::string> arguments) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunBlend(arguments, out, err);
        EXPECT_EQ(err.str(), "");
        return code;
    }

    // Loads `path` into slot `index` through the open button.
    void Open(int index, const std::string& path) {
        window->setOpenFileDialog([path](imageio::OpenFileRequest& request) {
            request.lpstrFile.replace(0, path.size() + 1, path + '\0');
            return 1;
        });
        window->btnOpen(index)->click();
    }

    const FIBITMAP* WindowResult() const { return window->slotTable().Slot(slots::kResult); }

    TemporaryFolder folder{"orrisbay-blend-window"};
};

TEST_F(BlendMatchesWindowTest, BuiltinEqualsTheStartUpMerge) {
    const std::string output = folder.file("builtin.png");
    ASSERT_EQ(Blend({"--builtin", "-o", output}), kExitSuccess);
    EXPECT_TRUE(SamePixels(WindowResult(), LoadAs(FIF_PNG, output).get()));
}

TEST_F(BlendMatchesWindowTest, EachHeightBlendChoiceMergesAgainAsItsDepthDoesInTheCommand) {
    const freeimage_base::Bitmap plain = freeimage_base::Clone(WindowResult());
    for (const auto& [choice, depth] :
         {std::pair{"Sharp", "0.05"}, {"Medium", "0.15"}, {"Soft", "0.3"}}) {
        SCOPED_TRACE(choice);
        window->heightBlendMenu()->choice(choice)->trigger();
        const std::string output = folder.file(std::string(choice) + ".png");
        ASSERT_EQ(Blend({"--builtin", "--height-blend", depth, "-o", output}), kExitSuccess);
        EXPECT_TRUE(SamePixels(WindowResult(), LoadAs(FIF_PNG, output).get()));
        EXPECT_FALSE(SamePixels(plain.get(), WindowResult()));
    }
    window->heightBlendMenu()->choice("Off")->trigger();
    EXPECT_TRUE(SamePixels(plain.get(), WindowResult()));
}

TEST_F(BlendMatchesWindowTest, FourFilesGiveTheWindowsPixels) {
    struct Inputs {
        std::string layer1, layer2, mask1, mask2;
    };
    // Layers of different sizes and depths; a 24-bit mask (made grey on
    // loading) and an 8-bit one; GIF, JPEG, Targa, BMP and PNG.
    const Inputs sets[] = {
        {SavePattern(folder.file("a.png"), FIF_PNG, 96, 64, 24, 1),
         SavePattern(folder.file("b.tga"), FIF_TARGA, 64, 80, 32, 2),
         SavePattern(folder.file("c.bmp"), FIF_BMP, 128, 128, 24, 3),
         SavePattern(folder.file("d.gif"), FIF_GIF, 33, 17, 8, 4)},
        {SavePattern(folder.file("e.jpg"), FIF_JPEG, 50, 50, 24, 5),
         SavePattern(folder.file("f.bmp"), FIF_BMP, 50, 50, 8, 6),
         SavePattern(folder.file("g.jpeg"), FIF_JPEG, 10, 90, 24, 7),
         SavePattern(folder.file("h.png"), FIF_PNG, 200, 20, 24, 8)},
    };
    for (const Inputs& set : sets) {
        SCOPED_TRACE(set.layer1);
        Open(0, set.layer1);
        Open(1, set.layer2);
        Open(2, set.mask1);
        Open(3, set.mask2);
        const std::string output = folder.file("out.png");
        ASSERT_EQ(Blend({set.layer1, set.layer2, set.mask1, set.mask2, "-o", output}),
                  kExitSuccess);
        EXPECT_TRUE(SamePixels(WindowResult(), LoadAs(FIF_PNG, output).get()));
    }
    EXPECT_TRUE(messages.empty());
}

// Save As and the command write the built-in merge to the same bytes, in
// full colour, in the palette and as a WAD.
TEST_F(BlendMatchesWindowTest, SaveAsWritesTheCommandsBytes) {
    struct Case {
        const char* name;
        bool indexed, dither, fullbrights;
        std::vector<std::string> flags;
    };
    const Case cases[] = {{"full.tga", false, false, false, {}},
                          {"full.jpg", false, false, false, {}},
                          {"quake.png", true, false, false, {"--quake"}},
                          {"quake.bmp", true, true, true, {"--quake", "--dither", "--fullbrights"}},
                          {"grass.wad", false, true, false, {"--dither"}}};
    app::SaveChoice choice;
    window->setSaveFileDialog([&choice](QWidget*) { return choice; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TemporaryFolder fromWindow{"orrisbay-save-window"};
        const TemporaryFolder fromCommand{"orrisbay-save-command"};
        window->ditherAction()->setChecked(c.dither);
        window->fullbrightsAction()->setChecked(c.fullbrights);
        choice = app::SaveChoice(fromWindow.file(c.name), c.indexed);
        window->saveAsAction()->trigger();
        std::vector<std::string> arguments = {"--builtin", "-o", fromCommand.file(c.name)};
        arguments.insert(arguments.end(), c.flags.begin(), c.flags.end());
        ASSERT_EQ(Blend(arguments), kExitSuccess);
        const std::string written = ReadFile(fromWindow.file(c.name));
        EXPECT_FALSE(written.empty());
        EXPECT_TRUE(written == ReadFile(fromCommand.file(c.name)));
    }
    EXPECT_TRUE(messages.empty());
}

// A file that cannot be read is told with the same reason by both: the
// window's box for a dropped file and the command's standard error.
TEST_F(BlendMatchesWindowTest, AnUnreadableFileGivesTheSameReasonInTheWindowAndTheCommand) {
    const std::string misnamed = folder.file("photo.png");
    std::filesystem::rename(SavePattern(folder.file("photo.jpg"), FIF_JPEG, 8, 8, 24), misnamed);
    auto* target = window->Frame1(2)->findChild<app::FileDropTarget*>();
    ASSERT_NE(target, nullptr);
    Q_EMIT target->fileDropped(QString::fromStdString(misnamed));
    ASSERT_EQ(messages.size(), 1u);
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> arguments = {
        "--builtin", "--height-blend", "0.15", "--height1", misnamed, "-o", folder.file("out.png")};
    EXPECT_EQ(RunBlend(arguments, out, err), kExitBadInput);
    const std::string reason = misnamed + ": it is a JPEG picture named .png";
    EXPECT_EQ(messages[0].text, "Load: " + reason + ".");
    EXPECT_EQ(err.str(), "orrisbay-blend: " + reason + "\n");
}

}  // namespace
}  // namespace orrisbay::cli
