#include "cli/command_support.h"

#include <FreeImage.h>

#include <filesystem>
#include <ostream>
#include <system_error>

#include "console/application.h"
#include "console/console.h"
#include "console/version.h"
#include "imageio/file_types.h"

namespace orrisbay::cli {

namespace {

namespace fs = std::filesystem;

// Why a file whose type was accepted could not be read.
std::string UnreadableReason(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return "no such file";
    }
    if (fs::is_directory(status)) {
        return "is a folder, not an image file";
    }
    const imageio::FileTypeRow* row = imageio::FindFileType(imageio::FileExtension(path));
    const char* format = row ? FreeImage_GetFormatFromFIF(row->format) : nullptr;
    return std::string("cannot be read as a ") + (format ? format : "supported") + " image";
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
    std::error_code error;
    if (imageio::FindFileType(imageio::FileExtension(path)) != nullptr &&
        !fs::exists(path, error)) {
        return {kExitBadInput, path + ": no such file"};  // spares the library's own complaint
    }
    imageio::LoadResult result = imageio::LoadImageFile(path);
    switch (result.outcome) {
        case imageio::LoadOutcome::Loaded:
            bitmap = std::move(result.bitmap);
            if (!result.warning.empty()) {
                return {kExitSuccess, {}, {path + ": " + result.warning}};
            }
            return {};
        case imageio::LoadOutcome::InvalidFormat:
            return {kExitBadInput,
                    path + ": unsupported file type (use .bmp, .gif, .jpg, .jpeg, .png or .tga)"};
        case imageio::LoadOutcome::TooLarge:
            return {kExitBadInput, path + ": " + result.message};
        case imageio::LoadOutcome::LoadFailed:
            break;
    }
    return {kExitBadInput, path + ": " + UnreadableReason(path)};
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
        game.problem = {kExitNoPalette,
                        std::string(quake_palette::kUnavailableMessage) + " " + read.Problem()};
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
