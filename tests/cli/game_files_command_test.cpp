// The commands with another game's palette and Quake II .wal textures: the
// fullbright count, .wal outputs read back by the test's own reader and
// compared with the WAD2 texture of the same conversion, and .wal inputs.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cli/blend_command.h"
#include "cli/wad_command.h"
#include "gameformats/wad2_reader.h"
#include "support/game_palettes.h"
#include "support/image_files.h"
#include "support/wal_reader.h"

namespace orrisbay::cli {
namespace {

namespace gt = gameformats::testing;
using orrisbay::testing::TemporaryFolder;

struct Outcome {
    int code = -1;
    std::string err;
};

template <auto Command>
Outcome Ran(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = Command(arguments, out, err);
    return {code, err.str()};
}
constexpr auto Blend = Ran<RunBlend>;
constexpr auto Wad = Ran<RunWad>;

class GameFilesCommandTest : public ::testing::Test {
  protected:
    // A 32 x 16 picture whose column x is colour 224 + x of `palette`.
    std::string FullbrightColumns(const quake_palette::Palette& palette, const std::string& name) {
        freeimage_base::Bitmap picture(FreeImage_Allocate(32, 16, 24));
        for (unsigned y = 0; y < 16; ++y) {
            BYTE* row = FreeImage_GetScanLine(picture.get(), static_cast<int>(y));
            for (unsigned x = 0; x < 32; ++x) {
                const quake_palette::ColourValue colour = palette[224 + x];
                row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(colour);
                row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(colour >> 8);
                row[3 * x + FI_RGBA_BLUE] = static_cast<BYTE>(colour >> 16);
            }
        }
        EXPECT_TRUE(FreeImage_Save(FIF_PNG, picture.get(), folder.file(name).c_str()));
        return folder.file(name);
    }

    TemporaryFolder folder{"orrisbay-game-files"};
};

TEST_F(GameFilesCommandTest, FullbrightCountZeroReservesNoColours) {
    const Result<quake_palette::Palette> quake = ReadGamePalette();
    ASSERT_TRUE(quake);
    const std::string picture = FullbrightColumns(*quake, "bright.png");
    const std::string layer2 =
        orrisbay::testing::SavePattern(folder.file("layer2.png"), FIF_PNG, 32, 16, 24, 0);
    freeimage_base::Bitmap mask(FreeImage_Allocate(32, 16, 8));
    FreeImage_Invert(mask.get());  // white: layer 1 shows as it is
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, mask.get(), folder.file("white.png").c_str()));
    freeimage_base::Bitmap black(FreeImage_Allocate(32, 16, 8));
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, black.get(), folder.file("black.png").c_str()));

    for (const bool reserved : {true, false}) {
        SCOPED_TRACE(reserved ? "Quake's 32 fullbrights" : "--fullbright-count 0");
        const std::vector<std::string> count =
            reserved ? std::vector<std::string>{}
                     : std::vector<std::string>{"--fullbright-count=0"};
        std::vector<std::string> blend = {
            picture,   layer2, folder.file("white.png"), folder.file("black.png"),
            "--quake", "-o",   folder.file("out.png")};
        blend.insert(blend.end(), count.begin(), count.end());
        ASSERT_EQ(Blend(blend).code, kExitSuccess) << Blend(blend).err;
        std::vector<std::string> add = {"add", folder.file("out.wad"), picture, "--name", "b"};
        add.insert(add.end(), count.begin(), count.end());
        ASSERT_EQ(Wad(add).code, kExitSuccess) << Wad(add).err;

        const freeimage_base::Bitmap png =
            orrisbay::testing::LoadAs(FIF_PNG, folder.file("out.png"));
        const auto wad = gt::Wad2Reader(gt::FileBytes(folder.file("out.wad"))).Read();
        ASSERT_TRUE(png && wad);
        // The exact colours are taken once nothing is reserved (255 stays
        // for a WAD's see-through pixels; a colour Quake has twice may come
        // from below 224).
        for (unsigned x = 0; x < 31; ++x) {
            for (const unsigned index : {unsigned{FreeImage_GetScanLine(png.get(), 0)[x]},
                                         unsigned{wad->lumps[0].mips[0][x]}}) {
                if (reserved) {
                    EXPECT_LT(index, 224u) << x;
                } else {
                    EXPECT_EQ((*quake)[index], (*quake)[224 + x]) << x;
                }
            }
        }
    }
    EXPECT_EQ(Blend({"--builtin", "--fullbright-count", "0", "-o", folder.file("a.png")}).code,
              kExitUsage);
    EXPECT_EQ(
        Blend({"--builtin", "--quake", "--fullbright-count", "256", "-o", folder.file("a.png")})
            .code,
        kExitUsage);
}

TEST_F(GameFilesCommandTest, AWalOutputHoldsTheWad2TexturesLevelsAndGoesBackIntoAWad) {
    const quake_palette::Palette colours = orrisbay::testing::DistinctColours();
    const std::string lmp = folder.Write("colormap.lmp", orrisbay::testing::RgbBytes(colours));
    const std::string wal = folder.file("baseq2/textures/e1u1/floor_1.wal");
    std::filesystem::create_directories(std::filesystem::path(wal).parent_path());
    const Outcome made =
        Blend({"--builtin", "--dither", "--palette", lmp, "-o", wal, "--wal-flags", "0x201",
               "--wal-contents=1", "--wal-value", "-300", "--wal-next", "e1u1/floor_2"});
    ASSERT_EQ(made.code, kExitSuccess) << made.err;
    const Outcome asWad = Blend({"--builtin", "--dither", "--palette", lmp, "-o",
                                 folder.file("same.wad"), "--name", "floor_1"});
    ASSERT_EQ(asWad.code, kExitSuccess) << asWad.err;
    EXPECT_NE(asWad.err.find("holds no palette"), std::string::npos) << asWad.err;

    const orrisbay::testing::ReadWal read = orrisbay::testing::ReadWalBytes(gt::FileBytes(wal));
    EXPECT_EQ(read.name, "e1u1/floor_1");
    EXPECT_EQ(read.next, "e1u1/floor_2");
    EXPECT_EQ(read.numbers, (std::vector<std::uint32_t>{256, 256, 100, 65636, 82020, 86116, 0x201,
                                                        1, static_cast<std::uint32_t>(-300)}));
    const auto wad = gt::Wad2Reader(gt::FileBytes(folder.file("same.wad"))).Read();
    ASSERT_TRUE(wad && wad->lumps.size() == 1);
    EXPECT_EQ(read.mips, wad->lumps[0].mips);

    // Read back in the same palette, the full-size level is the picture's indices.
    const std::string back = folder.file("back.wad");
    const Outcome added = Wad({"add", back, wal, "--palette", lmp, "--name", "floor_1"});
    ASSERT_EQ(added.code, kExitSuccess) << added.err;
    const auto again = gt::Wad2Reader(gt::FileBytes(back)).Read();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->lumps[0].mips[0], read.mips[0]);
    // A .wal input needs a palette; a missing one is named.
    EXPECT_EQ(Wad({"add", back, wal, "--palette", folder.file("none.lmp")}).code, kExitBadInput);
    EXPECT_EQ(Blend({"--builtin", "-o", folder.file("x.png"), "--wal-flags", "1"}).code,
              kExitUsage);
}

}  // namespace
}  // namespace orrisbay::cli
