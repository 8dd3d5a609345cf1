#include "gameformats/texture_export.h"

#include <filesystem>
#include <system_error>

#include "gameformats/bsp_export.h"
#include "gameformats/glow_map.h"
#include "gameformats/grid_fit.h"
#include "gameformats/mip_texture.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "gameformats/wad_export.h"
#include "gameformats/wal_export.h"
#include "gameformats/wal_file.h"
#include "imageio/file_types.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {

namespace {

using freeimage_base::Bitmap;

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// A write that failed, told as the export tells every write it could not make.
Problem NotWritten(const Problem& problem, const std::string& path) {
    return Fail(ProblemKind::CannotWrite, problem.message, path);
}

Result<ExportWritten> WritePicture(const OutgoingTexture& texture, const ExportRequest& request,
                                   const quake_palette::Palette* palette) {
    const FIBITMAP* written = texture.colour;
    Bitmap converted;
    if (palette != nullptr) {
        Result<Bitmap> made = quake_palette::ConvertPicture(texture.colour, *palette,
                                                            request.conversion, texture.glow);
        if (!made) {
            return texture.glow != nullptr
                       ? made.problem()
                       : Fail(ProblemKind::ConversionFailed,
                              "the texture could not be converted to the Quake palette");
        }
        converted = std::move(*made);
        written = converted.get();
    }
    const auto compression =
        request.keptOutput ? imageio::PngCompression::Fast : imageio::PngCompression::Default;
    if (const Result<void> saved = imageio::SaveImageFile(written, request.path, compression);
        !saved) {
        return NotWritten(saved.problem(), request.path);
    }
    if (request.glowOutput && texture.glow != nullptr) {
        const std::string glowPath = GlowMapPath(request.path);
        const Result<void> glowSaved = WriteGlowMap(texture.colour, texture.glow, glowPath);
        if (!glowSaved) {
            return NotWritten(glowSaved.problem(), glowPath);
        }
    }
    return ExportWritten{};
}

// The checks a picture output makes before anything is asked.
Result<void> CheckPictureOutput(OutputKind kind, const ExportRequest& request,
                                const std::optional<quake_palette::Palette>& palette) {
    if (kind == OutputKind::Unsupported) {
        return Fail(ProblemKind::CannotWrite,
                    request.path + ": " + std::string(imageio::kUnsupportedSaveFormatMessage),
                    request.path);
    }
    if (request.toPalette && !palette) {
        return Fail(ProblemKind::NoPalette, std::string(quake_palette::kUnavailableMessage));
    }
    return {};
}

Result<std::vector<ExportQuestion>> PictureQuestions(
    const FIBITMAP* fullColour, OutputKind kind, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette) {
    if (Result<void> checked = CheckPictureOutput(kind, request, palette); !checked) {
        return checked.problem();
    }
    std::vector<ExportQuestion> questions;
    if (FileExists(request.path)) {
        questions.push_back({ExportQuestion::About::ReplaceFile, request.path, {}, {}});
    }
    if (fullColour == nullptr) {
        return questions;
    }
    // An 8-bit picture may be of any size; the grid is only offered.
    if (const auto grid = request.toPalette ? GridQuestion(fullColour, false) : std::nullopt) {
        questions.push_back({ExportQuestion::About::RescaleToGrid, request.path, {}, *grid});
    }
    return questions;
}

Result<ExportWritten> ExportPicture(OutgoingTexture texture, OutputKind kind,
                                    const ExportRequest& request,
                                    const std::optional<quake_palette::Palette>& palette,
                                    const ExportAnswers& answers) {
    if (Result<void> checked = CheckPictureOutput(kind, request, palette); !checked) {
        return checked.problem();
    }
    if (FileExists(request.path) && !answers.replaceFile) {
        return Fail(ProblemKind::Cancelled, "the existing file was kept", request.path);
    }
    if (texture.colour == nullptr) {
        return Fail(ProblemKind::NothingToWrite, "no image to save");
    }
    if (request.toPalette) {
        if (Result<void> fitted = FitToGrid(texture, false, answers.rescaleToGrid); !fitted) {
            return fitted.problem();
        }
    }
    return WritePicture(texture, request, request.toPalette ? &*palette : nullptr);
}

}  // namespace

OutputKind OutputKindOf(std::string_view path) {
    if (imageio::FileExtension(path) == ".wad") {
        return OutputKind::Wad;
    }
    if (imageio::FileExtension(path) == ".bsp") {
        return OutputKind::Map;
    }
    if (IsWalPath(path)) {
        return OutputKind::Wal;
    }
    const imageio::SaveFormat* format = imageio::FindSaveFormat(path);
    if (format == nullptr) {
        return OutputKind::Unsupported;
    }
    return format->format == FIF_JPEG ? OutputKind::Jpeg : OutputKind::Picture;
}

OutputKind OutputKindOf(const ExportRequest& request) {
    return request.kind.value_or(OutputKindOf(request.path));
}

std::string TextureNameOf(const ExportRequest& request) {
    // A map's file is named after the level, not after any of its textures.
    return request.textureName.empty() && OutputKindOf(request) != OutputKind::Map
               ? TextureNameFromFileName(request.path)
               : request.textureName;
}

bool TakesCoverage(const ExportRequest& request) {
    const OutputKind kind = OutputKindOf(request);
    return (kind == OutputKind::Wad || kind == OutputKind::Map) &&
           IsSeeThroughName(TextureNameOf(request));
}

Result<ExportWritten> ExportTexture(const FIBITMAP* fullColour, const ExportRequest& request,
                                    const std::optional<quake_palette::Palette>& palette,
                                    const ExportAnswers& answers, const FIBITMAP* coverage,
                                    const FIBITMAP* glow) {
    const OutputKind kind = OutputKindOf(request);
    OutgoingTexture texture(fullColour, kind == OutputKind::Wal ? nullptr : coverage, glow);
    if (Result<void> fitted = FitGlowToTexture(texture); !fitted) {
        return fitted.problem();
    }
    if (kind == OutputKind::Wad) {
        return ExportToWad(std::move(texture), request, palette, answers);
    }
    if (kind == OutputKind::Map) {
        return ExportMapTexture(std::move(texture), request, palette, answers);
    }
    if (kind == OutputKind::Wal) {
        return ExportToWal(std::move(texture), request, palette, answers);
    }
    return ExportPicture(std::move(texture), kind, request, palette, answers);
}

Result<std::vector<ExportQuestion>> ExportQuestionsFor(
    const FIBITMAP* fullColour, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette) {
    const OutputKind kind = OutputKindOf(request);
    if (kind == OutputKind::Wad) {
        return WadQuestions(fullColour, request, palette);
    }
    if (kind == OutputKind::Map) {
        return MapQuestions(fullColour, request, palette);
    }
    if (kind == OutputKind::Wal) {
        return WalQuestions(fullColour, request, palette);
    }
    return PictureQuestions(fullColour, kind, request, palette);
}

Result<ExportWritten> RepeatExport(const FIBITMAP* fullColour, const RepeatedExport& repeated,
                                   const std::optional<quake_palette::Palette>& palette,
                                   const FIBITMAP* coverage, const FIBITMAP* glow) {
    // The file (or the WAD's texture) is the one written before: replaced without asking.
    const ExportAnswers answers{true, true, repeated.rescaleToGrid};
    return ExportTexture(fullColour, repeated.request, palette, answers, coverage, glow);
}

RepeatedExport ExportToRepeat(ExportRequest request, bool rescaleToGrid,
                              const ExportWritten& written) {
    if (written.wadEntry) {
        request.wadKind = written.wadEntry->kind;
    }
    request.keptOutput = true;
    return {std::move(request), rescaleToGrid};
}

bool WritesSameOutput(const ExportRequest& a, const ExportRequest& b) {
    std::error_code error;
    const bool sameFile = a.path == b.path || std::filesystem::equivalent(a.path, b.path, error);
    const OutputKind kind = OutputKindOf(a);
    if (!sameFile || (kind != OutputKind::Wad && kind != OutputKind::Map)) {
        return sameFile;
    }
    return SameLumpName(TextureNameOf(a), TextureNameOf(b));
}

}  // namespace orrisbay::gameformats
