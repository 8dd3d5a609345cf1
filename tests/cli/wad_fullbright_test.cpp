// orrisbay-wad check and defullbright on real WAD files.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/wad_command.h"
#include "gameformats/wad2_reader.h"
#include "support/drawn_texture.h"
#include "support/image_files.h"

namespace orrisbay::cli {
namespace {

using gameformats::WadKind;
using gameformats::testing::FileBytes;

struct Ran {
    int code = -1;
    std::string out, err;
};

Ran Wad(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = RunWad(arguments, out, err);
    return {code, out.str(), err.str()};
}

class WadFullbrightTest : public ::testing::Test {
  protected:
    // "lamp": a 2 x 2 cluster and a speck; "grate": no glow.
    void Write(WadKind kind) {
        const auto lamp =
            orrisbay::testing::DrawnTexture("lamp", 16, {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {12, 12}});
        const auto grate = orrisbay::testing::DrawnTexture("grate", 16, {});
        ASSERT_TRUE(gameformats::WriteWadFile(wad, {kind,
                                                    {gameformats::EncodeMipTexture(lamp, kind),
                                                     gameformats::EncodeMipTexture(grate, kind)}}));
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
    for (int y = 0; y < 8; ++y) {
        std::fill_n(FreeImage_GetScanLine(mask.get(), y), 4, BYTE{255});
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

TEST_F(WadFullbrightTest, WrongCommandLinesMissingTexturesAndWad3sLeaveTheFileAlone) {
    Write(WadKind::Wad2);
    const auto bytes = FileBytes(wad);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"defullbright", wad},
          {"defullbright", wad, "lamp", "--specks", "--all"},
          {"defullbright", wad, "lamp", "--outside"},
          {"check", wad, "--all"}}) {
        EXPECT_EQ(Wad(arguments).code, kExitUsage) << arguments.size();
    }
    EXPECT_EQ(Wad({"defullbright", wad, "lamp", "nosuch", "--all"}).code, kExitBadInput);
    EXPECT_EQ(FileBytes(wad), bytes);

    Write(WadKind::Wad3);  // its textures have their own colours: nothing glows
    const Ran checked = Wad({"check", wad});
    EXPECT_EQ(checked.code, kExitSuccess);
    EXPECT_NE(checked.err.find("warning: " + wad + ": a Half-Life WAD3"), std::string::npos);
    const auto wad3 = FileBytes(wad);
    EXPECT_EQ(Wad({"defullbright", wad, "lamp", "--all"}).code, kExitBadInput);
    EXPECT_EQ(FileBytes(wad), wad3);
}

}  // namespace
}  // namespace orrisbay::cli
