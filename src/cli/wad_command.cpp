#include "cli/wad_command.h"

#include <FreeImage.h>

#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <ostream>

#include "cli/command_support.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "gameformats/wad_edit.h"
#include "slots/parallel_for.h"
#include "slots/rescale.h"
#include "slots/slot_table.h"

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
    const bool named =
        status.message.starts_with(file + ":") || status.message.starts_with(file + " ");
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
    bool duplicates = false;
    for (const gameformats::WadLump& lump : wad.value.lumps) {
        out << std::left << std::setw(16) << lump.name << ' ' << std::setw(8)
            << TypeName(lump, wad.value.kind) << ' ' << std::right << std::setw(9)
            << lump.data.size();
        if (const auto texture = gameformats::DecodeMipTexture(lump, wad.value.kind); texture) {
            out << "  " << texture.value.width << " x " << texture.value.height;
        }
        if (gameformats::CountLumps(wad.value, lump.name) > 1) {
            out << "  (duplicate name)";
            duplicates = true;
        }
        out << '\n';
    }
    CommandResult listed;
    if (duplicates) {
        AddWarning(listed, command.wad +
                               " is damaged: lumps marked (duplicate name) share a name, which "
                               "the game and the edits of this command cannot tell apart");
    }
    return listed;
}

CommandResult Extract(const WadCommand& command, std::ostream& out) {
    const auto wad = gameformats::ReadWadFile(command.wad);
    if (!wad) {
        return FailureOf(wad.status, command.wad);
    }
    const auto texture = gameformats::FindTexture(wad.value, command.operands[0]);
    if (!texture) {
        return FailureOf(texture.status, command.wad);
    }
    const std::string& name = texture.value.name;  // as the WAD stores it
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
    std::string name = command.operands[0];
    std::string gap;
    CommandResult result = EditExistingWad(command.wad, [&](WadFile& wad) {
        if (const auto found = gameformats::FindLump(wad, name)) {
            name = wad.lumps[*found].name;  // told as the WAD stores it
        }
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
    std::string from = command.operands[0];
    std::string to = command.operands[1];
    std::vector<std::string> warnings;
    CommandResult result = EditExistingWad(command.wad, [&](WadFile& wad) {
        const auto found = gameformats::FindLump(wad, from);
        const std::string stored = found ? wad.lumps[*found].name : from;
        const WadStatus renamed = gameformats::RenameLump(wad, from, to);
        if (!renamed) {
            return renamed;
        }
        // Told as the WAD stores them (a WAD3 in lower case).
        from = stored;
        to = wad.lumps[*found].name;
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

// The see-through mask for `picture`: the --mask file (scaled to the
// picture's size when it has another, as orrisbay-blend scales its masks),
// else the picture's own alpha.
CommandResult LoadMask(const WadCommand& command, const FIBITMAP* picture, Bitmap& mask) {
    if (!command.mask.empty()) {
        CommandResult loaded = LoadInput(command.mask, mask);
        const unsigned width = freeimage_base::Width(picture);
        const unsigned height = freeimage_base::Height(picture);
        if (loaded.code == kExitSuccess && (freeimage_base::Width(mask.get()) != width ||
                                            freeimage_base::Height(mask.get()) != height)) {
            mask = slots::ResizeBitmap(slots::NormalisedMask(std::move(mask), 1).get(),
                                       static_cast<int>(width), static_cast<int>(height),
                                       FILTER_BICUBIC, slots::MachineThreads());
            if (!mask) {
                return {kExitMergeFailed, command.mask + ": could not be scaled to " +
                                              std::to_string(width) + " x " +
                                              std::to_string(height)};
            }
        }
        return loaded;
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
    // A name taken from the picture's file is held to the rules a --name is.
    std::string name = command.name;
    if (name.empty()) {
        const std::string fileName = std::filesystem::path(file).filename().string();
        const auto fromFile = gameformats::CheckTextureName(
            gameformats::TextureNameFromFileName(file), WadKind::Wad2, fileName);
        if (!fromFile) {
            return {kExitUsage, fromFile.status.message + "; give a name with --name"};
        }
        name = fromFile.value;
    }
    CommandResult told = masked;
    if (!command.mask.empty() && !gameformats::IsSeeThroughName(name)) {
        AddWarning(told, "--mask is for see-through textures, whose names start with {; \"" + name +
                             "\" is not one, so the mask was not used");
    }
    gameformats::ExportRequest request{
        .path = command.wad,
        .toPalette = true,
        .conversion = command.texture.conversion,
        .textureName = name,
        .wadKind = command.wad3 ? std::optional(WadKind::Wad3) : std::nullopt,
        .seeThroughThreshold = command.texture.seeThroughThreshold,
        .kind = gameformats::OutputKind::Wad};
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
    return AfterWarnings(told.warnings, ExportOutcomeOf(exported, command.wad, game));
}

CommandResult Run(const WadCommand& command, std::ostream& out) {
    // The WAD argument is a WAD, whatever its name; only add may make one.
    if (const WadStatus target = gameformats::CheckWadTarget(command.wad, command.verb == "add");
        !target) {
        return FailureOf(target, command.wad);
    }
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
