#include "gameformats/wad_export.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "gameformats/texture_maker.h"
#include "gameformats/texture_names.h"
#include "gameformats/wad_edit.h"

namespace orrisbay::gameformats {
namespace {

std::string KindName(WadKind kind) {
    return kind == WadKind::Wad3 ? "WAD3" : "WAD2";
}

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string SizeText(const FIBITMAP* bitmap) {
    return std::to_string(freeimage_base::Width(bitmap)) + " x " +
           std::to_string(freeimage_base::Height(bitmap));
}

// The texture's name as it will be stored, or why it cannot be.
WadResult<std::string> StoredName(const ExportRequest& request, const WadFile& wad) {
    // A name taken from the file's name is held to the same rules as one given.
    const std::string fromFile = request.textureName.empty() ? FileName(request.path) : "";
    WadResult<std::string> name = CheckTextureName(TextureNameOf(request), wad.kind, fromFile);
    if (!name) {
        return name;
    }
    const auto found = FindLump(wad, name.value);
    if (found && !IsTextureLump(wad.lumps[*found], wad.kind)) {
        return WadFailure(WadProblem::NameTaken, "\"" + wad.lumps[*found].name + "\" in " +
                                                     FileName(request.path) +
                                                     " is a lump of another type, not a texture");
    }
    return name;
}

// Asks before a texture of the same name is replaced; true to go on.
bool MayPut(const WadFile& wad, const std::string& name, const std::string& path,
            const ExportQuestions& questions) {
    const auto found = FindLump(wad, name);
    return !found || questions.replaceTexture(wad.lumps[*found].name, path);
}

ExportResult Failed(ExportOutcome outcome, const WadStatus& status) {
    return {outcome, status.message};
}

ExportOutcome OutcomeOf(WadProblem problem) {
    switch (problem) {
        case WadProblem::NotWadSize:
            return ExportOutcome::NotWadSize;
        case WadProblem::BadName:
        case WadProblem::NameTaken:
            return ExportOutcome::BadTextureName;
        case WadProblem::NotWritten:
            return ExportOutcome::NotWritten;
        default:
            break;
    }
    return ExportOutcome::ConversionFailed;
}

std::vector<std::string> Warnings(const WadFile& wad, const MipTexture& texture, bool hasCoverage,
                                  const ExportRequest& request, bool wadExisted) {
    std::vector<std::string> warnings;
    if (IsSeeThroughName(texture.name) && !hasCoverage) {
        warnings.push_back("\"" + texture.name +
                           "\" is a see-through name, but the picture has no alpha: nothing is "
                           "see-through");
    } else if (IsSeeThroughName(texture.name) &&
               std::find(texture.mips[0].begin(), texture.mips[0].end(), kSeeThroughIndex) ==
                   texture.mips[0].end()) {
        warnings.push_back("\"" + texture.name +
                           "\" is a see-through name, but nothing in it is see-through: no "
                           "pixel is covered less than " +
                           std::to_string(request.seeThroughThreshold) + " of 255");
    }
    for (std::string warning :
         {SkySizeWarning(texture.name, wad.kind, texture.width, texture.height),
          AnimationGapWarning(wad, texture.name)}) {
        if (!warning.empty()) {
            warnings.push_back(std::move(warning));
        }
    }
    if (wadExisted && request.wadKind && *request.wadKind != wad.kind) {
        warnings.push_back(FileName(request.path) + " is a " + KindName(wad.kind) +
                           " file and stays one");
    }
    return warnings;
}

// Makes the texture, puts it into `wad` and writes the WAD whole.
ExportResult WriteIntoWad(WadFile& wad, const OutgoingTexture& texture, const std::string& name,
                          const ExportRequest& request,
                          const std::optional<quake_palette::Palette>& palette, bool existed) {
    const TextureOptions options{request.conversion, request.seeThroughThreshold};
    const auto made = MakeMipTexture(texture.colour, texture.coverage, name, wad.kind, options,
                                     palette.value_or(quake_palette::Palette{}));
    if (!made) {
        return Failed(OutcomeOf(made.status.problem), made.status);
    }
    const auto put = PutTexture(wad, EncodeMipTexture(made.value, wad.kind));
    if (!put) {
        return Failed(ExportOutcome::BadTextureName, put.status);
    }
    if (const WadStatus written = WriteWadFile(request.path, wad); !written) {
        return Failed(ExportOutcome::NotWritten, written);
    }
    const MipTexture& stored = made.value;
    ExportResult result(ExportOutcome::Written, "");
    result.wadEntry = WadEntry{stored.name, stored.width, stored.height, wad.kind, put.value};
    result.warnings = Warnings(wad, stored, texture.coverage != nullptr, request, existed);
    return result;
}

}  // namespace

ExportResult ExportToWad(OutgoingTexture texture, const ExportRequest& request,
                         const std::optional<quake_palette::Palette>& palette,
                         const ExportQuestions& questions) {
    std::error_code error;
    const bool existed = std::filesystem::exists(request.path, error);
    WadResult<WadFile> wad =
        OpenWadForEditing(request.path, request.wadKind.value_or(WadKind::Wad2));
    if (!wad) {
        return Failed(ExportOutcome::WadUnreadable, wad.status);
    }
    // A WAD3 texture brings a palette of its own.
    if (wad.value.kind == WadKind::Wad2 && !palette) {
        return {ExportOutcome::NoPalette, std::string(quake_palette::kUnavailableMessage)};
    }
    const WadResult<std::string> name = StoredName(request, wad.value);
    if (!name) {
        return Failed(ExportOutcome::BadTextureName, name.status);
    }
    if (CountLumps(wad.value, name.value) > 1) {
        return {ExportOutcome::WadUnreadable,
                request.path + ": " + std::to_string(CountLumps(wad.value, name.value)) +
                    " lumps are named \"" + name.value +
                    "\" (the WAD is damaged), so which one to replace is unknown; nothing was "
                    "changed"};
    }
    if (!MayPut(wad.value, name.value, request.path, questions)) {
        return {ExportOutcome::Cancelled, "the texture in the WAD was kept"};
    }
    if (texture.colour == nullptr) {
        return {ExportOutcome::NoTexture, "no image to save"};
    }
    if (texture.coverage != nullptr && SizeText(texture.coverage) != SizeText(texture.colour)) {
        return {ExportOutcome::ConversionFailed,
                "the see-through mask is " + SizeText(texture.coverage) + " but the texture is " +
                    SizeText(texture.colour)};
    }
    if (auto refused = FitToGrid(texture, true, questions, GameName(wad.value.kind))) {
        return *refused;
    }
    return WriteIntoWad(wad.value, texture, name.value, request, palette, existed);
}

}  // namespace orrisbay::gameformats
