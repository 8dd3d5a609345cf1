#include "gameformats/texture_export.h"

#include <filesystem>
#include <system_error>

#include "gameformats/texture_rules.h"
#include "gameformats/wad2.h"
#include "imageio/file_types.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {

namespace {

using freeimage_base::Bitmap;

ExportResult FromSave(const imageio::SaveResult& saved) {
    if (saved) {
        return {ExportOutcome::Written, {}};
    }
    return {ExportOutcome::NotWritten, saved.message};
}

// Checks what can be checked before anything is asked or computed.
std::optional<ExportResult> RefusedRequest(OutputKind kind, bool toPalette,
                                           const std::optional<quake_palette::Palette>& palette) {
    if (kind == OutputKind::Unsupported) {
        return ExportResult{ExportOutcome::UnsupportedFormat,
                            std::string(imageio::kUnsupportedSaveFormatMessage)};
    }
    if (toPalette && !palette) {
        return ExportResult{ExportOutcome::NoPalette,
                            std::string(quake_palette::kUnavailableMessage)};
    }
    return std::nullopt;
}

// The texture on the 16-pixel grid when the caller wants it there; `holder`
// keeps a rescaled copy. A WAD cannot take a texture off the grid.
std::optional<ExportResult> FitToGrid(const FIBITMAP*& texture, bool wad, Bitmap& holder,
                                      const ExportQuestions& questions) {
    const unsigned width = freeimage_base::Width(texture);
    const unsigned height = freeimage_base::Height(texture);
    if (IsWadTextureSize(width, height)) {
        return std::nullopt;
    }
    const RescaleQuestion question{
        static_cast<int>(width), static_cast<int>(height), wad,
        TextureSizeMessage(static_cast<int>(width), static_cast<int>(height))};
    if (!questions.rescaleToGrid(question)) {
        return wad ? std::optional(ExportResult{ExportOutcome::NotWadSize, question.text})
                   : std::nullopt;
    }
    holder = RescaleToMultipleOf16(texture);
    if (!holder) {
        return ExportResult{ExportOutcome::RescaleFailed, "the texture could not be rescaled"};
    }
    texture = holder.get();
    return std::nullopt;
}

ExportResult WritePicture(const FIBITMAP* texture, const ExportRequest& request,
                          const quake_palette::Palette* palette) {
    if (palette == nullptr) {
        return FromSave(imageio::SaveImageFile(texture, request.path));
    }
    const Bitmap converted =
        quake_palette::ConvertToQuakePalette(texture, *palette, request.conversion);
    if (!converted) {
        return {ExportOutcome::ConversionFailed,
                "the texture could not be converted to the Quake palette"};
    }
    return FromSave(imageio::SaveImageFile(converted.get(), request.path));
}

}  // namespace

OutputKind OutputKindOf(std::string_view path) {
    if (imageio::FileExtension(path) == ".wad") {
        return OutputKind::Wad;
    }
    const imageio::SaveFormat* format = imageio::FindSaveFormat(path);
    if (format == nullptr) {
        return OutputKind::Unsupported;
    }
    return format->format == FIF_JPEG ? OutputKind::Jpeg : OutputKind::Picture;
}

ExportResult ExportTexture(const FIBITMAP* fullColour, const ExportRequest& request,
                           const std::optional<quake_palette::Palette>& palette,
                           const ExportQuestions& questions) {
    const OutputKind kind = OutputKindOf(request.path);
    const bool wad = kind == OutputKind::Wad;
    const bool toPalette = wad || request.toPalette;
    if (auto refused = RefusedRequest(kind, toPalette, palette)) {
        return *refused;
    }
    std::error_code error;
    if (std::filesystem::exists(request.path, error) && !questions.replaceFile(request.path)) {
        return {ExportOutcome::Cancelled, "the existing file was kept"};
    }
    if (fullColour == nullptr) {
        return {ExportOutcome::NoTexture, "no image to save"};
    }
    const FIBITMAP* texture = fullColour;
    Bitmap rescaled;
    if (toPalette) {
        if (auto refused = FitToGrid(texture, wad, rescaled, questions)) {
            return *refused;
        }
    }
    if (wad) {
        return FromSave(SaveQuakeWad(texture, request.path, request.conversion, *palette));
    }
    return WritePicture(texture, request, toPalette ? &*palette : nullptr);
}

ExportResult RepeatExport(const FIBITMAP* fullColour, const RepeatedExport& repeated,
                          const std::optional<quake_palette::Palette>& palette) {
    const ExportQuestions answers{
        [](const std::string&) { return true; },
        [&repeated](const RescaleQuestion&) { return repeated.rescaleToGrid; }};
    return ExportTexture(fullColour, repeated.request, palette, answers);
}

}  // namespace orrisbay::gameformats
