// "Save Recipe..." and "Open Recipe..." on the offscreen platform, on real
// files: the recipe the window writes builds the texture the window made,
// and opened in another window gives back its sources, options and output.
#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>

#include "app/height_blend_menu.h"
#include "gameformats/wad2_reader.h"
#include "imageio/file_dialog_request.h"
#include "session/session_recipe.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

using gameformats::testing::FileBytes;
using orrisbay::testing::SameBitmap;

// The window's open dialog answers with `path`, as the platform would.
void OpenInto(FrmOrrisbay& window, int slot, const std::string& path) {
    window.setOpenFileDialog([path](imageio::OpenFileRequest& request) {
        request.lpstrFile.replace(0, path.size() + 1, path + '\0');
        return 1;
    });
    window.btnOpenClick(slot);
}

class RecipeWindowTest : public testing::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        using orrisbay::testing::SavePattern;
        SavePattern(folder.file("l1.png"), FIF_PNG, 32, 32, 24, 1);
        SavePattern(folder.file("l2.png"), FIF_PNG, 48, 32, 24, 2);
        const freeimage_base::Bitmap mask = orrisbay::testing::RandomMask(32, 32, 3);
        ASSERT_TRUE(FreeImage_Save(FIF_PNG, mask.get(), folder.file("m1.png").c_str(), 0));
    }

    // The window made a height-blended, dithered texture with a glow mask from
    // three files and the built-in mask 2, added it to a WAD and saved it in a recipe.
    void MakeAndSave() {
        const char* const files[] = {"l1.png", "l2.png", "m1.png"};
        for (int slot = 0; slot < 3; ++slot) {
            OpenInto(*window, slot, folder.file(files[slot]));
        }
        window->heightBlendMenu()->choice("Medium")->trigger();
        window->ditherAction()->setChecked(true);
        ASSERT_TRUE(window->loadGlowMask(folder.file("m1.png")));
        window->setTextureSizeQuestion([](QWidget*, const std::string&) { return true; });
        window->setAddToWadDialog([this](QWidget*, const WadTarget&) {
            return std::optional(WadTarget{wad, "grass", gameformats::WadKind::Wad2, {}});
        });
        window->addToWadAction()->trigger();
        window->setSaveRecipeDialog([this](QWidget*) { return recipe; });
        window->setSavePictureQuestion([this](QWidget*, const std::string& question) {
            questions.push_back(question);
            return true;
        });
        window->saveRecipeAction()->trigger();
    }

    orrisbay::testing::TemporaryFolder folder{"orrisbay-recipe-window"};
    const std::string wad = folder.file("pack.wad");
    const std::string recipe = folder.file("set.toml");
    std::vector<std::string> questions;
};

TEST_F(RecipeWindowTest, ARecipeSavedByTheWindowBuildsTheTextureItMade) {
    MakeAndSave();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("Alpha Channel 2 holds the built-in picture"), std::string::npos)
        << questions[0];
    EXPECT_TRUE(std::filesystem::exists(folder.file("grass_mask2.png")));
    const std::vector<std::uint8_t> written = FileBytes(wad);
    ASSERT_FALSE(written.empty());

    // The build makes the lump again from the recipe alone: the same bytes.
    session::BuildRequest request{recipe};
    request.programPalette = window->conversionPalette();
    session::BuildProgress quiet;
    const auto built = session::BuildSet(request, quiet);
    ASSERT_TRUE(built);
    ASSERT_EQ(built->Count(session::TextureOutcome::Built), 1u)
        << built->textures[0].problem->message;
    EXPECT_TRUE(FileBytes(wad) == written);
    const auto listed = session::ListRecipeTextures(recipe, window->conversionPalette());
    ASSERT_TRUE(listed && listed->size() == 1);
    EXPECT_EQ(listed->front().state, session::ListedTexture::State::Built);
}

TEST_F(RecipeWindowTest, OpenRecipeGivesBackTheSourcesOptionsAndKeptOutputOfSaveRecipe) {
    MakeAndSave();
    FrmOrrisbay opened;
    opened.Load();
    ASSERT_TRUE(opened.openRecipe(recipe, "grass")) << (messages.empty() ? "" : messages[0].text);
    EXPECT_TRUE(messages.empty()) << messages[0].text;

    const session::TextureSession& saved = window->textureSession();
    const session::TextureSession& loaded = opened.textureSession();
    for (int input = 0; input < session::kInputCount; ++input) {
        EXPECT_EQ(loaded.Source(input).kind, saved.Source(input).kind) << input;
        EXPECT_EQ(loaded.Source(input).path, saved.Source(input).path) << input;
    }
    EXPECT_EQ(loaded.Table().Options(), saved.Table().Options());
    EXPECT_TRUE(opened.heightBlendMenu()->choice("Medium")->isChecked());
    EXPECT_TRUE(opened.ditherAction()->isChecked());
    EXPECT_FALSE(opened.fullbrightsAction()->isChecked());
    ASSERT_TRUE(loaded.KeptOutput());
    const gameformats::RepeatedExport& kept = *loaded.KeptOutput();
    const gameformats::RepeatedExport& before = *saved.KeptOutput();
    EXPECT_TRUE(gameformats::WritesSameOutput(kept.request, before.request));
    EXPECT_EQ(kept.request.conversion.dither, before.request.conversion.dither);
    EXPECT_EQ(kept.rescaleToGrid, before.rescaleToGrid);
    EXPECT_TRUE(loaded.KeepingOutput());
    EXPECT_TRUE(opened.updateSavedFileAction()->isChecked());
    EXPECT_TRUE(SameBitmap(saved.Texture(), loaded.Texture()));

    // Listed: never built from the recipe, so out of date.
    ASSERT_TRUE(opened.openRecipe(recipe));
    ASSERT_NE(opened.recipeBrowser(), nullptr);
    ASSERT_EQ(opened.recipeBrowser()->textureList()->count(), 1);
    EXPECT_EQ(opened.recipeBrowser()->textureList()->item(0)->text().toStdString(),
              "grass\nout of date, pack.wad");
}

}  // namespace
}  // namespace orrisbay::app
