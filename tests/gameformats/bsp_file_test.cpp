// Textures put into the compiled test maps, checked part by part through the
// test's own reader, and damaged maps refused and left alone.
#include "gameformats/bsp_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "gameformats/bsp_export.h"
#include "gameformats/bsp_reader.h"
#include "gameformats/wad2_reader.h"
#include "gameformats/wad_edit.h"
#include "support/image_files.h"

namespace orrisbay::gameformats {
namespace {

using namespace testing;
using orrisbay::testing::RandomTexture;
using orrisbay::testing::WriteFile;

const quake_palette::Palette kGame = *quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);

std::string MapFile(const std::string& name) {
    return std::string(ORRISBAY_TEST_MAPS) + "/" + name;
}

struct StoredMap {
    std::string map, wad;
    WadKind kind;
};

class MapTextureTest : public ::testing::TestWithParam<StoredMap> {
  protected:
    static void SetUpTestSuite() { freeimage_base::InitialiseImageLibrary(); }

    // The test map as a file of its own, `arrange`d first.
    std::string Copy(const std::function<Bytes(const Bytes&)>& arrange = {}) {
        original = FileBytes(MapFile(GetParam().map));
        original = arrange ? arrange(original) : original;
        WriteFile(path, std::string(original.begin(), original.end()));
        return path;
    }

    Result<BspTextureChange> Put(const FIBITMAP* picture, const std::string& name,
                                 bool allowResize = false) {
        return ExportToMap(picture, nullptr, {path, name, {}, allowResize}, kGame);
    }

    orrisbay::testing::TemporaryFolder folder{"orrisbay-bsp-file"};
    const std::string path = folder.file("map.bsp");
    Bytes original;
};

INSTANTIATE_TEST_SUITE_P(
    EachStoredKind, MapTextureTest,
    ::testing::Values(StoredMap{"q1/room.bsp", "q1/textures.wad", WadKind::Wad2},
                      StoredMap{"q1/room-bsp2.bsp", "q1/textures.wad", WadKind::Wad2},
                      StoredMap{"hl/room-hl.bsp", "hl/textures3.wad", WadKind::Wad3}),
    [](const auto& info) { return "map" + std::to_string(info.index); });

TEST_P(MapTextureTest, ReplacingATextureChangesOnlyItsLevelsAndPalette) {
    Copy();
    const auto picture = RandomTexture(48, 32, 5);
    const auto change = Put(picture.get(), "+0ANIM");
    ASSERT_TRUE(change && change->changed) << change.problem().message;
    EXPECT_EQ(change->name, "+0anim");

    const MapParts before = ReadMapParts(original), after = ReadMapParts(FileBytes(path));
    ASSERT_EQ(before.lumps[2].size(), after.lumps[2].size());
    for (std::size_t i = 0; i < 15; ++i) {
        EXPECT_TRUE(i == 2 || before.lumps[i] == after.lumps[i]) << "lump " << i;
    }
    const auto made = MakeMipTexture(picture.get(), nullptr, "+0anim", GetParam().kind, {}, kGame);
    Bytes expected = EncodeMipTexture(*made, GetParam().kind).data;
    Bytes lump = before.lumps[2];  // the old lump, with only the new texture's levels put in
    const std::size_t at = before.offsets[2];
    ASSERT_EQ(before.names[2], "+0anim");
    std::copy(expected.begin() + 40, expected.begin() + before.textures[2].size(),
              lump.begin() + at + 40);
    EXPECT_TRUE(lump == after.lumps[2]);
}

TEST_P(MapTextureTest, AResizeMovesTheLaterLumpsAndTheWadPutsTheMapBackAsItWas) {
    Copy(TexturesFirst);
    const auto small = RandomTexture(16, 16, 7);
    const auto refused = Put(small.get(), "orrisbay_blend1");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.problem().kind, ProblemKind::WrongUsage);
    EXPECT_NE(refused.problem().message.find("256 x 256 in the map, the new one 16 x 16"),
              std::string::npos);
    EXPECT_TRUE(FileBytes(path) == original);

    ASSERT_TRUE(Put(small.get(), "orrisbay_blend1", true));
    const Bytes resized = FileBytes(path);
    const MapParts before = ReadMapParts(original), after = ReadMapParts(resized);
    const auto shrink = static_cast<std::int64_t>(before.lumps[2].size() - after.lumps[2].size());
    EXPECT_EQ(shrink, 256 * 256 * 85 / 64 - 16 * 16 * 85 / 64);
    for (std::size_t i = 0; i < 15; ++i) {
        EXPECT_TRUE(i == 2 || before.lumps[i] == after.lumps[i]) << "lump " << i;
        EXPECT_EQ(std::int64_t{U32(original, 4 + 8 * i)} - U32(resized, 4 + 8 * i),
                  i == 2 ? 0 : shrink);
    }
    for (std::size_t t = 2; t < before.textures.size(); ++t) {
        EXPECT_TRUE(before.textures[t] == after.textures[t]) << before.names[t];
    }
    const auto read = ReadBspFile(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->textures[1].width, 16u);

    auto map = std::move(read).value();
    const auto outcomes =
        ReplaceFromWad(map, *ReadWadFile(MapFile(GetParam().wad)), true, path, "wad");
    ASSERT_TRUE(outcomes && outcomes->size() == 5u && outcomes->front().result->changed);
    EXPECT_TRUE(map.bytes == original);
}

TEST_P(MapTextureTest, TheExportAsksToRescaleToTheMapsSizeAndLeavesATextureItHolds) {
    Copy();
    const auto picture = RandomTexture(96, 64, 7);
    ExportRequest request{.path = path, .toPalette = true, .textureName = "+0ANIM"};
    const auto questions = ExportQuestionsFor(picture.get(), request, kGame);
    ASSERT_TRUE(questions && questions->size() == 1u);
    EXPECT_TRUE(questions->front().rescale.required);
    EXPECT_NE(questions->front().rescale.text.find("48 x 32, the size its faces were laid out for, "
                                                   "and this texture is 96 x 64. Rescale it to "
                                                   "48 x 32?"),
              std::string::npos);
    const auto refused = ExportTexture(picture.get(), request, kGame, {});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.problem().kind, ProblemKind::WrongUsage);
    EXPECT_TRUE(FileBytes(path) == original);

    // Agreed: the map gets what the image library's own rescale would give it.
    ASSERT_TRUE(ExportTexture(picture.get(), request, kGame, {.rescaleToGrid = true}));
    const Bytes rescaled = FileBytes(path);
    const freeimage_base::Bitmap reference(
        FreeImage_Rescale(const_cast<FIBITMAP*>(picture.get()), 48, 32, FILTER_BICUBIC));
    Copy();
    ASSERT_TRUE(Put(reference.get(), "+0anim"));
    EXPECT_TRUE(FileBytes(path) == rescaled);

    // The texture the map holds, exported again, writes nothing and succeeds.
    const auto stored = StoredBspTexture(*ReadBspFile(path), "+0anim", path);
    const auto shown = MipTextureBitmap(*stored, GetParam().kind, kGame);
    const auto written = std::filesystem::last_write_time(path);
    const auto again = ExportTexture(shown.get(), request, kGame, {});
    ASSERT_TRUE(again && again->mapTexture);
    EXPECT_FALSE(again->mapTexture->changed);
    EXPECT_EQ(std::filesystem::last_write_time(path), written);

    // A resize allowed asks for the 16-pixel grid, which a map's texture needs too.
    request.allowResize = true;
    EXPECT_TRUE(ExportQuestionsFor(picture.get(), request, kGame)->empty());
    const auto grid = ExportQuestionsFor(RandomTexture(40, 40, 1).get(), request, kGame);
    ASSERT_TRUE(grid && grid->size() == 1u);
    EXPECT_NE(grid->front().rescale.text.find("multiple of 16"), std::string::npos);
    EXPECT_TRUE(WritesSameOutput(request, {.path = path, .textureName = "+0anim"}));
    EXPECT_FALSE(WritesSameOutput(request, {.path = path, .textureName = "+1anim"}));
}

// A fault written into a copy of a test map, and a phrase the refusal must hold.
struct Damage {
    const char* what;
    const char* map;
    std::function<void(Bytes&)> damage;
    const char* fault;
};

const Damage kDamages[] = {
    {"cut in its header", "q1/room.bsp", [](Bytes& m) { m.resize(100); }, "inside its header"},
    {"cut in its textures", "q1/room.bsp", [](Bytes& m) { m.erase(m.end() - 900, m.end()); },
     "lump 2 (textures) runs past the end"},
    {"a lump past the end", "hl/room-hl.bsp", [](Bytes& m) { Put32(m, 60, m.size()); },
     "lump 7 (faces) runs past the end"},
    {"a lump over the header", "q1/room.bsp", [](Bytes& m) { Put32(m, 12, 100); },
     "lump 1 (planes) overlaps the file header"},
    {"overlapping lumps", "q1/room-bsp2.bsp", [](Bytes& m) { Put32(m, 60, U32(m, 44) + 8); },
     "lump 5 (nodes) and lump 7 (faces) overlap"},
    {"an impossible count", "q1/room.bsp", [](Bytes& m) { Put32(m, U32(m, 20), 100000); },
     "claims 100000 textures"},
    {"a texture past its lump", "hl/room-hl.bsp",
     [](Bytes& m) { Put32(m, U32(m, 20) + 8, U32(m, 24)); }, "texture 1 lies outside"},
    {"overlapping textures", "q1/room.bsp",
     [](Bytes& m) { Put32(m, U32(m, 20) + 12, U32(m, U32(m, 20) + 8)); }, "overlap"},
    {"a name without an end", "q1/room-bsp2.bsp",
     [](Bytes& m) { std::fill_n(m.begin() + U32(m, 20) + 28, 16, 'a'); }, "without an end"},
    {"a level past its lump", "q1/room.bsp",
     [](Bytes& m) { Put32(m, U32(m, 20) + 28 + 36, 0x7fff0000); }, "mip level 3"},
    {"too many colours", "hl/room-hl.bsp", [](Bytes& m) { Put32(m, U32(m, 20) + 28 + 87080, 300); },
     "palette of 300 colours"},
};

TEST(DamagedMapTest, IsRefusedWithItsFaultNamedAndLeftAsItWas) {
    orrisbay::testing::TemporaryFolder folder("orrisbay-bsp-damaged");
    const auto picture = RandomTexture(64, 64, 3);
    for (const Damage& damage : kDamages) {
        Bytes map = FileBytes(MapFile(damage.map));
        damage.damage(map);
        const std::string path = folder.file("map.bsp");
        WriteFile(path, std::string(map.begin(), map.end()));
        const auto read = ReadBspFile(path);
        ASSERT_FALSE(read) << damage.what;
        EXPECT_EQ(read.problem().kind, ProblemKind::Damaged) << damage.what;
        EXPECT_NE(read.problem().message.find(damage.fault), std::string::npos)
            << damage.what << ": " << read.problem().message;
        EXPECT_FALSE(ExportToMap(picture.get(), nullptr, {path, "{fence", {}, true}, kGame));
        EXPECT_TRUE(FileBytes(path) == map) << damage.what;
    }
}

}  // namespace
}  // namespace orrisbay::gameformats
