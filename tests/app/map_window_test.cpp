// "Add to Map..." on copies of the compiled test maps: the texture of the
// merge's size chosen first, the size question, and the map kept up to date
// as a mask file changes, read back by the test's own reader.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "gameformats/bsp_reader.h"
#include "gameformats/wad2_reader.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

using gameformats::testing::Bytes;
using orrisbay::testing::ReadFile;

std::string MapFile(const std::string& name) {
    return std::string(ORRISBAY_TEST_MAPS) + "/" + name;
}

// The bytes of texture `name` in the map at `path`, as the test's reader finds them.
Bytes TextureIn(const std::string& path, const std::string& name) {
    const auto parts = gameformats::testing::ReadMapParts(gameformats::testing::FileBytes(path));
    for (std::size_t i = 0; i < parts.names.size(); ++i) {
        if (parts.names[i] == name) {
            return parts.textures[i];
        }
    }
    return {};
}

// What the dialog chooses for `proposal` in the map at `path`.
MapTextureTarget Chosen(MapProposal proposal, const std::string& path) {
    AddToMapDialog dialog(proposal);
    dialog.pathEdit()->setText(QString::fromStdString(path));
    return dialog.target();
}

class MapWindowTest : public testing::WindowTest {
  protected:
    // The texture the window's merge makes now, put into a fresh copy of the map.
    Bytes Expected(const std::string& name) {
        const std::string copy = folder.Write("expected.bsp", ReadFile(MapFile("q1/room.bsp")));
        EXPECT_TRUE(gameformats::RepeatExport(
            window->slotTable().Slot(slots::kResult),
            {{.path = copy, .toPalette = true, .textureName = name}}, window->conversionPalette()));
        return TextureIn(copy, name);
    }

    orrisbay::testing::TemporaryFolder folder{"orrisbay-map-window"};
    const std::string map = folder.Write("room.bsp", ReadFile(MapFile("q1/room.bsp")));
};

TEST_F(MapWindowTest, AddToMapThenAChangedMaskFileUpdatesTheMapsTexture) {
    const std::string mask =
        orrisbay::testing::SavePattern(folder.file("mask.png"), FIF_PNG, 256, 256, 24, 1);
    window->setOpenFileDialog([&](imageio::OpenFileRequest& request) {
        request.lpstrFile.replace(0, mask.size() + 1, mask + '\0');
        return 1;
    });
    window->btnOpenClick(2);
    window->setAddToMapDialog([&](QWidget*, const MapProposal& proposal) {
        return std::optional(Chosen(proposal, map));
    });
    window->addToMapAction()->trigger();
    const Bytes first = TextureIn(map, "orrisbay_blend1");  // the one of the merge's size
    EXPECT_EQ(first, Expected("orrisbay_blend1"));
    EXPECT_TRUE(messages.empty()) << messages.front().text;

    window->updateSavedFileAction()->setChecked(true);
    orrisbay::testing::SavePattern(mask, FIF_PNG, 256, 256, 24, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return TextureIn(map, "orrisbay_blend1") != first; }, 5000));
    EXPECT_EQ(TextureIn(map, "orrisbay_blend1"), Expected("orrisbay_blend1"));
    const auto before =
        gameformats::testing::ReadMapParts(gameformats::testing::FileBytes(MapFile("q1/room.bsp")));
    const auto after = gameformats::testing::ReadMapParts(gameformats::testing::FileBytes(map));
    for (std::size_t lump = 0; lump < 15; ++lump) {
        EXPECT_TRUE(lump == 2 || before.lumps[lump] == after.lumps[lump]) << lump;
    }

    // Another size is asked about; refused, the map stays as it is.
    std::string asked;
    window->setTextureSizeQuestion([&](QWidget*, const std::string& text) {
        asked = text;
        return false;
    });
    window->setAddToMapDialog([&](QWidget*, const MapProposal&) {
        return std::optional(MapTextureTarget{map, "+0anim"});
    });
    const std::string kept = ReadFile(map);
    window->addToMapAction()->trigger();
    EXPECT_NE(asked.find("Rescale it to 48 x 32?"), std::string::npos) << asked;
    EXPECT_EQ(ReadFile(map), kept);
}

TEST(AddToMapDialog, ChoosesAStoredTextureOfTheSizeAndNameAndOnlyStoredOnes) {
    const std::string q1 = MapFile("q1/room.bsp");
    EXPECT_EQ(Chosen({{}, "", 48, 32}, q1).textureName, "+0anim");
    EXPECT_EQ(Chosen({{}, "+1ANIM", 48, 32}, q1).textureName, "+1anim");
    EXPECT_EQ(Chosen({{}, "*water", 48, 32}, q1).textureName, "+0anim");
    EXPECT_EQ(Chosen({{}, "*WATER", 100, 100}, q1).textureName, "*water");

    AddToMapDialog external({MapFile("hl/room-hl-external.bsp"), "+0anim", 48, 32});
    EXPECT_FALSE(external.okButton()->isEnabled());
    EXPECT_NE(external.mapStatus()->text().indexOf("none of its textures is stored"), -1);
    ASSERT_EQ(external.textureList()->topLevelItemCount(), 5);
    EXPECT_EQ(external.textureList()->topLevelItem(1)->flags(), Qt::NoItemFlags);
}

}  // namespace
}  // namespace orrisbay::app
