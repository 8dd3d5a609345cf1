// Fullbright pixels of WAD2 textures: specks told from clusters on textures
// drawn for it, and remapped in every mip on a real WAD and a real map whose
// other bytes stay.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "gameformats/bsp_edit.h"
#include "gameformats/bsp_fullbrights.h"
#include "gameformats/bsp_reader.h"
#include "gameformats/wad2_reader.h"
#include "gameformats/wad_fullbrights.h"
#include "support/drawn_texture.h"
#include "support/image_files.h"

namespace orrisbay::gameformats {
namespace {

using orrisbay::testing::DrawnTexture;

TEST(FullbrightTest, SpecksAreGlowingPixelsWithNoGlowingNeighbourAcrossTheEdgesToo) {
    struct Case {
        const char* name;
        std::vector<std::pair<unsigned, unsigned>> glowing;
        std::uint8_t index;
        std::size_t fullbright, specks;
    };
    const Case cases[] = {
        {"wall", {{5, 5}}, 240, 1, 1},
        {"wall", {{5, 5}, {7, 5}, {5, 7}}, 240, 3, 3},             // two apart: still alone
        {"wall", {{5, 5}, {6, 6}, {9, 9}}, 240, 3, 1},             // diagonal neighbours: a cluster
        {"wall", {{0, 0}, {15, 15}, {8, 0}, {8, 15}}, 224, 4, 0},  // across the edges too
        {"wall", {{5, 5}, {5, 6}}, 255, 2, 0},
        {"{grate", {{5, 5}, {5, 6}}, 255, 0, 0},  // a see-through texture's hole
    };
    for (const Case& c : cases) {
        const FullbrightTally tally =
            CountFullbrights(DrawnTexture(c.name, 16, c.glowing, c.index), 32);
        EXPECT_EQ(tally.fullbright, c.fullbright) << c.glowing.size();
        EXPECT_EQ(tally.specks, c.specks) << c.glowing.size();
        EXPECT_DOUBLE_EQ(tally.Share(), c.fullbright / 256.0);
    }
}

TEST(FullbrightTest, DefullbrightSpecksLeavesNoSpeckAndChangesNoOtherByteOfTheFile) {
    freeimage_base::InitialiseImageLibrary();
    const auto palette = *quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
    std::mt19937 random(7);
    MipTexture rough = DrawnTexture("rough", 32, {});
    for (auto& mip : rough.mips) {
        for (auto& pixel : mip) {
            pixel =
                static_cast<std::uint8_t>(random() % 8 == 0 ? 224 + random() % 32 : random() % 224);
        }
    }
    const WadFile wad{
        WadKind::Wad2,
        {EncodeMipTexture(DrawnTexture("plain", 16, {{1, 1}}), WadKind::Wad2),
         EncodeMipTexture(rough, WadKind::Wad2), WadLump{"palette", 0x40, 0, 3, {1, 2, 3}}}};
    orrisbay::testing::TemporaryFolder folder("orrisbay-fullbright");
    const std::string path = folder.file("pack.wad");
    ASSERT_TRUE(WriteWadFile(path, wad));
    const auto before = testing::Wad2Reader(testing::FileBytes(path)).Read();
    const std::vector<std::string> names = {"ROUGH"};
    ASSERT_TRUE(RemoveGlowInWadFile(path, names, {}, palette, 32));
    const auto after = testing::Wad2Reader(testing::FileBytes(path)).Read();
    ASSERT_TRUE(before && after);
    EXPECT_EQ(after->lumps[0].raw, before->lumps[0].raw);
    EXPECT_EQ(after->lumps[2].raw, before->lumps[2].raw);
    EXPECT_TRUE(std::equal(before->lumps[1].raw.begin(), before->lumps[1].raw.begin() + 40,
                           after->lumps[1].raw.begin()));  // its header

    // A pixel goes to its nearest ordinary colour where it glows and no pixel of
    // its block at full size is in a cluster.
    const GlowingIndices glows{224, false};
    const std::vector<bool> clustered = ClusteredPixels(rough, glows);
    const auto nearest = NearestOrdinaryColours(palette, 32);
    for (int level = 0; level < kMipLevels; ++level) {
        const auto &was = before->lumps[1].mips[level], &is = after->lumps[1].mips[level];
        const unsigned side = 32u >> level, block = 1u << level;
        for (std::size_t i = 0; i < was.size(); ++i) {
            bool cluster = false;
            for (unsigned at = 0; at < block * block; ++at) {
                cluster =
                    cluster ||
                    clustered[(i / side * block + at / block) * 32 + i % side * block + at % block];
            }
            ASSERT_EQ(is[i], glows(was[i]) && !cluster ? nearest[was[i]] : was[i]) << level;
        }
    }
    const auto distance = [&](int from, int to) {
        const auto c = [&](int index, int shift) { return int(palette[index] >> shift & 0xFF); };
        return quake_palette::ColourDistance(c(from, 0), c(from, 8), c(from, 16), c(to, 0),
                                             c(to, 8), c(to, 16));
    };
    for (int glowing = 224; glowing < 256; ++glowing) {
        for (int ordinary = 0; ordinary < 224; ++ordinary) {
            ASSERT_LE(distance(glowing, nearest[glowing]), distance(glowing, ordinary));
        }
        ASSERT_LT(nearest[glowing], 224);
    }
    MipTexture fixed = rough;
    fixed.mips[0] = after->lumps[1].mips[0];
    EXPECT_EQ(CountFullbrights(fixed, 32).specks, 0u);
    EXPECT_GT(CountFullbrights(fixed, 32).fullbright, 0u);  // the clusters stay
}

TEST(FullbrightTest, DefullbrightInAMapChangesOnlyTheRemovedGlowsBytes) {
    using testing::Bytes, testing::FileBytes, testing::U32;
    const auto palette = *quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
    const auto nearest = NearestOrdinaryColours(palette, 32);
    // A cluster at (1, 1) and a speck at (200, 100); in the half-size level a
    // glow over the cluster's block and one elsewhere.
    MipTexture lamp = DrawnTexture("orrisbay_blend1", 256, {{1, 1}, {2, 1}, {1, 2}, {2, 2}});
    lamp.mips[0][100 * 256 + 200] = 240;
    lamp.mips[1][0] = 250;
    lamp.mips[1][50 * 128 + 60] = 245;
    for (const std::string name : {"q1/room.bsp", "q1/room-bsp2.bsp"}) {
        orrisbay::testing::TemporaryFolder folder("orrisbay-map-glow");
        const std::string path = folder.file("map.bsp");
        Result<BspFile> map = ReadBspFile(std::string(ORRISBAY_TEST_MAPS) + "/" + name);
        ASSERT_TRUE(map && ReplaceBspTexture(*map, "orrisbay_blend1", lamp, false, path));
        ASSERT_TRUE(WriteBspFile(path, *map));
        const Bytes before = FileBytes(path);
        const std::vector<std::string> names = {"ORRISBAY_BLEND1"};
        ASSERT_TRUE(RemoveGlowInBspFile(path, names, {}, palette, 32));

        // Where the texture's levels lie, by the test's own reader.
        const testing::MapParts parts = testing::ReadMapParts(before);
        const auto entry = std::find(parts.names.begin(), parts.names.end(), "orrisbay_blend1");
        ASSERT_NE(entry, parts.names.end());
        const std::size_t at = U32(before, 4 + 8 * 2) + parts.offsets[entry - parts.names.begin()];
        Bytes expected = before;
        expected[at + U32(before, at + 24) + 100 * 256 + 200] = nearest[240];
        expected[at + U32(before, at + 28) + 50 * 128 + 60] = nearest[245];
        EXPECT_TRUE(FileBytes(path) == expected) << name;
    }
}

}  // namespace
}  // namespace orrisbay::gameformats
