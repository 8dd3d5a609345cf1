// Fullbright pixels of WAD2 textures: specks told from clusters on textures
// drawn for it, and remapped in every mip on a real file whose other bytes stay.
#include <gtest/gtest.h>

#include <random>

#include "gameformats/wad2_reader.h"
#include "gameformats/wad_fullbrights.h"
#include "support/image_files.h"

namespace orrisbay::gameformats {
namespace {

constexpr std::uint8_t kWall = 10, kGlow = 240;

// A texture of `kWall` whose full-size level has `index` at the (x, y) of `glowing`.
MipTexture Drawn(std::string name, unsigned side,
                 std::vector<std::pair<unsigned, unsigned>> glowing, std::uint8_t index = kGlow) {
    MipTexture texture{std::move(name), side, side, {}, {}};
    for (int level = 0; level < kMipLevels; ++level) {
        texture.mips[level].assign((side >> level) * (side >> level), kWall);
    }
    for (const auto& [x, y] : glowing) {
        texture.mips[0][y * side + x] = index;
    }
    return texture;
}

TEST(FullbrightTest, SpecksAreGlowingPixelsWithNoGlowingNeighbourAcrossTheEdgesToo) {
    struct Case {
        const char* name;
        std::vector<std::pair<unsigned, unsigned>> glowing;
        std::uint8_t index;
        std::size_t fullbright, specks;
    };
    const Case cases[] = {
        {"wall", {{5, 5}}, kGlow, 1, 1},
        {"wall", {{5, 5}, {7, 5}, {5, 7}}, kGlow, 3, 3},  // two apart: still alone
        {"wall", {{5, 5}, {6, 6}, {9, 9}}, kGlow, 3, 1},  // diagonal neighbours: a cluster
        {"wall", {{0, 0}, {15, 15}, {8, 0}, {8, 15}}, kGlow, 4, 0},  // across the edges too
        {"wall", {{5, 5}, {5, 6}}, 255, 2, 0},
        {"{grate", {{5, 5}, {5, 6}}, 255, 0, 0},  // a see-through texture's hole
    };
    for (const Case& c : cases) {
        const FullbrightTally tally = CountFullbrights(Drawn(c.name, 16, c.glowing, c.index), 32);
        EXPECT_EQ(tally.fullbright, c.fullbright) << c.glowing.size();
        EXPECT_EQ(tally.specks, c.specks) << c.glowing.size();
        EXPECT_DOUBLE_EQ(tally.Share(), c.fullbright / 256.0);
    }
}

// What a file holds as its textures' pixels and as everything else.
std::vector<std::uint8_t> Pixels(const testing::ReadLump& lump, int level) {
    return lump.mips[static_cast<std::size_t>(level)];
}

TEST(FullbrightTest, DefullbrightSpecksLeavesNoSpeckAndChangesNoOtherByteOfTheFile) {
    freeimage_base::InitialiseImageLibrary();
    const auto palette =
        *quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE).ConversionPalette();
    std::mt19937 random(7);
    MipTexture rough = Drawn("rough", 32, {});
    for (auto& mip : rough.mips) {
        for (auto& pixel : mip) {
            pixel = random() % 8 == 0 ? static_cast<std::uint8_t>(224 + random() % 32)
                                      : static_cast<std::uint8_t>(random() % 224);
        }
    }
    WadFile wad{
        WadKind::Wad2,
        {EncodeMipTexture(Drawn("plain", 16, {{1, 1}}), WadKind::Wad2),
         EncodeMipTexture(rough, WadKind::Wad2), WadLump{"palette", 0x40, 0, 3, {1, 2, 3}}}};
    orrisbay::testing::TemporaryFolder folder("orrisbay-fullbright");
    const std::string path = folder.file("pack.wad");
    ASSERT_TRUE(WriteWadFile(path, wad));
    const auto before = testing::Wad2Reader(testing::FileBytes(path)).Read();

    const std::vector<std::string> names = {"ROUGH"};
    const auto removed = RemoveGlowInWadFile(path, names, {}, palette, 32);
    ASSERT_TRUE(removed) << removed.problem().message;
    const auto after = testing::Wad2Reader(testing::FileBytes(path)).Read();
    ASSERT_TRUE(before && after);
    EXPECT_EQ(after->lumps[0].raw, before->lumps[0].raw);
    EXPECT_EQ(after->lumps[2].raw, before->lumps[2].raw);
    EXPECT_TRUE(std::equal(before->lumps[1].raw.begin(), before->lumps[1].raw.begin() + 40,
                           after->lumps[1].raw.begin()));  // its header

    const GlowingIndices glows{224, false};
    const std::vector<bool> specks = FindSpecks(rough, 0, glows);
    const auto nearest = NearestOrdinaryColours(palette, 32);
    std::size_t changed = 0;
    for (int level = 0; level < kMipLevels; ++level) {
        const auto was = Pixels(before->lumps[1], level), is = Pixels(after->lumps[1], level);
        const unsigned side = 32u >> level, block = 1u << level;
        for (std::size_t i = 0; i < was.size(); ++i) {
            // A mip pixel keeps its glow where its block at full size holds a cluster.
            bool cluster = false;
            for (unsigned y = 0; y < block; ++y) {
                for (unsigned x = 0; x < block; ++x) {
                    const std::size_t at = (i / side * block + y) * 32 + i % side * block + x;
                    cluster = cluster || (glows(rough.mips[0][at]) && !specks[at]);
                }
            }
            const bool goes = glows(was[i]) && !cluster;
            ASSERT_EQ(is[i], goes ? nearest[was[i]] : was[i]) << level << " " << i;
            ASSERT_TRUE(nearest[was[i]] < 224);
            changed += goes;
        }
    }
    EXPECT_EQ(removed->at(0).changed[0] + removed->at(0).InSmallerMips(), changed);
    MipTexture fixed = rough;
    fixed.mips[0] = Pixels(after->lumps[1], 0);
    EXPECT_EQ(CountFullbrights(fixed, 32).specks, 0u);
    EXPECT_GT(CountFullbrights(fixed, 32).fullbright, 0u);  // the clusters stay
}

}  // namespace
}  // namespace orrisbay::gameformats
