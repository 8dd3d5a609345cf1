// orrisbay-bsp run in-process on copies of the compiled test maps: what the
// map held, put back, gives its very bytes; failures say why and leave it.
#include "cli/bsp_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/blend_command.h"
#include "cli/command_support.h"
#include "cli/wad_command.h"
#include "gameformats/wad_edit.h"
#include "support/drawn_texture.h"
#include "support/image_files.h"

namespace orrisbay::cli {
namespace {

using orrisbay::testing::ReadFile;

struct Outcome {
    int code = -1;
    std::string out, err;
};

Outcome Bsp(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = RunBsp(arguments, out, err);
    return {code, out.str(), err.str()};
}

std::string MapFile(const std::string& name) {
    return std::string(ORRISBAY_TEST_MAPS) + "/" + name;
}

// The names `list` shows as stored in the map.
std::vector<std::string> StoredNames(const std::string& listing) {
    std::vector<std::string> names;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with("in map")) {
            names.push_back(line.substr(0, line.find(' ')));
        }
    }
    return names;
}

struct TestMap {
    std::string map, wad;
};

class BspCommandTest : public ::testing::TestWithParam<TestMap> {
  protected:
    orrisbay::testing::TemporaryFolder folder{"orrisbay-bsp-command"};
    const std::string map = folder.Write("map.bsp", ReadFile(MapFile(GetParam().map)));
    const std::string compiled = ReadFile(map);
    const bool external = GetParam().map.ends_with("external.bsp");
};

INSTANTIATE_TEST_SUITE_P(EachMap, BspCommandTest,
                         ::testing::Values(TestMap{"q1/room.bsp", "q1/textures.wad"},
                                           TestMap{"q1/room-bsp2.bsp", "q1/textures.wad"},
                                           TestMap{"hl/room-hl.bsp", "hl/textures3.wad"},
                                           TestMap{"hl/room-hl-external.bsp", "hl/textures3.wad"}),
                         [](const auto& info) { return "map" + std::to_string(info.index); });

TEST_P(BspCommandTest, WhatTheMapHeldPutBackGivesItsVeryBytes) {
    const std::vector<std::string> stored = StoredNames(Bsp({"list", map}).out);
    EXPECT_EQ(stored.size(), external ? 0u : 5u);
    for (const std::string& name : stored) {
        const std::string png = folder.file("texture.png");
        ASSERT_EQ(Bsp({"extract", map, name, "-o", png}).code, kExitSuccess) << name;
        const Outcome put = Bsp({"replace", map, png, "--name", name});
        EXPECT_EQ(put.out, "unchanged " + name + ": " + map + " holds this very texture\n");
        EXPECT_EQ(ReadFile(map), compiled) << name;
    }
    const std::string brick =
        orrisbay::testing::SavePattern(folder.file("brick.png"), FIF_PNG, 48, 32, 24);
    const Outcome changed = Bsp({"replace", map, brick, "--name", "+0ANIM"});
    EXPECT_EQ(changed.code, external ? kExitBadInput : kExitSuccess) << changed.err;
    EXPECT_EQ(ReadFile(map) == compiled, external);

    const Outcome back = Bsp({"replace", map, "--from", MapFile(GetParam().wad)});
    EXPECT_EQ(back.code, kExitSuccess) << back.err;
    if (external) {
        EXPECT_NE(changed.err.find("\"+0anim\" is not stored in the map: update its WAD instead"),
                  std::string::npos);
        EXPECT_NE(back.out.find("skipped: \"{fence\" is not stored in the map: update its WAD"),
                  std::string::npos);
        EXPECT_EQ(Bsp({"extract", map, "+0anim", "-o", brick}).code, kExitBadInput);
    } else {
        EXPECT_NE(back.out.find("replaced +0anim (48 x 32)\n"), std::string::npos) << back.out;
    }
    EXPECT_EQ(ReadFile(map), compiled);
}

TEST(BspCommand, AMapBehindALinkStaysLinkedAndOwnerOnly) {
    orrisbay::testing::TemporaryFolder folder("orrisbay-bsp-link");
    const std::string link = folder.file("map.bsp"), target = folder.file("game/maps/map.bsp");
    orrisbay::testing::LinkToOwnerOnlyFile(link, target);
    orrisbay::testing::WriteFile(target, ReadFile(MapFile("hl/room-hl.bsp")));
    const std::string wall =
        orrisbay::testing::SavePattern(folder.file("w.bmp"), FIF_BMP, 64, 32, 24);
    ASSERT_EQ(Bsp({"replace", link, wall, "--name", "!water"}).code, kExitSuccess);
    EXPECT_TRUE(std::filesystem::is_symlink(link) && orrisbay::testing::OwnerOnly(target));
    EXPECT_NE(ReadFile(target), ReadFile(MapFile("hl/room-hl.bsp")));
}

TEST(BspCommand, ListsStoredExternalAndMissingTextures) {
    EXPECT_EQ(Bsp({"list", MapFile("hl/room-hl-external.bsp")}).out,
              "-                             missing\n"
              "orrisbay_blend1    256 x 256   in WAD\n"
              "+0anim              48 x 32    in WAD\n"
              "!water              64 x 32    in WAD\n"
              "{fence              64 x 64    in WAD\n"
              "+1anim              48 x 32    in WAD\n");
}

TEST(BspCommand, FailuresSayWhyAndLeaveTheMapAsItWas) {
    orrisbay::testing::TemporaryFolder folder("orrisbay-bsp-failures");
    const std::string map = folder.Write("map.bsp", ReadFile(MapFile("q1/room.bsp")));
    const std::string cut = folder.Write("cut.bsp", ReadFile(map).substr(0, 50000));
    const std::string big =
        orrisbay::testing::SavePattern(folder.file("big.png"), FIF_PNG, 64, 64, 24);
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string says;
    } cases[] = {
        {{"replace", map}, kExitUsage, "usage: orrisbay-bsp replace MAP --from WAD"},
        {{"extract", map, "+0anim"}, kExitUsage, "extract needs -o FILE"},
        {{"list", map, "--allow-resize"}, kExitUsage, "--allow-resize is for replace"},
        {{"replace", map, "--from", map, "--dither"}, kExitUsage, "with a PICTURE"},
        {{"extract", map, "+0anim", "-o", "x.gif"}, kExitUsage, "unsupported output type"},
        {{"list", cut}, kExitBadInput, "lump 2 (textures) runs past the end of the file"},
        {{"replace", cut, big, "--name", "{fence"}, kExitBadInput, "the map is damaged"},
        {{"replace", map, "--from", MapFile("hl/textures3.wad")},
         kExitBadInput,
         "takes Quake WAD2 textures"},
        {{"replace", map, big, "--name", "stone"}, kExitBadInput, "no texture named \"stone\""},
        {{"replace", map, big, "--name", "+0anim"},
         kExitUsage,
         "\"+0anim\" is 48 x 32 in the map, the new one 64 x 64"},
    };
    const auto entries = folder.entries();
    for (const auto& c : cases) {
        const Outcome run = Bsp(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(map), ReadFile(MapFile("q1/room.bsp")));
        EXPECT_EQ(ReadFile(cut).size(), 50000u);
        EXPECT_EQ(folder.entries(), entries);
    }
    EXPECT_NE(Bsp({"--help"}).out.find("--allow-resize"), std::string::npos);
}

TEST(BspCommand, OrrisbayBlendReplacesAMapsTextureOfItsSizeOrAsAsked) {
    orrisbay::testing::TemporaryFolder folder("orrisbay-blend-map");
    const std::string map = folder.Write("map.bsp", ReadFile(MapFile("q1/room.bsp")));
    const auto blend = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "--builtin");
        std::ostringstream out, err;
        const int code = RunBlend(arguments, out, err);
        return Outcome{code, out.str(), err.str()};
    };
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string says;
    } refused[] = {
        {{"-o", map}, kExitUsage, "a .bsp output needs --name NAME"},
        {{"-o", map, "--name", "+0anim"}, kExitUsage, "Use --rescale to make it that size"},
        {{"-o", map, "--name", "stone"}, kExitBadInput, "no texture named \"stone\""},
    };
    for (const auto& c : refused) {
        const Outcome run = blend(c.arguments);
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(map), ReadFile(MapFile("q1/room.bsp")));
    }
    EXPECT_EQ(blend({"-o", map, "--name", "+0ANIM", "--rescale"}).code, kExitSuccess);
    EXPECT_EQ(blend({"-o", map, "--name", "{fence", "--allow-resize"}).code, kExitSuccess);
    const std::string listed = Bsp({"list", map}).out;
    EXPECT_NE(listed.find("+0anim              48 x 32    in map"), std::string::npos) << listed;
    EXPECT_NE(listed.find("{fence             256 x 256   in map"), std::string::npos) << listed;
    EXPECT_NE(ReadFile(map), ReadFile(MapFile("q1/room.bsp")));
}

TEST(BspCommand, CheckAndDefullbrightTellAMapsGlowAsForAWad) {
    orrisbay::testing::TemporaryFolder folder("orrisbay-bsp-glow");
    const std::string map = folder.Write("map.bsp", ReadFile(MapFile("q1/room.bsp")));
    const std::string hl = folder.Write("hl.bsp", ReadFile(MapFile("hl/room-hl.bsp")));
    const std::string wad = folder.file("lamp.wad");
    const auto lamp = orrisbay::testing::DrawnTexture(
        "orrisbay_blend1", 256, {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {200, 100}, {9, 9}});
    using gameformats::WadKind;
    ASSERT_TRUE(gameformats::WriteWadFile(
        wad, {WadKind::Wad2, {gameformats::EncodeMipTexture(lamp, WadKind::Wad2)}}));
    ASSERT_EQ(Bsp({"replace", map, "--from", wad}).code, kExitSuccess);
    std::ostringstream wadOut, wadErr;
    ASSERT_EQ(RunWad(std::vector<std::string>{"check", wad}, wadOut, wadErr), kExitFindings);
    const Outcome found = Bsp({"check", map});
    EXPECT_EQ(found.code, kExitFindings);
    EXPECT_NE(found.out.find(wadOut.str()), std::string::npos) << found.out << wadOut.str();
    EXPECT_NE(found.err.find("orrisbay-bsp: " + map + ": "), std::string::npos);

    EXPECT_EQ(Bsp({"defullbright", map, "ORRISBAY_BLEND1", "--specks"}).out,
              "orrisbay_blend1: 2 pixels now of ordinary colours (2 at full size, 0 in smaller "
              "mips)\nwrote " +
                  map + "\n");
    EXPECT_NE(Bsp({"check", map}).out.find("4 fullbright (0.01%), 0 specks, 4 in clusters"),
              std::string::npos);
    const std::string fixed = ReadFile(map), compiled = ReadFile(hl);
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string says;
    } refused[] = {
        {{"defullbright", map}, kExitUsage, "usage: orrisbay-bsp defullbright MAP NAME..."},
        {{"check", map, "--all"}, kExitUsage, "--specks, --all and --outside are for defullbright"},
        {{"defullbright", map, "orrisbay_blend1", "stone", "--all"},
         kExitBadInput,
         "the map has no texture named \"stone\""},
        {{"defullbright", hl, "!water", "--all"}, kExitBadInput, hl + ": a Half-Life map"},
        {{"check", hl}, kExitSuccess, "warning: " + hl + ": a Half-Life map: its textures carry"},
    };
    for (const auto& c : refused) {
        const Outcome run = Bsp(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(map), fixed);
        EXPECT_EQ(ReadFile(hl), compiled);
    }
}

}  // namespace
}  // namespace orrisbay::cli
