// Building sets on real files: what a recipe takes out of its WAD and what
// it leaves, a damaged state file, and recipe files written back.
#include "session/set_build.h"

#include <gtest/gtest.h>

#include "gameformats/mip_texture.h"
#include "gameformats/wad_edit.h"
#include "session/recipe.h"
#include "session/recipe_state.h"
#include "support/image_files.h"

namespace orrisbay::session {
namespace {

using orrisbay::testing::ReadFile;

class SetBuildTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto read = quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
        ASSERT_TRUE(read);
        request.programPalette = *read;
        for (const char* name : {"a.png", "b.png", "c.png"}) {
            orrisbay::testing::SavePattern(folder.file(name), FIF_PNG, 16, 16, 24, name[0]);
        }
    }

    void WriteRecipe(const std::vector<std::string>& pictures) {
        std::string text;
        for (const std::string& picture : pictures) {
            text += "[[texture]]\nname = \"" + picture + "\"\npicture = \"" + picture +
                    ".png\"\noutput = \"pack.wad\"\n";
        }
        folder.Write("set.toml", text);
    }

    BuildSummary Build() {
        BuildProgress quiet;
        Result<BuildSummary> built = BuildSet(request, quiet);
        EXPECT_TRUE(built) << (built ? "" : built.problem().message);
        return built ? std::move(*built) : BuildSummary{};
    }

    std::vector<std::string> LumpNames() {
        std::vector<std::string> names;
        const auto wad = gameformats::ReadWadFile(folder.file("pack.wad"));
        for (const auto& lump : wad ? wad->lumps : std::vector<gameformats::WadLump>{}) {
            names.push_back(lump.name);
        }
        return names;
    }

    orrisbay::testing::TemporaryFolder folder{"orrisbay-set-build"};
    BuildRequest request{folder.file("set.toml")};
};

TEST_F(SetBuildTest, RemovesOnlyTheTexturesThisRecipePutInItsWad) {
    gameformats::MipTexture theirs{"theirs", 16, 16, {}};
    for (int level = 0; level < gameformats::kMipLevels; ++level) {
        theirs.mips[static_cast<std::size_t>(level)].assign((16u >> level) * (16u >> level), 7);
    }
    ASSERT_TRUE(gameformats::WriteWadFile(
        folder.file("pack.wad"),
        {gameformats::WadKind::Wad2,
         {gameformats::EncodeMipTexture(theirs, gameformats::WadKind::Wad2)}}));
    WriteRecipe({"a", "b", "c"});
    EXPECT_EQ(Build().Count(TextureOutcome::Built), 3u);

    // "c" is replaced by hand: no longer the recipe's to remove.
    ASSERT_TRUE(gameformats::EditWadFile(folder.file("pack.wad"), [](gameformats::WadFile& wad) {
        wad.lumps[3].data.back() ^= 1;
        return Result<void>{};
    }));
    WriteRecipe({"a"});
    const BuildSummary summary = Build();
    EXPECT_EQ(summary.removed, std::vector<std::string>{"b from pack.wad"});
    ASSERT_EQ(summary.warnings.size(), 1u);
    EXPECT_NE(summary.warnings[0].find("kept c, which has changed"), std::string::npos);
    EXPECT_EQ(LumpNames(), (std::vector<std::string>{"theirs", "a", "c"}));

    // What the recipe never put there stays, whatever the recipe says.
    WriteRecipe({});
    EXPECT_EQ(Build().removed, std::vector<std::string>{"a from pack.wad"});
    EXPECT_EQ(LumpNames(), (std::vector<std::string>{"theirs", "c"}));
}

TEST_F(SetBuildTest, ADamagedStateFileBuildsEverythingAgainWithAWarning) {
    WriteRecipe({"a", "b"});
    Build();
    for (const std::string damaged :
         {"program = [", "program = \"0.01\"\n[[output]]\npath = 3\n"}) {
        folder.Write("set.toml.state", damaged);
        const BuildSummary summary = Build();
        EXPECT_EQ(summary.Count(TextureOutcome::Built), 2u);
        ASSERT_EQ(summary.warnings.size(), 1u) << damaged;
        EXPECT_NE(summary.warnings[0].find("building every texture again"), std::string::npos);
        EXPECT_EQ(Build().Count(TextureOutcome::UpToDate), 2u);
    }
    EXPECT_EQ(LumpNames(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SetBuildTest, ATextureWrittenToARecipeReadsBackAndLeavesTheRestOfTheFile) {
    const std::string before =
        "# my set\n[defaults]\ndither = true  # everywhere\n\n"
        "[[texture]]\nname = \"a\"\npicture = \"a.png\"\noutput = \"pack.wad\"\n\n"
        "# the blend\n[[texture]]\nname = \"b\"\npicture = \"b.png\"\noutput = \"pack.wad\"\n";
    folder.Write("set.toml", before);
    RecipeTexture blend{"a", {}, "out/a.png", {}, {}};
    const std::array<std::string, 6> files = {"l1.png", "l2.png", "m1.png", "m2.png", "", ""};
    std::copy(files.begin(), files.end(), blend.sources.begin());
    blend.Source(SourceRole::Height2) = "h2.png";
    blend.options["height_blend"] = {0.15, {}};
    blend.options["fullbrights"] = {true, {}};
    blend.options["threshold"] = {std::int64_t{90}, {}};
    ASSERT_TRUE(PutTextureInRecipeFile(folder.file("set.toml"), blend));

    const std::string after = ReadFile(folder.file("set.toml"));
    EXPECT_TRUE(after.starts_with(before.substr(0, before.find("[[texture]]"))));
    EXPECT_TRUE(after.ends_with(before.substr(before.find("\n# the blend"))));
    const Result<Recipe> read = ReadRecipe(folder.file("set.toml"));
    ASSERT_TRUE(read) << read.problem().message;
    ASSERT_EQ(read->textures.size(), 2u);
    const RecipeTexture& back = read->textures[0];
    EXPECT_EQ(back.sources, blend.sources);
    EXPECT_EQ(back.output, blend.output);
    EXPECT_EQ(TextureText(back), TextureText(blend));
    EXPECT_EQ(RecipeText(*ParseRecipe(RecipeText(*read), "again.toml")), RecipeText(*read));
}

}  // namespace
}  // namespace orrisbay::session
