// "Add to WAD..." and "Open WAD..." on the offscreen platform, on real files
// read back through the test's own WAD parser.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/image_box.h"
#include "app/wad_browser.h"
#include "gameformats/wad2_reader.h"
#include "imageio/file_dialog_request.h"
#include "slots/slot_table.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

using gameformats::WadKind;
using gameformats::testing::FileBytes;
using gameformats::testing::ReadWad;
using orrisbay::testing::Pattern;

// An 8-bit grey mask of `side` x `side`: white in columns [from, to), black elsewhere.
freeimage_base::Bitmap Mask(int side, int from, int to) {
    freeimage_base::Bitmap mask = Pattern(side, side, 8);
    for (int y = 0; y < side; ++y) {
        BYTE* row = FreeImage_GetScanLine(mask.get(), y);
        for (int x = 0; x < side; ++x) {
            row[x] = x >= from && x < to ? 255 : 0;
        }
    }
    return mask;
}

// Whether `picture` is drawn whole, pixel for pixel, somewhere in `screen`.
bool Shows(const QImage& screen, const QImage& picture) {
    const QImage haystack = screen.convertToFormat(QImage::Format_RGB32);
    const QImage needle = picture.convertToFormat(QImage::Format_RGB32);
    for (int top = 0; top + needle.height() <= haystack.height(); ++top) {
        for (int left = 0; left + needle.width() <= haystack.width(); ++left) {
            if (haystack.copy(left, top, needle.width(), needle.height()) == needle) {
                return true;
            }
        }
    }
    return false;
}

class WadWindowTest : public testing::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->setAddToWadDialog([this](QWidget*, const WadTarget& proposal) {
            proposals.push_back(proposal);
            return std::optional(target);
        });
        window->setReplaceTextureQuestion(
            [this](QWidget*, const std::string& name, const std::string&) {
                replaceQuestions.push_back(name);
                return replace;
            });
        window->setTextureSizeQuestion([](QWidget*, const std::string&) { return true; });
        window->setOpenWadDialog([this](QWidget*) { return wad; });
    }

    // Merges layers of `side` pixels where neither shows in columns [holeFrom, holeTo):
    // layer 1 shows right of them, layer 2 left of them.
    void Merge(int side, int seed, int holeFrom = 0, int holeTo = 0) {
        window->slotTable().SetSlotImage(0, Pattern(side, side, 24, seed));
        window->slotTable().SetSlotImage(1, Pattern(side, side, 24, seed + 1));
        window->slotTable().SetSlotImage(2, Mask(side, holeTo, side));
        window->slotTable().SetSlotImage(3, Mask(side, 0, holeTo > holeFrom ? holeFrom : side));
    }

    void Add(const std::string& name, WadKind kind = WadKind::Wad2) {
        target = {wad, name, kind};
        window->addToWadAction()->trigger();
    }

    ReadWad Read() const {
        const auto read = gameformats::testing::Wad2Reader(FileBytes(wad)).Read();
        EXPECT_TRUE(read);
        return read.value_or(ReadWad{});
    }

    orrisbay::testing::TemporaryFolder folder{"orrisbay-wad-window"};
    std::string wad = folder.file("pack.wad");
    WadTarget target;
    std::vector<WadTarget> proposals;
    std::vector<std::string> replaceQuestions;
    bool replace = true;
};

TEST_F(WadWindowTest, ASeeThroughTextureGoesIntoANewWad3WithHolesWhereNeitherLayerShows) {
    // The proposal follows the last file opened.
    const std::string opened = folder.file("Rusty Grate.png");
    orrisbay::testing::SavePattern(opened, FIF_PNG, 64, 64, 24);
    window->setOpenFileDialog([opened](imageio::OpenFileRequest& request) {
        request.lpstrFile.replace(0, opened.size() + 1, opened + '\0');
        return 1;
    });
    window->btnOpen(0)->click();
    Merge(64, 1, 24, 48);
    Add("{Grate", WadKind::Wad3);
    ASSERT_EQ(proposals.size(), 1u);
    EXPECT_EQ(proposals[0].textureName, "rusty_grate");

    const ReadWad read = Read();
    EXPECT_EQ(read.magic, "WAD3");
    ASSERT_EQ(read.lumps.size(), 1u);
    const auto& lump = read.lumps[0];
    EXPECT_EQ(lump.directoryName, "{grate");
    EXPECT_EQ(lump.textureName, "{grate");
    ASSERT_EQ(lump.palette.size(), 768u);
    EXPECT_EQ(std::vector(lump.palette.end() - 3, lump.palette.end()),
              (std::vector<std::uint8_t>{0, 0, 255}));
    for (int level = 0; level < 4; ++level) {
        const int side = 64 >> level;
        for (int i = 0; i < side * side; ++i) {
            // Mip blocks of 8 pixels meet the hole's edges exactly.
            const int x = (i % side) << level;
            ASSERT_EQ(lump.mips[level][i] == 255, x >= 24 && x < 48)
                << "level " << level << " pixel " << i;
        }
    }
    EXPECT_TRUE(replaceQuestions.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(WadWindowTest, ReplacingATextureInAWad2AsksAndKeepsTheOthers) {
    Merge(32, 1);
    Add("brick");
    Add("stone");
    const ReadWad before = Read();
    ASSERT_EQ(before.lumps.size(), 2u);

    Merge(100, 5);  // off the 16-pixel grid: rescaled when the user agrees
    const auto bytes = FileBytes(wad);
    replace = false;
    Add("BRICK");
    EXPECT_EQ(FileBytes(wad), bytes);
    replace = true;
    Add("BRICK");
    EXPECT_EQ(replaceQuestions, (std::vector<std::string>{"brick", "brick"}));
    const ReadWad after = Read();
    EXPECT_EQ(after.magic, "WAD2");
    ASSERT_EQ(after.lumps.size(), 2u);
    EXPECT_EQ(after.lumps[0].textureName, "BRICK");
    EXPECT_EQ(after.lumps[0].width, 96u);
    EXPECT_EQ(after.lumps[1].raw, before.lumps[1].raw);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WadWindowTest, TheWadListLoadsRenamesExtractsAndRemovesTextures) {
    Merge(32, 1);
    Add("brick");
    Merge(64, 3);
    Add("stone");
    window->openWadAction()->trigger();
    WadBrowser* browser = window->wadBrowser();
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(browser->textureList()->count(), 2);
    EXPECT_EQ(browser->textureList()->item(1)->text(), "stone\n64 x 64");

    ASSERT_TRUE(browser->selectTexture("STONE"));
    ASSERT_TRUE(browser->loadSelectedInto(2));
    EXPECT_EQ(slots::SizeCaption(window->slotTable().Slot(2)), "64 x 64 8 bpp");
    EXPECT_EQ(window->Image1(2)->toolTip(), QString::fromStdString("Texture stone from " + wad));
    const std::string png = folder.file("stone.png");
    ASSERT_TRUE(browser->extractSelected(png));
    const auto extracted = orrisbay::testing::LoadAs(FIF_PNG, png);
    std::vector<std::uint8_t> indices;
    for (unsigned y = 64; y-- > 0;) {
        const BYTE* row = freeimage_base::ScanLine(extracted.get(), y);
        indices.insert(indices.end(), row, row + 64);
    }
    EXPECT_EQ(indices, Read().lumps[1].mips[0]);
    EXPECT_TRUE(Shows(browser->textureList()->viewport()->grab().toImage(),
                      QImage(QString::fromStdString(png))));

    ASSERT_TRUE(browser->renameSelected("+0wall"));
    EXPECT_EQ(Read().lumps[1].directoryName, "+0wall");
    EXPECT_EQ(Read().lumps[1].textureName, "+0wall");
    EXPECT_EQ(browser->textureList()->currentItem()->text(), "+0wall\n64 x 64");
    ASSERT_TRUE(browser->selectTexture("brick"));
    ASSERT_TRUE(browser->removeSelected());
    ASSERT_EQ(Read().lumps.size(), 1u);
    EXPECT_EQ(browser->textureList()->count(), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WadWindowTest, TheDialogChecksTheNameAndSaysWhatDecidesTheHoles) {
    Merge(32, 1);
    Add("brick", WadKind::Wad3);
    AddToWadDialog dialog({folder.file("new"), "{grate", WadKind::Wad2});
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_NE(dialog.nameAdvice()->text().indexOf("both alpha channels are black"), -1);
    EXPECT_NE(dialog.nameAdvice()->text().indexOf("128"), -1);
    EXPECT_EQ(dialog.target().path, folder.file("new.wad"));
    dialog.nameEdit()->setText("two words");
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    EXPECT_NE(dialog.nameAdvice()->text().indexOf("without spaces"), -1);
    const std::string cut = folder.file("cut.wad");  // its directory gone
    orrisbay::testing::WriteFile(cut, orrisbay::testing::ReadFile(wad).substr(0, 64));
    dialog.pathEdit()->setText(QString::fromStdString(cut));
    EXPECT_NE(dialog.wadStatus()->text().indexOf("damaged"), -1);
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    dialog.pathEdit()->setText(QString::fromStdString(wad));  // an existing WAD3 keeps its kind
    dialog.nameEdit()->setText("*Lava");
    EXPECT_NE(dialog.wadStatus()->text().indexOf("WAD3 (each texture with its palette), 1 lumps"),
              -1);
    EXPECT_FALSE(dialog.kindBox()->isEnabled());
    EXPECT_NE(dialog.nameAdvice()->text().indexOf("Liquid"), -1);
    EXPECT_TRUE(dialog.okButton()->isEnabled());
}

}  // namespace
}  // namespace orrisbay::app
