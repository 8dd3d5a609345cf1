#include "cli/command_support.h"

#include <ostream>

#include "console/application.h"
#include "console/console.h"
#include "console/version.h"
#include "imageio/file_types.h"

namespace orrisbay::cli {

namespace {

// `text` as a sentence of its own: a capital first letter and a full stop.
std::string AsSentence(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    }
    return text.ends_with('.') ? text : text + ".";
}

int ExitCodeOf(gameformats::ExportOutcome outcome) {
    using gameformats::ExportOutcome;
    switch (outcome) {
        case ExportOutcome::Written:
            return kExitSuccess;
        case ExportOutcome::NoPalette:
            return kExitNoPalette;
        case ExportOutcome::NotWadSize:
            return kExitNotWadSize;
        case ExportOutcome::BadTextureName:
            return kExitUsage;
        case ExportOutcome::WadUnreadable:
            return kExitBadInput;
        case ExportOutcome::NoTexture:
        case ExportOutcome::RescaleFailed:
        case ExportOutcome::ConversionFailed:
            return kExitMergeFailed;
        case ExportOutcome::UnsupportedFormat:
        case ExportOutcome::Cancelled:
        case ExportOutcome::NotWritten:
            break;
    }
    return kExitOutputNotWritten;
}

}  // namespace

CommandResult AfterWarnings(const std::vector<std::string>& earlier, CommandResult later) {
    later.warnings.insert(later.warnings.begin(), earlier.begin(), earlier.end());
    return later;
}

CommandResult LoadInput(const std::string& path, freeimage_base::Bitmap& bitmap) {
    Result<freeimage_base::Bitmap> loaded = imageio::LoadImageFile(path);
    if (!loaded) {
        return {kExitBadInput, loaded.problem().message};
    }
    bitmap = std::move(*loaded);
    std::vector<std::string> warnings;
    for (const std::string& warning : loaded.warnings()) {
        warnings.push_back(path + ": " + warning);
    }
    return {kExitSuccess, {}, warnings};
}

GamePalette ReadGamePalette() {
    const std::string path = quake_palette::PaletteFilePath(console::ApplicationFolder());
    // The reader's own reports would show as boxes; the command says it once.
    const bool wasQuiet = console::QuietErrors();
    console::SetQuietErrors(true);
    const quake_palette::PaletteReadResult read = quake_palette::ReadPaletteFile(path);
    console::SetQuietErrors(wasQuiet);
    GamePalette game{read.ConversionPalette(), {}};
    if (!game.palette) {
        game.problem = {kExitNoPalette, std::string(quake_palette::kUnavailableMessage) + " " +
                                            AsSentence(read.Problem())};
    }
    return game;
}

CommandResult ExportOutcomeOf(const gameformats::ExportResult& exported, const std::string& output,
                              const GamePalette& game) {
    using gameformats::ExportOutcome;
    const int code = ExitCodeOf(exported.outcome);
    switch (exported.outcome) {
        case ExportOutcome::Written:
            return {code, {}, exported.warnings};
        case ExportOutcome::NoPalette:
            return game.problem.code != kExitSuccess ? game.problem
                                                     : CommandResult{code, exported.message};
        case ExportOutcome::NotWadSize:
            return {code, exported.message + " Use --rescale to do so."};
        case ExportOutcome::UnsupportedFormat:
        case ExportOutcome::Cancelled:
        case ExportOutcome::NotWritten:
            return {code, output + ": not written: " + exported.message};
        default:
            break;
    }
    return {code, exported.message};
}

int ReportUsageError(std::string_view program, const std::string& error, std::ostream& err) {
    err << program << ": " << error << "\nTry '" << program << " --help'.\n";
    return kExitUsage;
}

int ReportVersion(std::string_view program, std::ostream& out) {
    out << program << ' ' << console::kVersion << '\n';
    return kExitSuccess;
}

int ReportResult(std::string_view program, const CommandResult& result, std::ostream& err) {
    for (const std::string& warning : result.warnings) {
        err << program << ": warning: " << warning << '\n';
    }
    if (result.code != kExitSuccess) {
        err << program << ": " << result.message << '\n';
    }
    return result.code;
}

}  // namespace orrisbay::cli
