#include "gameformats/wal_export.h"

#include <filesystem>
#include <system_error>

#include "gameformats/wal_texture.h"
#include "palette/game_palette.h"

namespace orrisbay::gameformats {
namespace {

constexpr std::string_view kGame = "Quake II";

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The checks before anything is asked: a .wal is always in the palette.
Result<void> CheckWalOutput(const std::optional<quake_palette::Palette>& palette) {
    if (!palette) {
        return Fail(ProblemKind::NoPalette, std::string(quake_palette::kUnavailableMessage));
    }
    return {};
}

// Quake II draws a .wal in its own colours, whatever it was made in.
std::string PaletteWarning(const ExportRequest& request, const quake_palette::Palette& palette) {
    if (!quake_palette::IsQuakePalette(palette)) {
        return {};
    }
    return request.path +
           " was made in the Quake palette, but Quake II shows a .wal in its own colours "
           "(pics/colormap.pcx): choose that palette to make it as the game will show it";
}

}  // namespace

Result<std::vector<ExportQuestion>> WalQuestions(
    const FIBITMAP* fullColour, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette) {
    if (Result<void> checked = CheckWalOutput(palette); !checked) {
        return checked.problem();
    }
    std::vector<ExportQuestion> questions;
    if (FileExists(request.path)) {
        questions.push_back({ExportQuestion::About::ReplaceFile, request.path, {}, {}});
    }
    if (fullColour == nullptr) {
        return questions;
    }
    if (const auto grid = GridQuestion(fullColour, true, kGame)) {
        questions.push_back({ExportQuestion::About::RescaleToGrid, request.path, {}, *grid});
    }
    return questions;
}

Result<ExportWritten> ExportToWal(OutgoingTexture texture, const ExportRequest& request,
                                  const std::optional<quake_palette::Palette>& palette,
                                  const ExportAnswers& answers) {
    if (Result<void> checked = CheckWalOutput(palette); !checked) {
        return checked.problem();
    }
    if (FileExists(request.path) && !answers.replaceFile) {
        return Fail(ProblemKind::Cancelled, "the existing file was kept", request.path);
    }
    if (texture.colour == nullptr) {
        return Fail(ProblemKind::NothingToWrite, "no image to save");
    }
    if (Result<void> fitted = FitToGrid(texture, true, answers.rescaleToGrid, kGame); !fitted) {
        return fitted.problem();
    }
    const WalOptions options{
        .name = {}, .fields = request.wal, .conversion = request.conversion, .glow = texture.glow};
    Result<WalTexture> written = WriteWalTexture(texture.colour, request.path, options, *palette);
    if (!written) {
        return Forward<ExportWritten>(std::move(written));
    }
    Result<ExportWritten> result(ExportWritten{});
    result.Warn(PaletteWarning(request, *palette));
    return result;
}

}  // namespace orrisbay::gameformats
