#include "gameformats/wad_export.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "console/text.h"
#include "gameformats/texture_maker.h"
#include "gameformats/texture_names.h"
#include "gameformats/wad_edit.h"
#include "palette/game_palette.h"

namespace orrisbay::gameformats {
namespace {

using console::Quoted;

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

// The WAD a texture goes into, read (or empty, for a new one), with the
// texture's name as it will be stored and the lump it replaces, if any.
struct WadTarget {
    WadFile wad;
    bool existed = false;
    std::string name;
    std::optional<std::size_t> replaces;
};

// The texture's name as it will be stored, or why it cannot be.
Result<std::string> StoredName(const ExportRequest& request, const WadFile& wad) {
    // A name taken from the file's name is held to the same rules as one given.
    const std::string fromFile = request.textureName.empty() ? FileName(request.path) : "";
    Result<std::string> name = CheckTextureName(TextureNameOf(request), wad.kind, fromFile);
    if (!name) {
        return name;
    }
    const auto found = FindLump(wad, *name);
    if (found && !IsTextureLump(wad.lumps[*found], wad.kind)) {
        return Fail(ProblemKind::BreaksGameRule, Quoted(wad.lumps[*found].name) + " in " +
                                                     FileName(request.path) +
                                                     " is a lump of another type, not a texture");
    }
    return name;
}

// The checks before anything is asked: reading the WAD, the palette (a WAD3
// texture brings its own), the name, and a name the damaged WAD holds twice.
Result<WadTarget> OpenTarget(const ExportRequest& request,
                             const std::optional<quake_palette::Palette>& palette) {
    std::error_code error;
    WadTarget target;
    target.existed = std::filesystem::exists(request.path, error);
    Result<WadFile> wad = OpenWadForEditing(request.path, request.wadKind.value_or(WadKind::Wad2));
    if (!wad) {
        return wad.problem();
    }
    target.wad = std::move(*wad);
    if (target.wad.kind == WadKind::Wad2 && !palette) {
        return Fail(ProblemKind::NoPalette, std::string(quake_palette::kUnavailableMessage));
    }
    Result<std::string> name = StoredName(request, target.wad);
    if (!name) {
        return name.problem();
    }
    target.name = std::move(*name);
    if (const std::size_t count = CountLumps(target.wad, target.name); count > 1) {
        return Fail(ProblemKind::Damaged,
                    request.path + ": " + std::to_string(count) + " lumps are named " +
                        Quoted(target.name) +
                        " (the WAD is damaged), so which one to replace is unknown; nothing was "
                        "changed",
                    request.path);
    }
    target.replaces = FindLump(target.wad, target.name);
    return target;
}

// The checks of the texture itself, once its replacing is agreed.
Result<void> CheckTexture(const OutgoingTexture& texture) {
    if (texture.colour == nullptr) {
        return Fail(ProblemKind::NothingToWrite, "no image to save");
    }
    if (texture.coverage != nullptr && SizeText(texture.coverage) != SizeText(texture.colour)) {
        return Fail(ProblemKind::ConversionFailed,
                    "the see-through mask is " + SizeText(texture.coverage) +
                        " but the texture is " + SizeText(texture.colour));
    }
    return {};
}

std::vector<std::string> Warnings(const WadFile& wad, const MipTexture& texture, bool hasCoverage,
                                  const ExportRequest& request, bool wadExisted,
                                  const std::optional<quake_palette::Palette>& palette) {
    std::vector<std::string> warnings;
    // A WAD2 holds no palette: the game shows its textures in its own colours.
    if (wad.kind == WadKind::Wad2 && palette && !quake_palette::IsQuakePalette(*palette)) {
        warnings.push_back(FileName(request.path) + " holds no palette: " + Quoted(texture.name) +
                           " was made in another palette than Quake's, and shows as made only "
                           "in a game whose palette that is");
    }
    if (IsSeeThroughName(texture.name) && !hasCoverage) {
        warnings.push_back(Quoted(texture.name) +
                           " is a see-through name, but the picture has no alpha: nothing is "
                           "see-through");
    } else if (IsSeeThroughName(texture.name) &&
               std::find(texture.mips[0].begin(), texture.mips[0].end(), kSeeThroughIndex) ==
                   texture.mips[0].end()) {
        warnings.push_back(Quoted(texture.name) +
                           " is a see-through name, but nothing in it is see-through: no "
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

// Makes the texture, puts it into the WAD and writes the WAD whole.
Result<ExportWritten> WriteIntoWad(WadTarget& target, const OutgoingTexture& texture,
                                   const ExportRequest& request,
                                   const std::optional<quake_palette::Palette>& palette) {
    WadFile& wad = target.wad;
    const TextureOptions options{request.conversion, request.seeThroughThreshold, texture.glow};
    const auto made = MakeMipTexture(texture.colour, texture.coverage, target.name, wad.kind,
                                     options, palette.value_or(quake_palette::Palette{}));
    if (!made) {
        return made.problem();
    }
    const auto put = PutTexture(wad, EncodeMipTexture(*made, wad.kind));
    if (!put) {
        return put.problem();
    }
    if (const Result<void> written = WriteWadFile(request.path, wad); !written) {
        return written.problem();
    }
    const MipTexture& stored = *made;
    Result<ExportWritten> result(
        ExportWritten{WadEntry{stored.name, stored.width, stored.height, wad.kind, *put}});
    for (std::string& warning :
         Warnings(wad, stored, texture.coverage != nullptr, request, target.existed, palette)) {
        result.Warn(std::move(warning));
    }
    return result;
}

}  // namespace

Result<std::vector<ExportQuestion>> WadQuestions(
    const FIBITMAP* fullColour, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette) {
    Result<WadTarget> target = OpenTarget(request, palette);
    if (!target) {
        return target.problem();
    }
    std::vector<ExportQuestion> questions;
    if (target->replaces) {
        questions.push_back({ExportQuestion::About::ReplaceTexture,
                             request.path,
                             target->wad.lumps[*target->replaces].name,
                             {}});
    }
    if (fullColour == nullptr) {
        return questions;
    }
    if (const auto grid = GridQuestion(fullColour, true, GameName(target->wad.kind))) {
        questions.push_back({ExportQuestion::About::RescaleToGrid, request.path, {}, *grid});
    }
    return questions;
}

Result<ExportWritten> ExportToWad(OutgoingTexture texture, const ExportRequest& request,
                                  const std::optional<quake_palette::Palette>& palette,
                                  const ExportAnswers& answers) {
    Result<WadTarget> target = OpenTarget(request, palette);
    if (!target) {
        return target.problem();
    }
    if (target->replaces && !answers.replaceTexture) {
        return Fail(ProblemKind::Cancelled, "the texture in the WAD was kept", request.path);
    }
    if (Result<void> checked = CheckTexture(texture); !checked) {
        return checked.problem();
    }
    if (Result<void> fitted =
            FitToGrid(texture, true, answers.rescaleToGrid, GameName(target->wad.kind));
        !fitted) {
        return fitted.problem();
    }
    return WriteIntoWad(*target, texture, request, palette);
}

}  // namespace orrisbay::gameformats
