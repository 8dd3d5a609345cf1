#include "cli/wad_command.h"

#include <FreeImage.h>

#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <ostream>

#include "cli/command_support.h"
#include "cli/wad_fullbright_command.h"
#include "gameformats/texture_export.h"
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

// The problem `problem` of the WAD at `file` as the command tells it: a file
// not written says so, and every message names the file.
Problem FailureOf(const Problem& problem, const std::string& file) {
    if (problem.kind == ProblemKind::CannotWrite) {
        return Fail(problem.kind, file + ": not written: " + ReasonOf(problem), file);
    }
    const bool named =
        problem.message.starts_with(file + ":") || problem.message.starts_with(file + " ");
    return Fail(problem.kind, named ? problem.message : file + ": " + problem.message, file);
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
Result<void> EditExistingWad(const std::string& path,
                             const std::function<Result<void>(WadFile&)>& edit) {
    const Result<void> edited = gameformats::EditWadFile(path, edit);
    return edited ? Result<void>() : Result<void>(FailureOf(edited.problem(), path));
}

Result<void> List(const WadCommand& command, std::ostream& out) {
    const auto wad = gameformats::ReadWadFile(command.wad);
    if (!wad) {
        return FailureOf(wad.problem(), command.wad);
    }
    bool duplicates = false;
    for (const gameformats::WadLump& lump : wad.value().lumps) {
        out << std::left << std::setw(16) << lump.name << ' ' << std::setw(8)
            << TypeName(lump, wad.value().kind) << ' ' << std::right << std::setw(9)
            << lump.data.size();
        if (const auto texture = gameformats::DecodeMipTexture(lump, wad.value().kind); texture) {
            out << "  " << texture.value().width << " x " << texture.value().height;
        }
        if (gameformats::CountLumps(wad.value(), lump.name) > 1) {
            out << "  (duplicate name)";
            duplicates = true;
        }
        out << '\n';
    }
    Result<void> listed;
    if (duplicates) {
        listed.Warn(command.wad +
                    " is damaged: lumps marked (duplicate name) share a name, which "
                    "the game and the edits of this command cannot tell apart");
    }
    return listed;
}

Result<void> Extract(const WadCommand& command, std::ostream& out) {
    const auto wad = gameformats::ReadWadFile(command.wad);
    if (!wad) {
        return FailureOf(wad.problem(), command.wad);
    }
    const auto texture = gameformats::FindTexture(wad.value(), command.operands[0]);
    if (!texture) {
        return FailureOf(texture.problem(), command.wad);
    }
    const std::string& name = texture.value().name;  // as the WAD stores it
    // A WAD3 texture carries its colours; a WAD2 texture needs the game's.
    const Result<quake_palette::Palette> game =
        wad->kind == WadKind::Wad2 ? ReadGamePalette(command.palette) : quake_palette::Palette{};
    if (!game) {
        return game.problem();
    }
    const Result<void> extracted = gameformats::ExtractTexture(*wad, name, *game, command.output);
    if (!extracted) {
        const bool written = extracted.problem().kind == ProblemKind::CannotWrite;
        return FailureOf(extracted.problem(), written ? command.output : command.wad);
    }
    out << "extracted " << name << " to " << command.output << '\n';
    return {};
}

Result<void> Remove(const WadCommand& command, std::ostream& out) {
    std::string name = command.operands[0];
    std::string gap;
    Result<void> result = EditExistingWad(command.wad, [&](WadFile& wad) {
        if (const auto found = gameformats::FindLump(wad, name)) {
            name = wad.lumps[*found].name;  // told as the WAD stores it
        }
        const Result<void> removed = gameformats::RemoveLump(wad, name);
        gap = gameformats::AnimationGapWarning(wad, name);
        return removed;
    });
    if (result) {
        result.Warn(gap);
        out << "removed " << name << " from " << command.wad << '\n';
    }
    return result;
}

Result<void> Rename(const WadCommand& command, std::ostream& out) {
    std::string from = command.operands[0];
    std::string to = command.operands[1];
    std::vector<std::string> warnings;
    Result<void> result = EditExistingWad(command.wad, [&](WadFile& wad) {
        const auto found = gameformats::FindLump(wad, from);
        const std::string stored = found ? wad.lumps[*found].name : from;
        const Result<void> renamed = gameformats::RenameLump(wad, from, to);
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
                texture.value().name, wad.kind, texture.value().width, texture.value().height));
        }
        return renamed;
    });
    if (result) {
        for (std::string& warning : warnings) {
            result.Warn(std::move(warning));
        }
        out << "renamed " << from << " to " << to << " in " << command.wad << '\n';
    }
    return result;
}

// The see-through mask for `picture`: the --mask file (scaled to the
// picture's size when it has another, as orrisbay-blend scales its masks),
// else the picture's own alpha.
Result<Bitmap> LoadMask(const WadCommand& command, const FIBITMAP* picture,
                        const std::optional<quake_palette::Palette>& palette) {
    if (command.mask.empty()) {
        const bool alpha =
            freeimage_base::ImageType(picture) == FIT_BITMAP && freeimage_base::Bpp(picture) == 32;
        return alpha ? freeimage_base::GetChannel(picture, FICC_ALPHA) : Bitmap();
    }
    Result<Bitmap> mask = LoadInput(command.mask, palette);
    const unsigned width = freeimage_base::Width(picture);
    const unsigned height = freeimage_base::Height(picture);
    if (!mask || (freeimage_base::Width(mask->get()) == width &&
                  freeimage_base::Height(mask->get()) == height)) {
        return mask;
    }
    Bitmap scaled = slots::ResizeBitmap(slots::NormalisedMask(std::move(*mask), 1).get(),
                                        static_cast<int>(width), static_cast<int>(height),
                                        FILTER_BICUBIC, slots::MachineThreads());
    if (!scaled) {
        return Fail(ProblemKind::Failed, command.mask + ": could not be scaled to " +
                                             std::to_string(width) + " x " +
                                             std::to_string(height));
    }
    Result<Bitmap> made(std::move(scaled));
    return std::move(made.WarnFirst(mask.warnings()));
}

// Adds the picture through the same export as the window and orrisbay-blend.
Result<void> Add(const WadCommand& command, std::ostream& out) {
    const std::string& file = command.operands[0];
    // A palette named on the command line must be there; the one beside the
    // program is not needed by a WAD3, and the export decides.
    const Result<quake_palette::Palette> game = ReadGamePalette(command.palette);
    if (!game && !command.palette.file.empty()) {
        return game.problem();
    }
    Result<Bitmap> picture = LoadInput(file, PaletteOf(game));
    if (!picture) {
        return Forward<void>(std::move(picture));
    }
    Result<Bitmap> mask = LoadMask(command, picture->get(), PaletteOf(game));
    mask.WarnFirst(picture.warnings());
    if (!mask) {
        return Forward<void>(std::move(mask));
    }
    Result<Bitmap> glow = command.glow.file.empty() ? Result<Bitmap>(Bitmap())
                                                    : LoadInput(command.glow.file, PaletteOf(game));
    if (!glow) {
        return Forward<void>(std::move(glow.WarnFirst(mask.warnings())));
    }
    for (const std::string& warning : glow.warnings()) {
        mask.Warn(warning);
    }
    // A name taken from the picture's file is held to the rules a --name is.
    std::string name = command.name;
    if (name.empty()) {
        const std::string fileName = std::filesystem::path(file).filename().string();
        const auto fromFile = gameformats::CheckTextureName(
            gameformats::TextureNameFromFileName(file), WadKind::Wad2, fileName);
        if (!fromFile) {
            Result<void> refused(Fail(ProblemKind::BreaksGameRule,
                                      fromFile.problem().message + "; give a name with --name"));
            return std::move(refused.WarnFirst(mask.warnings()));
        }
        name = *fromFile;
    }
    Result<void> told;
    told.WarnFirst(mask.warnings());
    if (!command.mask.empty() && !gameformats::IsSeeThroughName(name)) {
        told.Warn("--mask is for see-through textures, whose names start with {; \"" + name +
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
    const Result<gameformats::ExportWritten> exported =
        gameformats::ExportTexture(picture->get(), request, PaletteOf(game),
                                   {true, true, command.rescale}, mask->get(), glow->get());
    if (exported && exported->wadEntry) {
        const gameformats::WadEntry& entry = *exported->wadEntry;
        out << (entry.replaced ? "replaced " : "added ") << entry.name << " (" << entry.width
            << " x " << entry.height << ") " << (entry.replaced ? "in " : "to ") << command.wad
            << '\n';
    }
    for (const std::string& warning : exported.warnings()) {
        told.Warn(warning);
    }
    if (!exported) {
        Result<void> failed(ExportProblem(exported.problem(), command.wad,
                                          game ? std::nullopt : std::optional(game.problem())));
        return std::move(failed.WarnFirst(told.warnings()));
    }
    return told;
}

Result<void> Run(const WadCommand& command, std::ostream& out) {
    // The WAD argument is a WAD, whatever its name; only add may make one.
    if (const Result<void> target = gameformats::CheckWadTarget(command.wad, command.verb == "add");
        !target) {
        return FailureOf(target.problem(), command.wad);
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
    if (command.verb == "defullbright") {
        Result<void> removed =
            Defullbright(GlowFile::Wad, command.wad, command.operands, command.fullbright, out);
        if (removed || removed.problem().path != command.wad) {
            return removed;
        }
        Result<void> failed(FailureOf(removed.problem(), command.wad));
        return std::move(failed.WarnFirst(removed.warnings()));
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
    if (parsed.command.verb == "check") {
        const std::string& wad = parsed.command.wad;
        if (const Result<void> target = gameformats::CheckWadTarget(wad, false); !target) {
            return ReportResult(kWadProgramName, FailureOf(target.problem(), wad), err);
        }
        return ReportCheck(kWadProgramName, CheckFullbrights(GlowFile::Wad, wad, out), err);
    }
    return ReportResult(kWadProgramName, Run(parsed.command, out), err);
}

}  // namespace orrisbay::cli
