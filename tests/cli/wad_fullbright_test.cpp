// orrisbay-wad check and defullbright on real WAD files.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/wad_command.h"
#include "gameformats/wad2_reader.h"
#include "gameformats/wad_fullbrights.h"
#include "support/image_files.h"

namespace orrisbay::cli {
namespace {

using gameformats::MipTexture;
using gameformats::WadKind;

struct Ran {
    int code = -1;
    std::string out, err;
};

Ran Wad(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = RunWad(arguments, out, err);
    return {code, out.str(), err.str()};
}

// A 16 x 16 texture of colour 10 with colour 240 (fullbright) at the
// full-size pixels of `glowing`, given as y * 16 + x.
gameformats::WadLump Texture(const std::string& name, std::vector<unsigned> glowing, WadKind kind) {
    MipTexture texture{name, 16, 16, {}, {}};
    for (int level = 0; level < gameformats::kMipLevels; ++level) {
        texture.mips[level].assign(256u >> (2 * level), 10);
    }
    for (const unsigned at : glowing) {
        texture.mips[0][at] = 240;
    }
    return gameformats::EncodeMipTexture(texture, kind);
}

class WadFullbrightTest : public ::testing::Test {
  protected:
    void Write(WadKind kind) {
        // "lamp": a 2 x 2 cluster and one speck; "grate": none.
        ASSERT_TRUE(gameformats::WriteWadFile(
            wad,
            {kind, {Texture("lamp", {17, 18, 33, 34, 204}, kind), Texture("grate", {}, kind)}}));
    }
    orrisbay::testing::TemporaryFolder folder{"orrisbay-wad-fullbright"};
    const std::string wad = folder.file("pack.wad");
};

TEST_F(WadFullbrightTest, CheckListsGlowingTexturesUntilDefullbrightRemovesTheirGlow) {
    Write(WadKind::Wad2);
    const Ran found = Wad({"check", wad});
    EXPECT_EQ(found.code, kExitFindings);
    EXPECT_EQ(found.out,
              "lamp             16 x 16     5 fullbright (1.95%), 1 speck, 4 in clusters, 0 in "
              "smaller mips\n");
    EXPECT_EQ(found.err, "orrisbay-wad: " + wad + ": 1 of 2 textures have fullbright pixels\n");

    // Outside a mask white on its left half the speck goes, the cluster stays.
    freeimage_base::Bitmap mask(FreeImage_Allocate(8, 8, 8));
    for (unsigned y = 0; y < 8; ++y) {
        std::fill_n(FreeImage_GetScanLine(mask.get(), int(y)), 4, BYTE{255});
    }
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, mask.get(), folder.file("left.png").c_str(), 0));
    EXPECT_EQ(Wad({"defullbright", wad, "lamp", "--outside", folder.file("left.png")}).code, 0);
    EXPECT_NE(Wad({"check", wad}).out.find("4 fullbright (1.56%), 0 specks"), std::string::npos);
    EXPECT_EQ(Wad({"defullbright", wad, "lamp"}).out,  // --specks: none left
              "lamp: 0 pixels now of ordinary colours (0 at full size, 0 in smaller mips)\n" + wad +
                  " left as it was: no pixel to change\n");
    EXPECT_EQ(Wad({"defullbright", wad, "grate", "LAMP", "--all"}).code, kExitSuccess);
    EXPECT_EQ(Wad({"check", wad}).out, wad + ": no fullbright pixels in its 2 textures\n");
}

TEST_F(WadFullbrightTest, AWad3HasNothingToCheckAndIsNeverRewritten) {
    Write(WadKind::Wad3);
    const auto bytes = gameformats::testing::FileBytes(wad);
    const Ran checked = Wad({"check", wad});
    EXPECT_EQ(checked.code, kExitSuccess);
    EXPECT_NE(checked.err.find("warning: " + wad + ": a Half-Life WAD3"), std::string::npos);
    EXPECT_EQ(Wad({"defullbright", wad, "lamp", "--all"}).code, kExitBadInput);
    EXPECT_EQ(gameformats::testing::FileBytes(wad), bytes);
}

TEST_F(WadFullbrightTest, WrongCommandLinesAndMissingTexturesLeaveTheWadAlone) {
    Write(WadKind::Wad2);
    const auto bytes = gameformats::testing::FileBytes(wad);
    const std::vector<std::vector<std::string>> wrong = {
        {"defullbright", wad},
        {"defullbright", wad, "lamp", "--specks", "--all"},
        {"defullbright", wad, "lamp", "--outside"},
        {"check", wad, "--all"},
        {"list", wad, "--specks"},
    };
    for (const auto& arguments : wrong) {
        EXPECT_EQ(Wad(arguments).code, kExitUsage) << arguments.size();
    }
    EXPECT_EQ(Wad({"defullbright", wad, "lamp", "nosuch", "--all"}).code, kExitBadInput);
    EXPECT_EQ(gameformats::testing::FileBytes(wad), bytes);
}

}  // namespace
}  // namespace orrisbay::cli
