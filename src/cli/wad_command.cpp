#include "cli/wad_command.h"

#include <FreeImage.h>

#include <cstdio>
#include <iomanip>
#include <ostream>

#include "cli/command_support.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "gameformats/wad_edit.h"

namespace orrisbay::cli {
namespace {

using freeimage_base::Bitmap;
using gameformats::WadFile;
using gameformats::WadKind;
using gameformats::WadProblem;
using gameformats::WadStatus;

int ExitCodeOf(WadProblem problem) {
    switch (problem) {
        case WadProblem::None:
            return kExitSuccess;
        case WadProblem::Unreadable:
        case WadProblem::Damaged:
        case WadProblem::NoSuchLump:
        case WadProblem::NotATexture:
            return kExitBadInput;
        case WadProblem::BadName:
        case WadProblem::NameTaken:
            return kExitUsage;
        case WadProblem::NotWadSize:
            return kExitNotWadSize;
        case WadProblem::NotWritten:
            return kExitOutputNotWritten;
        case WadProblem::BadPicture:
        case WadProblem::ConversionFailed:
            break;
    }
    return kExitMergeFailed;
}

// The result for `status`, its message prefixed with `file` unless it names it already.
CommandResult FailureOf(const WadStatus& status, const std::string& file) {
    if (status.problem == WadProblem::NotWritten) {
        return {kExitOutputNotWritten, file + ": not written: " + status.message};
    }
    const bool named = status.message.starts_with(file + ":");
    return {ExitCodeOf(status.problem), named ? status.message : file + ": " + status.message};
}

void AddWarning(CommandResult& result, std::string warning) {
    if (!warning.empty()) {
        result.warnings.push_back(std::move(warning));
    }
}

std::string TypeName(const gameformats::WadLump& lump, WadKind kind) {
    if (lump.type == gameformats::TextureLumpType(kind)) {
        return "texture";
    }
    switch (lump.type) {
        case 0x40:
            return "palette";
        case 0x42:
            return "picture";
        default:
            break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02x", lump.type);
    return hex;
}

// An edit of an existing WAD, written back whole; a missing WAD gives exit 66.
CommandResult EditExistingWad(const std::string& path,
                              const std::function<WadStatus(WadFile&)>& edit) {
    const WadStatus edited = gameformats::EditWadFile(path, edit);
    return edited ? CommandResult{} : FailureOf(edited, path);
}

CommandResult List(const WadCommand& command, std::ostream& out) {
    const auto wad = gameformats::ReadWadFile(command.wad);
    if (!wad) {
        return FailureOf(wad.status, command.wad);
    }
    for (const gameformats::WadLump& lump : wad.value.lumps) {
        out << std::left << std::setw(16) << lump.name << ' ' << std::setw(8)
            << TypeName(lump, wad.value.kind) << ' ' << std::right << std::setw(9)
            << lump.data.size();
        if (const auto texture = gameformats::DecodeMipTexture(lump, wad.value.kind); texture) {
            out << "  " << texture.value.width << " x " << texture.value.height;
        }
        out << '\n';
    }
    return {};
}

CommandResult Extract(const WadCommand& command, std::ostream& out) {
    const auto wad = gameformats::ReadWadFile(command.wad);
    if (!wad) {
        return FailureOf(wad.status, command.wad);
    }
    const std::string& name = command.operands[0];
    if (const auto texture = gameformats::FindTexture(wad.value, name); !texture) {
        return FailureOf(texture.status, command.wad);
    }
    // A WAD3 texture carries its colours; a WAD2 texture needs the game's.
    const GamePalette game = wad.value.kind == WadKind::Wad2
                                 ? ReadGamePalette()
                                 : GamePalette{quake_palette::Palette{}, {}};
    if (!game.palette) {
        return game.problem;
    }
    const WadStatus extracted =
        gameformats::ExtractTexture(wad.value, name, *game.palette, command.output);
    if (!extracted) {
        return extracted.problem == WadProblem::NotWritten ? FailureOf(extracted, command.output)
                                                           : FailureOf(extracted, command.wad);
    }
    out << "extracted " << name << " to " << command.output << '\n';
    return {};
}

CommandResult Remove(const WadCommand& command, std::ostream& out) {
    const std::string& name = command.operands[0];
    std::string gap;
    CommandResult result = EditExistingWad(command.wad, [&](WadFile& wad) {
        const WadStatus removed = gameformats::RemoveLump(wad, name);
        gap = gameformats::AnimationGapWarning(wad, name);
        return removed;
    });
    if (result.code == kExitSuccess) {
        AddWarning(result, gap);
        out << "removed " << name << " from " << command.wad << '\n';
    }
    return result;
}

CommandResult Rename(const WadCommand& command, std::ostream& out) {
    const std::string& from = command.operands[0];
    const std::string& to = command.operands[1];
    std::vector<std::string> warnings;
    CommandResult result = EditExistingWad(command.wad, [&](WadFile& wad) {
        const WadStatus renamed = gameformats::RenameLump(wad, from, to);
        if (!renamed) {
            return renamed;
        }
        warnings = {gameformats::AnimationGapWarning(wad, from),
                    gameformats::AnimationGapWarning(wad, to)};
        if (const auto texture = gameformats::FindTexture(wad, to); texture) {
            warnings.push_back(gameformats::SkySizeWarning(
                texture.value.name, wad.kind, texture.value.width, texture.value.height));
        }
        return renamed;
    });
    if (result.code == kExitSuccess) {
        for (std::string& warning : warnings) {
            AddWarning(result, std::move(warning));
        }
        out << "renamed " << from << " to " << to << " in " << command.wad << '\n';
    }
    return result;
}

// The see-through mask for `picture`: the --mask file, else the picture's own alpha.
CommandResult LoadMask(const WadCommand& command, const FIBITMAP* picture, Bitmap& mask) {
    if (!command.mask.empty()) {
        return LoadInput(command.mask, mask);
    }
    if (freeimage_base::ImageType(picture) == FIT_BITMAP && freeimage_base::Bpp(picture) == 32) {
        mask = freeimage_base::GetChannel(picture, FICC_ALPHA);
    }
    return {};
}

// Adds the picture through the same export as the window and orrisbay-blend.
CommandResult Add(const WadCommand& command, std::ostream& out) {
    const std::string& file = command.operands[0];
    Bitmap picture, mask;
    const CommandResult loaded = LoadInput(file, picture);
    if (loaded.code != kExitSuccess) {
        return loaded;
    }
    const CommandResult masked =
        AfterWarnings(loaded.warnings, LoadMask(command, picture.get(), mask));
    if (masked.code != kExitSuccess) {
        return masked;
    }
    gameformats::ExportRequest request{
        .path = command.wad,
        .toPalette = true,
        .conversion = command.texture.conversion,
        .textureName =
            command.name.empty() ? gameformats::TextureNameFromFileName(file) : command.name,
        .wadKind = command.wad3 ? std::optional(WadKind::Wad3) : std::nullopt,
        .seeThroughThreshold = command.texture.seeThroughThreshold};
    const gameformats::ExportQuestions answers{
        [](const std::string&) { return true; },
        [](const std::string&, const std::string&) { return true; },
        [&command](const gameformats::RescaleQuestion&) { return command.rescale; }};
    const GamePalette game = ReadGamePalette();
    const gameformats::ExportResult exported =
        gameformats::ExportTexture(picture.get(), request, game.palette, answers, mask.get());
    if (exported.wadEntry) {
        const gameformats::WadEntry& entry = *exported.wadEntry;
        out << (entry.replaced ? "replaced " : "added ") << entry.name << " (" << entry.width
            << " x " << entry.height << ") " << (entry.replaced ? "in " : "to ") << command.wad
            << '\n';
    }
    return AfterWarnings(masked.warnings, ExportOutcomeOf(exported, command.wad, game));
}

CommandResult Run(const WadCommand& command, std::ostream& out) {
    if (command.verb == "list") {
        return List(command, out);
    }
    if (command.verb == "extract") {
        return Extract(command, out);
    }
    if (command.verb == "remove") {
        return Remove(command, out);
    }
    if (command.verb == "rename") {
        return Rename(command, out);
    }
    if (command.verb == "check") {
        return CheckFullbrights(command.wad, out);
    }
    if (command.verb == "defullbright") {
        return Defullbright(command.wad, command.operands, command.fullbright, out);
    }
    return Add(command, out);
}

}  // namespace

int RunWad(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    const ParsedWadCommand parsed = ParseWadArguments(arguments);
    if (!parsed.error.empty()) {
        return ReportUsageError(kWadProgramName, parsed.error, err);
    }
    if (parsed.command.help) {
        out << WadUsageText();
        return kExitSuccess;
    }
    if (parsed.command.version) {
        return ReportVersion(kWadProgramName, out);
    }
    return ReportResult(kWadProgramName, Run(parsed.command, out), err);
}

}  // namespace orrisbay::cli
