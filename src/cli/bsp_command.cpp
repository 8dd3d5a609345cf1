#include "cli/bsp_command.h"

#include <iomanip>
#include <ostream>

#include "cli/command_support.h"
#include "gameformats/bsp_export.h"
#include "gameformats/texture_rules.h"
#include "slots/pixel_conversions.h"

namespace orrisbay::cli {
namespace {

using freeimage_base::Bitmap;
using gameformats::BspFile;
using gameformats::BspTextureChange;
using gameformats::BspTextureStorage;

constexpr std::string_view kFromItsWad = "extract it from its WAD instead";

// `problem` as the command tells it: a write that failed says so, and a
// texture of another size points to the option that allows it.
Problem FailureOf(const Problem& problem, const std::string& file) {
    if (problem.kind == ProblemKind::WrongUsage) {
        return Fail(problem.kind, problem.message + " (see --allow-resize)", problem.path);
    }
    return ExportProblem(problem, file);
}

std::string SizeText(unsigned width, unsigned height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string ChangeText(const BspTextureChange& change) {
    const bool resized = change.width != change.oldWidth || change.height != change.oldHeight;
    return change.name + " (" +
           (resized ? SizeText(change.oldWidth, change.oldHeight) + ", now " : "") +
           SizeText(change.width, change.height) + ")";
}

Result<void> List(const BspCommand& command, std::ostream& out) {
    const Result<BspFile> map = gameformats::ReadBspFile(command.map);
    if (!map) {
        return map.problem();
    }
    for (const gameformats::BspTexture& texture : map->textures) {
        if (texture.storage == BspTextureStorage::Missing) {
            out << std::left << std::setw(30) << "-"
                << "missing\n";
            continue;
        }
        out << std::left << std::setw(16) << texture.name << ' ' << std::right << std::setw(5)
            << texture.width << " x " << std::left << std::setw(5) << texture.height << ' '
            << (texture.storage == BspTextureStorage::InMap ? "in map" : "in WAD") << '\n';
    }
    return {};
}

Result<void> Extract(const BspCommand& command, std::ostream& out) {
    const Result<BspFile> map = gameformats::ReadBspFile(command.map);
    if (!map) {
        return map.problem();
    }
    const std::string& name = command.operands[0];
    if (const auto stored = gameformats::StoredBspTexture(*map, name, command.map, kFromItsWad);
        !stored) {
        return stored.problem();
    }
    // A Half-Life texture carries its colours; a Quake texture needs the game's.
    const Result<quake_palette::Palette> game =
        gameformats::TextureKindOf(map->version) == gameformats::WadKind::Wad2
            ? ReadGamePalette()
            : quake_palette::Palette{};
    if (!game) {
        return game.problem();
    }
    const Result<void> extracted =
        gameformats::ExtractBspTexture(*map, name, *game, command.output, command.map);
    if (!extracted) {
        return FailureOf(extracted.problem(), command.output);
    }
    out << "extracted " << name << " to " << command.output << '\n';
    return {};
}

Result<void> ReplaceFromWad(const BspCommand& command, std::ostream& out) {
    Result<BspFile> map = gameformats::ReadBspFile(command.map);
    if (!map) {
        return map.problem();
    }
    const auto wad = gameformats::ReadWadFile(command.from);
    if (!wad) {
        return wad.problem();
    }
    const auto outcomes =
        gameformats::ReplaceFromWad(*map, *wad, command.allowResize, command.map, command.from);
    if (!outcomes) {
        return outcomes.problem();
    }
    if (outcomes->empty()) {
        return Fail(ProblemKind::NotFound, command.from + ": the map names none of its textures",
                    command.from);
    }
    std::optional<Problem> failed;
    bool changed = false;
    for (const gameformats::WadTextureOutcome& outcome : *outcomes) {
        if (!outcome.result) {
            out << "skipped: " << ReasonOf(outcome.result.problem()) << '\n';
            // A texture the map keeps in a WAD is as it should be, not a failure.
            if (outcome.result.problem().kind != ProblemKind::NotFound && !failed) {
                failed = FailureOf(outcome.result.problem(), command.map);
            }
            continue;
        }
        changed |= outcome.result->changed;
        out << (outcome.result->changed
                    ? "replaced " + ChangeText(*outcome.result)
                    : "unchanged " + outcome.name + ": the map holds the same texture")
            << '\n';
    }
    if (changed) {
        if (const Result<void> written = gameformats::WriteBspFile(command.map, *map); !written) {
            return FailureOf(written.problem(), command.map);
        }
    }
    return failed ? Result<void>(*failed) : Result<void>();
}

// The see-through mask for `picture`: the --mask file, else the picture's own
// alpha (of a 32-bit picture, or an 8-bit one with transparent colours).
Result<Bitmap> LoadMask(const BspCommand& command, const FIBITMAP* picture) {
    if (!command.mask.empty()) {
        return LoadInput(command.mask, std::nullopt);
    }
    if (freeimage_base::ImageType(picture) == FIT_BITMAP &&
        (freeimage_base::Bpp(picture) == 32 || freeimage_base::IsTransparent(picture))) {
        return freeimage_base::GetChannel(freeimage_base::ConvertTo32Bits(picture).get(),
                                          FICC_ALPHA);
    }
    return Bitmap{};
}

Result<void> ReplaceFromPicture(const BspCommand& command, std::ostream& out) {
    const std::string& file = command.operands[0];
    // A .wal is read in the game's colours.
    Result<Bitmap> picture = LoadInput(file, PaletteOf(ReadGamePalette()));
    if (!picture) {
        return Forward<void>(std::move(picture));
    }
    Result<void> result;
    result.WarnFirst(picture.warnings());
    // 16 bits a channel, or floating point: to 8, as the merge takes a layer.
    if (freeimage_base::ImageType(picture->get()) != FIT_BITMAP) {
        *picture = slots::LayerTo32Bits(picture->get());
        if (!*picture) {
            return std::move(
                Result<void>(Fail(ProblemKind::ConversionFailed,
                                  file + ": cannot be converted to 8 bits a channel", file))
                    .WarnFirst(result.warnings()));
        }
    }
    Result<Bitmap> mask = LoadMask(command, picture->get());
    for (const std::string& warning : mask.warnings()) {
        result.Warn(warning);
    }
    if (!mask) {
        return std::move(Result<void>(mask.problem()).WarnFirst(result.warnings()));
    }
    const gameformats::MapTextureRequest request{
        command.map,
        command.name.empty() ? gameformats::TextureNameFromFileName(file) : command.name,
        command.texture, command.allowResize};
    const Result<quake_palette::Palette> game = ReadGamePalette();
    Result<BspTextureChange> change = gameformats::ExportToMap(
        picture->get(), mask->get(), request,
        game ? std::optional(*game) : std::optional<quake_palette::Palette>());
    for (const std::string& warning : change.warnings()) {
        result.Warn(warning);
    }
    if (!change) {
        Problem problem = change.problem().kind == ProblemKind::NoPalette
                              ? game.problem()
                              : FailureOf(change.problem(), command.map);
        return std::move(Result<void>(problem).WarnFirst(result.warnings()));
    }
    if (change->changed) {
        out << "replaced " << ChangeText(*change) << " in " << command.map << '\n';
    } else {
        out << "unchanged " << change->name << ": " << command.map << " holds this very texture\n";
    }
    return result;
}

Result<void> Defullbright(const BspCommand& command, std::ostream& out) {
    Result<void> removed =
        cli::Defullbright(GlowFile::Map, command.map, command.operands, command.fullbright, out);
    if (removed || removed.problem().path != command.map) {
        return removed;
    }
    Result<void> failed(FailureOf(removed.problem(), command.map));
    return std::move(failed.WarnFirst(removed.warnings()));
}

Result<void> Run(const BspCommand& command, std::ostream& out) {
    if (command.verb == "list") {
        return List(command, out);
    }
    if (command.verb == "extract") {
        return Extract(command, out);
    }
    if (command.verb == "defullbright") {
        return Defullbright(command, out);
    }
    return command.from.empty() ? ReplaceFromPicture(command, out) : ReplaceFromWad(command, out);
}

}  // namespace

int RunBsp(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    const ParsedBspCommand parsed = ParseBspArguments(arguments);
    if (!parsed.error.empty()) {
        return ReportUsageError(kBspProgramName, parsed.error, err);
    }
    if (parsed.command.help) {
        out << BspUsageText();
        return kExitSuccess;
    }
    if (parsed.command.version) {
        return ReportVersion(kBspProgramName, out);
    }
    if (parsed.command.verb == "check") {
        return ReportCheck(kBspProgramName,
                           CheckFullbrights(GlowFile::Map, parsed.command.map, out), err);
    }
    return ReportResult(kBspProgramName, Run(parsed.command, out), err);
}

}  // namespace orrisbay::cli
