#include "cli/bsp_command.h"

#include <iomanip>
#include <ostream>

#include "cli/command_support.h"
#include "gameformats/bsp_export.h"
#include "gameformats/texture_rules.h"
#include "gameformats/wad_status_problem.h"
#include "slots/pixel_conversions.h"

namespace orrisbay::cli {
namespace {

using freeimage_base::Bitmap;
using gameformats::BspFile;
using gameformats::BspTextureChange;
using gameformats::BspTextureStorage;

constexpr std::string_view kFromItsWad = "extract it from its WAD instead";

// The exit status and line for a problem; where the palette was missing,
// `game` says why.
CommandResult FailureOf(const Problem& problem, const GamePalette* game = nullptr) {
    switch (problem.kind) {
        case ProblemKind::BreaksGameRule:
            return {kExitUsage, problem.message};
        case ProblemKind::Failed:
        case ProblemKind::OutOfMemory:
            return {kExitMergeFailed, problem.message};
        case ProblemKind::NotOnGrid:
            return {kExitNotWadSize, problem.message};
        case ProblemKind::WrongUsage:  // a texture of another size
            return {kExitNotWadSize, problem.message + " (see --allow-resize)"};
        case ProblemKind::NoPalette:
            return game != nullptr ? game->problem : CommandResult{kExitNoPalette, problem.message};
        case ProblemKind::CannotWrite:
        case ProblemKind::Cancelled:
            return {kExitOutputNotWritten, problem.message};
        default:
            break;
    }
    return {kExitBadInput, problem.message};
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

CommandResult List(const BspCommand& command, std::ostream& out) {
    const Result<BspFile> map = gameformats::ReadBspFile(command.map);
    if (!map) {
        return FailureOf(map.problem());
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

CommandResult Extract(const BspCommand& command, std::ostream& out) {
    const Result<BspFile> map = gameformats::ReadBspFile(command.map);
    if (!map) {
        return FailureOf(map.problem());
    }
    const std::string& name = command.operands[0];
    if (const auto stored = gameformats::StoredBspTexture(*map, name, command.map, kFromItsWad);
        !stored) {
        return FailureOf(stored.problem());
    }
    // A Half-Life texture carries its colours; a Quake texture needs the game's.
    const GamePalette game = gameformats::TextureKindOf(map->version) == gameformats::WadKind::Wad2
                                 ? ReadGamePalette()
                                 : GamePalette{quake_palette::Palette{}, {}};
    if (!game.palette) {
        return game.problem;
    }
    const Result<void> extracted =
        gameformats::ExtractBspTexture(*map, name, *game.palette, command.output, command.map);
    if (!extracted) {
        return FailureOf(extracted.problem());
    }
    out << "extracted " << name << " to " << command.output << '\n';
    return {};
}

// The message of `problem` without the map's name in front, for a line about one texture.
std::string WithoutMapName(const Problem& problem, const std::string& map) {
    const std::string prefix = map + ": ";
    return problem.message.starts_with(prefix) ? problem.message.substr(prefix.size())
                                               : problem.message;
}

CommandResult ReplaceFromWad(const BspCommand& command, std::ostream& out) {
    Result<BspFile> map = gameformats::ReadBspFile(command.map);
    if (!map) {
        return FailureOf(map.problem());
    }
    const auto wad = gameformats::ReadWadFile(command.from);
    if (!wad) {
        return FailureOf(gameformats::ProblemOf(wad.status, command.from));
    }
    const auto outcomes = gameformats::ReplaceFromWad(*map, wad.value, command.allowResize,
                                                      command.map, command.from);
    if (!outcomes) {
        return FailureOf(outcomes.problem());
    }
    if (outcomes->empty()) {
        return {kExitBadInput, command.from + ": the map names none of its textures"};
    }
    CommandResult result;
    bool changed = false;
    for (const gameformats::WadTextureOutcome& outcome : *outcomes) {
        if (!outcome.result) {
            out << "skipped: " << WithoutMapName(outcome.result.problem(), command.map) << '\n';
            // A texture the map keeps in a WAD is as it should be, not a failure.
            if (outcome.result.problem().kind != ProblemKind::NotFound &&
                result.code == kExitSuccess) {
                result = FailureOf(outcome.result.problem());
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
            return FailureOf(written.problem());
        }
    }
    return result;
}

// The see-through mask for `picture`: the --mask file, else the picture's own
// alpha (of a 32-bit picture, or an 8-bit one with transparent colours).
CommandResult LoadMask(const BspCommand& command, const FIBITMAP* picture, Bitmap& mask) {
    if (!command.mask.empty()) {
        return LoadInput(command.mask, mask);
    }
    if (freeimage_base::ImageType(picture) == FIT_BITMAP &&
        (freeimage_base::Bpp(picture) == 32 || freeimage_base::IsTransparent(picture))) {
        mask =
            freeimage_base::GetChannel(freeimage_base::ConvertTo32Bits(picture).get(), FICC_ALPHA);
    }
    return {};
}

CommandResult ReplaceFromPicture(const BspCommand& command, std::ostream& out) {
    const std::string& file = command.operands[0];
    Bitmap picture, mask;
    const CommandResult loaded = LoadInput(file, picture);
    if (loaded.code != kExitSuccess) {
        return loaded;
    }
    // 16 bits a channel, or floating point: to 8, as the merge takes a layer.
    if (freeimage_base::ImageType(picture.get()) != FIT_BITMAP) {
        picture = slots::LayerTo32Bits(picture.get());
        if (!picture) {
            return {kExitMergeFailed, file + ": cannot be converted to 8 bits a channel"};
        }
    }
    const CommandResult masked =
        AfterWarnings(loaded.warnings, LoadMask(command, picture.get(), mask));
    if (masked.code != kExitSuccess) {
        return masked;
    }
    const gameformats::MapTextureRequest request{
        command.map,
        command.name.empty() ? gameformats::TextureNameFromFileName(file) : command.name,
        command.texture, command.allowResize};
    const GamePalette game = ReadGamePalette();
    Result<BspTextureChange> change =
        gameformats::ExportToMap(picture.get(), mask.get(), request, game.palette);
    if (!change) {
        return AfterWarnings(masked.warnings, FailureOf(change.problem(), &game));
    }
    if (change->changed) {
        out << "replaced " << ChangeText(*change) << " in " << command.map << '\n';
    } else {
        out << "unchanged " << change->name << ": " << command.map << " holds this very texture\n";
    }
    CommandResult done{kExitSuccess, {}, change.TakeWarnings()};
    return AfterWarnings(masked.warnings, std::move(done));
}

CommandResult Run(const BspCommand& command, std::ostream& out) {
    if (command.verb == "list") {
        return List(command, out);
    }
    if (command.verb == "extract") {
        return Extract(command, out);
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
    return ReportResult(kBspProgramName, Run(parsed.command, out), err);
}

}  // namespace orrisbay::cli
