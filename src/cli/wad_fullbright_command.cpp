#include "cli/wad_fullbright_command.h"

#include <cstdio>
#include <iomanip>
#include <ostream>

#include "gameformats/bsp_fullbrights.h"
#include "palette/palette_conversion.h"

namespace orrisbay::cli {
namespace {

using gameformats::GlowRemoval;

// The Quake palette's fullbright colours: its last 32.
constexpr int kQuakeFullbrights = quake_palette::kQuakeFullbrightCount;

// A share from 0 to 1 as a percentage with two decimals; "<0.01%" for less.
std::string Percent(double share) {
    if (share > 0 && share < 0.00005) {
        return "<0.01%";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.2f%%", share * 100);
    return text;
}

void PrintTally(const gameformats::FullbrightTally& tally, std::ostream& out) {
    const std::string size = std::to_string(tally.width) + " x " + std::to_string(tally.height);
    out << std::left << std::setw(16) << tally.name << ' ' << std::setw(11) << size << ' '
        << tally.fullbright << " fullbright (" << Percent(tally.Share()) << "), " << tally.specks
        << (tally.specks == 1 ? " speck, " : " specks, ") << tally.InClusters() << " in clusters, "
        << tally.inSmallerMips << " in smaller mips\n";
}

bool TakeMask(std::span<const std::string> arguments, std::size_t& i, std::string& mask) {
    const std::string& argument = arguments[i];
    if (argument.starts_with("--outside=")) {
        mask = argument.substr(std::string_view("--outside=").size());
    } else if (i + 1 < arguments.size()) {
        mask = arguments[++i];
    }
    return !mask.empty();
}

}  // namespace

std::optional<std::string> ParseFullbrightOption(std::span<const std::string> arguments,
                                                 std::size_t& i, FullbrightOptions& options) {
    const std::string& argument = arguments[i];
    const bool outside = argument == "--outside" || argument.starts_with("--outside=");
    if (argument != "--specks" && argument != "--all" && !outside) {
        return std::nullopt;
    }
    const GlowRemoval removal = outside               ? GlowRemoval::OutsideMask
                                : argument == "--all" ? GlowRemoval::All
                                                      : GlowRemoval::Specks;
    if (options.given && options.removal != removal) {
        return "choose one of --specks, --all and --outside";
    }
    options.given = true;
    options.removal = removal;
    if (outside && !TakeMask(arguments, i, options.mask)) {
        return "option --outside needs a value";
    }
    return std::string();
}

std::string MisplacedFullbrightOption(std::string_view verb, const FullbrightOptions& options) {
    return options.given && verb != "defullbright"
               ? "--specks, --all and --outside are for defullbright"
               : std::string();
}

Result<std::string> CheckFullbrights(GlowFile kind, const std::string& file, std::ostream& out) {
    Result<gameformats::FullbrightCheck> found =
        kind == GlowFile::Wad ? gameformats::CheckWadFullbrights(file, kQuakeFullbrights)
                              : gameformats::CheckBspFullbrights(file, kQuakeFullbrights);
    if (!found) {
        return Forward<std::string>(std::move(found));
    }
    for (const gameformats::FullbrightTally& tally : found->glowing) {
        PrintTally(tally, out);
    }
    const std::size_t textures = found->textures;
    if (found->elsewhere > 0) {
        out << file << ": " << found->elsewhere
            << (found->elsewhere == 1 ? " texture is" : " textures are")
            << " kept in a WAD, not in the map: check the WAD\n";
    }
    std::string summary;
    if (!found->glowing.empty()) {
        summary = file + ": " + std::to_string(found->glowing.size()) + " of " +
                  std::to_string(textures) + " textures have fullbright pixels";
    } else if (found->kind == gameformats::WadKind::Wad2) {
        out << file << ": no fullbright pixels in its " << textures
            << (kind == GlowFile::Map ? " stored" : "")
            << (textures == 1 ? " texture\n" : " textures\n");
    }
    Result<std::string> checked(std::move(summary));
    return std::move(checked.WarnFirst(found.warnings()));
}

int ReportCheck(std::string_view program, const Result<std::string>& checked, std::ostream& err) {
    Result<void> told = checked ? Result<void>() : Result<void>(checked.problem());
    const int code = ReportResult(program, std::move(told.WarnFirst(checked.warnings())), err);
    if (!checked || checked->empty()) {
        return code;
    }
    err << program << ": " << *checked << '\n';
    return kExitFindings;
}

Result<void> Defullbright(GlowFile kind, const std::string& file,
                          std::span<const std::string> names, const FullbrightOptions& options,
                          std::ostream& out) {
    Result<freeimage_base::Bitmap> mask = freeimage_base::Bitmap();
    if (options.removal == GlowRemoval::OutsideMask) {
        mask = LoadInput(options.mask, std::nullopt);
        if (!mask) {
            return Forward<void>(std::move(mask));
        }
    }
    const Result<quake_palette::Palette> game = ReadGamePalette();
    if (!game) {
        Result<void> failed(game.problem());
        return std::move(failed.WarnFirst(mask.warnings()));
    }
    const gameformats::GlowRemovalRequest request{options.removal, mask->get()};
    Result<std::vector<gameformats::GlowRemoved>> removed =
        kind == GlowFile::Wad
            ? gameformats::RemoveGlowInWadFile(file, names, request, *game, kQuakeFullbrights)
            : gameformats::RemoveGlowInBspFile(file, names, request, *game, kQuakeFullbrights);
    removed.WarnFirst(mask.warnings());
    if (!removed) {
        return Forward<void>(std::move(removed));
    }
    for (const gameformats::GlowRemoved& texture : *removed) {
        out << texture.name << ": " << texture.Total() << " pixels now of ordinary colours ("
            << texture.changed[0] << " at full size, " << texture.InSmallerMips()
            << " in smaller mips)\n";
    }
    out << (gameformats::AnyRemoved(*removed) ? "wrote " + file
                                              : file + " left as it was: no pixel to change")
        << '\n';
    Result<void> done;
    return std::move(done.WarnFirst(removed.warnings()));
}

}  // namespace orrisbay::cli
