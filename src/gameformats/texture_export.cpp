#include "gameformats/texture_export.h"

#include <filesystem>
#include <system_error>

#include "gameformats/grid_fit.h"
#include "gameformats/mip_texture.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "gameformats/wad_export.h"
#include "imageio/file_types.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {

namespace {

using freeimage_base::Bitmap;

ExportResult FromSave(const imageio::SaveResult& saved) {
    if (saved) {
        return {ExportOutcome::Written, ""};
    }
    return {ExportOutcome::NotWritten, saved.message};
}

ExportResult WritePicture(const FIBITMAP* texture, const ExportRequest& request,
                          const quake_palette::Palette* palette) {
    const auto compression =
        request.keptOutput ? imageio::PngCompression::Fast : imageio::PngCompression::Default;
    if (palette == nullptr) {
        return FromSave(imageio::SaveImageFile(texture, request.path, compression));
    }
    const Bitmap converted =
        quake_palette::ConvertToQuakePalette(texture, *palette, request.conversion);
    if (!converted) {
        return {ExportOutcome::ConversionFailed,
                "the texture could not be converted to the Quake palette"};
    }
    return FromSave(imageio::SaveImageFile(converted.get(), request.path, compression));
}

ExportResult ExportPicture(const FIBITMAP* fullColour, OutputKind kind,
                           const ExportRequest& request,
                           const std::optional<quake_palette::Palette>& palette,
                           const ExportQuestions& questions) {
    if (kind == OutputKind::Unsupported) {
        return {ExportOutcome::UnsupportedFormat,
                std::string(imageio::kUnsupportedSaveFormatMessage)};
    }
    if (request.toPalette && !palette) {
        return {ExportOutcome::NoPalette, std::string(quake_palette::kUnavailableMessage)};
    }
    std::error_code error;
    if (std::filesystem::exists(request.path, error) && !questions.replaceFile(request.path)) {
        return {ExportOutcome::Cancelled, "the existing file was kept"};
    }
    if (fullColour == nullptr) {
        return {ExportOutcome::NoTexture, "no image to save"};
    }
    OutgoingTexture texture(fullColour, nullptr);
    // An 8-bit picture may be of any size; the grid is only offered.
    if (request.toPalette) {
        if (auto refused = FitToGrid(texture, false, questions)) {
            return *refused;
        }
    }
    return WritePicture(texture.colour, request, request.toPalette ? &*palette : nullptr);
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

std::string TextureNameOf(const ExportRequest& request) {
    return request.textureName.empty() ? TextureNameFromFileName(request.path)
                                       : request.textureName;
}

bool TakesCoverage(const ExportRequest& request) {
    return OutputKindOf(request.path) == OutputKind::Wad &&
           IsSeeThroughName(TextureNameOf(request));
}

ExportResult ExportTexture(const FIBITMAP* fullColour, const ExportRequest& request,
                           const std::optional<quake_palette::Palette>& palette,
                           const ExportQuestions& questions, const FIBITMAP* coverage) {
    const OutputKind kind = OutputKindOf(request.path);
    if (kind == OutputKind::Wad) {
        return ExportToWad({fullColour, coverage}, request, palette, questions);
    }
    return ExportPicture(fullColour, kind, request, palette, questions);
}

ExportResult RepeatExport(const FIBITMAP* fullColour, const RepeatedExport& repeated,
                          const std::optional<quake_palette::Palette>& palette,
                          const FIBITMAP* coverage) {
    const ExportQuestions answers{
        [](const std::string&) { return true; },
        [](const std::string&, const std::string&) { return true; },
        [&repeated](const RescaleQuestion&) { return repeated.rescaleToGrid; }};
    return ExportTexture(fullColour, repeated.request, palette, answers, coverage);
}

RepeatedExport ExportToRepeat(ExportRequest request, bool rescaleToGrid,
                              const ExportResult& written) {
    if (written.wadEntry) {
        request.wadKind = written.wadEntry->kind;
    }
    request.keptOutput = true;
    return {std::move(request), rescaleToGrid};
}

bool WritesSameOutput(const ExportRequest& a, const ExportRequest& b) {
    std::error_code error;
    const bool sameFile = a.path == b.path || std::filesystem::equivalent(a.path, b.path, error);
    if (!sameFile || OutputKindOf(a.path) != OutputKind::Wad) {
        return sameFile;
    }
    return SameLumpName(TextureNameOf(a), TextureNameOf(b));
}

}  // namespace orrisbay::gameformats
