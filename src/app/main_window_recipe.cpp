// The main window's recipes: "Save Recipe..." writes what the window makes as
// one texture of a recipe, "Open Recipe..." lists a recipe's textures and
// loads one into the window, its output kept up to date.
#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QPointer>
#include <system_error>

#include "app/height_blend_menu.h"
#include "app/main_window.h"
#include "app/palette_box.h"
#include "app/slot_sources.h"
#include "app/wait_cursor.h"
#include "console/application.h"
#include "console/console.h"
#include "imageio/image_writer.h"
#include "palette/quake_palette.h"
#include "session/recipe.h"
#include "session/session_recipe.h"

namespace orrisbay::app {

namespace {

namespace fs = std::filesystem;
using session::InputSource;

void ShowError(const std::string& text) {
    console::ShowMessage(text, console::MessageButtons::OkCancel);
}

// The recipe's key of an input, which also names the picture saved for it.
std::string_view InputKey(int input) {
    constexpr std::string_view kKeys[] = {"layer1",  "layer2",  "mask1", "mask2",
                                          "height1", "height2", "glow"};
    return kKeys[input];
}

// Where the picture of `source` came from, as a sentence says it.
std::string Origin(const InputSource& source) {
    switch (source.kind) {
        case InputSource::Kind::BuiltIn:
            return "the built-in picture";
        case InputSource::Kind::Clipboard:
            return "a pasted picture";
        case InputSource::Kind::WadTexture:
            return "the texture " + source.textureName + " of " +
                   fs::path(source.path).filename().string();
        default:
            break;
    }
    return "a picture from no file";
}

// A file beside the recipe for the picture of `input`, taken by no file yet.
fs::path FreePictureFile(const fs::path& recipe, const std::string& name, int input) {
    const std::string stem = name + "_" + std::string(InputKey(input));
    fs::path file = recipe.parent_path() / (stem + ".png");
    std::error_code error;
    for (int copy = 2; fs::exists(file, error); ++copy) {
        file = recipe.parent_path() / (stem + "_" + std::to_string(copy) + ".png");
    }
    return file;
}

}  // namespace

void FrmOrrisbay::createRecipeActions() {
    saveRecipeAction_ = new QAction(tr("Save Recipe..."), this);
    openRecipeAction_ = new QAction(tr("Open Recipe..."), this);
    previewMenu_->addAction(saveRecipeAction_);
    previewMenu_->addAction(openRecipeAction_);
}

void FrmOrrisbay::connectRecipeSignals() {
    connect(saveRecipeAction_, &QAction::triggered, this, &FrmOrrisbay::saveRecipeClick);
    connect(openRecipeAction_, &QAction::triggered, this, &FrmOrrisbay::openRecipeClick);
}

void FrmOrrisbay::setSaveRecipeDialog(RecipeDialogFunction dialog) {
    saveRecipeDialog_ = std::move(dialog);
}

void FrmOrrisbay::setOpenRecipeDialog(RecipeDialogFunction dialog) {
    openRecipeDialog_ = std::move(dialog);
}

void FrmOrrisbay::setSavePictureQuestion(YesNoQuestionFunction question) {
    savePictureQuestion_ = std::move(question);
}

void FrmOrrisbay::saveRecipeClick() {
    if (!session_->KeptOutput()) {
        ShowError(
            "Save Recipe: Save the texture first (Save As or Add to WAD): a recipe needs the file "
            "it goes to.");
        return;
    }
    const std::string chosen = saveRecipeDialog_(this);
    if (chosen.empty()) {
        return;
    }
    dialogFolder_.RememberFileOf(chosen);
    const fs::path recipe = fs::absolute(chosen);
    Result<session::SessionTexture> texture = session::SessionTextureFrom(*session_, paletteFile_);
    if (!texture) {
        ShowError("Save Recipe: " + texture.problem().message + ".");
        return;
    }
    std::error_code error;
    if (fs::exists(recipe, error)) {
        const Result<session::Recipe> existing = session::ReadRecipe(recipe.string());
        if (!existing) {
            ShowError("Save Recipe: " + recipe.string() +
                      " was not changed: it is not a recipe this program can read.\n" +
                      existing.problem().message);
            return;
        }
        if (existing->FindTexture(texture->name) != nullptr &&
            !replaceTextureQuestion_(this, texture->name, recipe.string())) {
            return;
        }
    }
    if (!saveInputsAsFiles(recipe, texture->name)) {
        return;
    }
    texture = session::SessionTextureFrom(*session_, paletteFile_);
    const session::RecipeTexture written = session::RecipeTextureOf(*texture, recipe.parent_path());
    if (const Result<void> put = session::PutTextureInRecipeFile(recipe.string(), written); !put) {
        ShowError("Save Recipe: " + recipe.string() +
                  " was not written: " + ReasonOf(put.problem()) + ".");
        return;
    }
    console::ConsoleAppend("Save Recipe: " + texture->name + " written to " + recipe.string() +
                           ".");
}

bool FrmOrrisbay::saveInputsAsFiles(const fs::path& recipe, const std::string& name) {
    const std::vector<int> inputs = session::InputsWithoutFiles(*session_);
    std::vector<fs::path> files;
    for (const int input : inputs) {
        const std::string holder =
            input < session::kSlotInputs  ? Frame1(input)->title().toStdString()
            : input == session::kGlowMask ? std::string("The glow mask")
                                          : "Height map " + std::to_string(input - 3);
        files.push_back(FreePictureFile(recipe, name, input));
        if (!savePictureQuestion_(this, holder + " holds " + Origin(session_->Source(input)) +
                                            ", and a recipe can only name files. Save it as " +
                                            files.back().filename().string() +
                                            " beside the recipe?")) {
            return false;
        }
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const int input = inputs[i];
        const FIBITMAP* picture = session_->InputPicture(input);
        if (const Result<void> saved = imageio::SaveImageFile(picture, files[i].string()); !saved) {
            ShowError("Save Recipe: " + files[i].string() +
                      " was not written: " + ReasonOf(saved.problem()) + ".");
            return false;
        }
        // The input is that file's from now on, followed as an opened one is.
        session_->SetSource(input, InputSource::File(files[i].string()));
        if (input < session::kSlotInputs) {
            showToolTip(input);
        }
    }
    return true;
}

void FrmOrrisbay::openRecipeClick() {
    const std::string path = openRecipeDialog_(this);
    if (!path.empty()) {
        dialogFolder_.RememberFileOf(path);
        openRecipe(path);
    }
}

bool FrmOrrisbay::openRecipe(const std::string& path, const std::string& textureName) {
    const std::string recipe = fs::absolute(path).string();
    Result<std::vector<session::ListedTexture>> listed = [&] {
        const WaitCursor busy;
        return session::ListRecipeTextures(recipe, session_->GamePalette());
    }();
    if (!listed) {
        ShowError("Open Recipe: " + listed.problem().message);
        return false;
    }
    if (recipeBrowser_) {
        recipeBrowser_->close();
    }
    const auto load = [this](const session::SetTexture& texture, bool built) {
        return loadRecipeTexture(texture, built);
    };
    const QPointer<RecipeBrowser> browser =
        new RecipeBrowser(recipe, std::move(*listed), load, this);
    browser->setAttribute(Qt::WA_DeleteOnClose);
    if (!textureName.empty()) {
        const bool found = browser->selectTexture(textureName);
        if (!found) {
            ShowError("Open Recipe: " + recipe + " has no texture named " + textureName + ".");
        } else if (browser->openSelected()) {
            if (browser) {
                browser->deleteLater();  // never shown
            }
            return true;
        }
    }
    recipeBrowser_ = browser;
    browser->show();
    return textureName.empty();
}

bool FrmOrrisbay::loadRecipeTexture(const session::SetTexture& texture, bool built) {
    Result<session::SessionTexture> wanted = session::SessionTextureOf(texture);
    if (!wanted) {
        ShowError("Open Recipe: " + wanted.problem().message + ".");
        return false;
    }
    if (!useRecipePalette(wanted->palette)) {
        return false;
    }
    // The menu shows dithering on for any mode; the output keeps the recipe's own.
    ditherAction_->setChecked(wanted->conversion.EffectiveDithering().mode !=
                              quake_palette::DitherMode::None);
    fullbrightsAction_->setChecked(wanted->conversion.allowFullbrights);
    heightBlendMenu_->showOptions(wanted->merge);
    const auto keep = [&] {
        rememberSavedFile(wanted->output);
        updateSavedFileAction_->setChecked(true);
        session_->SetKeepingOutput(true);
    };
    // An output that is not up to date is written after the merge; one that
    // is stays as it is.
    if (!built) {
        keep();
    }
    session::SessionUpdate update;
    {
        const WaitCursor busy;
        // The inputs go first, so that the new options and files make one merge.
        session_->ReleaseInputs(false);
        if (wanted->sources[session::kGlowMask].empty()) {
            (void)session_->ClearGlowMask();
        }
        (void)session_->SetMergeOptions(wanted->merge);
        std::vector<int> inputs;
        for (int input = 0; input < session::kInputCount; ++input) {
            const fs::path& file = wanted->sources[static_cast<std::size_t>(input)];
            session_->SetSource(input, file.empty() ? InputSource{} : InputSource::File(file));
            if (input < session::kSlotInputs) {
                sources_->SetOpenProblem(input, {}, {});
            }
            if (!file.empty()) {
                inputs.push_back(input);
            }
        }
        update = session_->ReadAgain(inputs);
    }
    for (int slot = 0; slot < session::kSlotInputs; ++slot) {
        showToolTip(slot);
    }
    for (const auto& [input, problem] : update.notRead) {
        ShowError("Open Recipe: " + problem.message + ".");
    }
    if (built) {
        keep();
    }
    if (gameformats::OutputKindOf(wanted->output.request) == gameformats::OutputKind::Wad) {
        lastWadPath_ = wanted->output.request.path;
    }
    showUpdate(update);
    return update.notRead.empty() && !update.mergeFailure;
}

bool FrmOrrisbay::useRecipePalette(const fs::path& palette) {
    if (palette == paletteFile_) {
        return true;
    }
    if (palette.empty()) {
        LoadPalette(console::ApplicationFolder());
        paletteFile_.clear();
        return true;
    }
    const bool wasQuiet = console::QuietErrors();
    console::SetQuietErrors(true);
    const Result<quake_palette::Palette> read = quake_palette::ReadPaletteFile(palette.string());
    console::SetQuietErrors(wasQuiet);
    if (!read) {
        ShowError("Open Recipe: " + read.problem().message + ".");
        return false;
    }
    quake_palette::PaintSwatches(*PicPalette(), *read);
    session_->SetPalette(*read);
    paletteFile_ = palette;
    return true;
}

}  // namespace orrisbay::app
