// The main window's exports: Save As, and the questions every export asks
// before it runs, then its outcome told.
#include <QGroupBox>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "console/console.h"
#include "palette/quake_palette.h"

namespace orrisbay::app {

namespace {

constexpr std::string_view kSaveInvalidFormatMessage =
    "Save: Invalid format; save as PNG, Targa, BMP or JPEG.";
constexpr std::string_view kNotConvertedMessage =
    "Convert: The texture could not be converted to the Quake palette.";

void ShowError(std::string_view text) {
    console::ShowMessage(std::string(text), console::MessageButtons::OkCancel);
}

}  // namespace

void FrmOrrisbay::saveAsClick() {
    const SaveChoice choice = saveFileDialog_(this);
    if (choice.path.empty()) {
        return;
    }
    dialogFolder_.RememberFileOf(choice.path);
    // Saving over the file a slot follows would lose that picture.
    if (const std::optional<int> slot = session_->InputReading(choice.path);
        slot && *slot < session::kSlotInputs) {
        ShowError("Save: " + choice.path + " was not written: it is the file of " +
                  Frame1(*slot)->title().toStdString() +
                  ", and saving over it would lose that picture.");
        return;
    }
    // While the preview shows the converted picture, Save As writes it in the palette.
    const gameformats::ExportRequest request{.path = choice.path,
                                             .toPalette = choice.indexed || converted_,
                                             .conversion = conversionOptions(),
                                             .textureName = {},
                                             .wadKind = {}};
    if (std::optional<gameformats::RepeatedExport> saved = exportTexture(request, "Save")) {
        rememberSavedFile(std::move(*saved));
    }
}

std::optional<gameformats::RepeatedExport> FrmOrrisbay::exportTexture(
    const gameformats::ExportRequest& request, std::string_view action,
    std::optional<gameformats::WadEntry>* written) {
    if (gameformats::OutputKindOf(request) == gameformats::OutputKind::Unsupported) {
        ShowError(kSaveInvalidFormatMessage);
        return std::nullopt;
    }
    freeimage_base::Bitmap holder;
    const FIBITMAP* instead = textureInsteadOfMerge(holder);
    // The questions first, while nothing of the export is under way.
    const auto questions = session_->QuestionsFor(request, instead);
    if (!questions) {
        showExportProblem(questions.problem(), request.path, action);
        return std::nullopt;
    }
    const std::optional<gameformats::ExportAnswers> answers = askExportQuestions(*questions);
    if (!answers) {
        return std::nullopt;
    }
    Result<gameformats::ExportWritten> result = [&] {
        const WaitCursor busy;
        return session_->Export(request, *answers, instead);
    }();
    if (!result) {
        showExportProblem(result.problem(), request.path, action);
        return std::nullopt;
    }
    for (const std::string& warning : result.warnings()) {
        console::ShowMessage(std::string(action) + ": " + warning + ".",
                             console::MessageButtons::Ok);
    }
    if (written != nullptr) {
        *written = result->wadEntry;
    }
    return gameformats::ExportToRepeat(request, answers->rescaleToGrid, *result);
}

std::optional<gameformats::ExportAnswers> FrmOrrisbay::askExportQuestions(
    const std::vector<gameformats::ExportQuestion>& questions) {
    using About = gameformats::ExportQuestion::About;
    gameformats::ExportAnswers answers;
    for (const gameformats::ExportQuestion& question : questions) {
        switch (question.about) {
            case About::ReplaceFile:
                if (!(answers.replaceFile = overwriteQuestion_(this, question.path))) {
                    return std::nullopt;
                }
                break;
            case About::ReplaceTexture:
                if (!(answers.replaceTexture =
                          replaceTextureQuestion_(this, question.textureName, question.path))) {
                    return std::nullopt;
                }
                break;
            case About::RescaleToGrid:
                // Only a WAD needs the 16-pixel grid; an 8-bit picture is written at its size.
                answers.rescaleToGrid = textureSizeQuestion_(this, question.rescale.text);
                if (!answers.rescaleToGrid && question.rescale.required) {
                    return std::nullopt;
                }
                break;
        }
    }
    return answers;
}

void FrmOrrisbay::showExportProblem(const Problem& problem, const std::string& path,
                                    std::string_view action) {
    const std::string prefix = std::string(action) + ": ";
    switch (problem.kind) {
        case ProblemKind::Cancelled:
        case ProblemKind::NotOnGrid:  // the user said no to the rescale
            return;
        case ProblemKind::NoPalette:
            ShowError(quake_palette::kUnavailableMessage);
            return;
        case ProblemKind::NothingToWrite:
            ShowError(prefix + "There is no texture to save.");
            return;
        case ProblemKind::Failed:
            ShowError(prefix + "The texture could not be rescaled.");
            return;
        case ProblemKind::ConversionFailed:
            ShowError(kNotConvertedMessage);
            return;
        case ProblemKind::BreaksGameRule:
            // Save As names the texture after the file; Add to WAD lets the user name it.
            ShowError(prefix + problem.message +
                      (action == "Save" ? "; Add to WAD... lets you give it a name." : "."));
            return;
        case ProblemKind::CannotWrite:
            ShowError(prefix + path + " was not written: " + ReasonOf(problem) + ".");
            return;
        default:
            ShowError(prefix + problem.message + ".");
            return;
    }
}

}  // namespace orrisbay::app
