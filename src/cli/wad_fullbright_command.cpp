#include "cli/wad_fullbright_command.h"

#include <cstdio>
#include <iomanip>
#include <ostream>

#include "palette/palette_conversion.h"

namespace orrisbay::cli {
namespace {

using gameformats::GlowRemoval;

// The Quake palette's fullbright colours: its last 32.
constexpr int kQuakeFullbrights = 256 - quake_palette::kFirstFullbright;

int ExitCodeOf(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::Missing:
        case ProblemKind::Unreadable:
        case ProblemKind::UnsupportedType:
        case ProblemKind::Damaged:
        case ProblemKind::TooLarge:
        case ProblemKind::NotFound:
            return kExitBadInput;
        case ProblemKind::CannotWrite:
        case ProblemKind::Cancelled:
            return kExitOutputNotWritten;
        case ProblemKind::BreaksGameRule:
        case ProblemKind::WrongUsage:
            return kExitUsage;
        case ProblemKind::NotOnGrid:
            return kExitNotWadSize;
        case ProblemKind::NoPalette:
            return kExitNoPalette;
        case ProblemKind::OutOfMemory:
        case ProblemKind::Failed:
            break;
    }
    return kExitMergeFailed;
}

template <typename T>
CommandResult FailureOf(const Result<T>& failed) {
    return {ExitCodeOf(failed.problem().kind), failed.problem().message, failed.warnings()};
}

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

CommandResult CheckFullbrights(const std::string& wad, std::ostream& out) {
    const Result<gameformats::WadFullbrights> found =
        gameformats::CheckWadFullbrights(wad, kQuakeFullbrights);
    if (!found) {
        return FailureOf(found);
    }
    for (const gameformats::FullbrightTally& tally : found->glowing) {
        PrintTally(tally, out);
    }
    const std::size_t textures = found->textures;
    if (!found->glowing.empty()) {
        return {kExitFindings,
                wad + ": " + std::to_string(found->glowing.size()) + " of " +
                    std::to_string(textures) + " textures have fullbright pixels",
                found.warnings()};
    }
    if (found->kind == gameformats::WadKind::Wad2) {
        out << wad << ": no fullbright pixels in its " << textures
            << (textures == 1 ? " texture\n" : " textures\n");
    }
    return {kExitSuccess, {}, found.warnings()};
}

CommandResult Defullbright(const std::string& wad, std::span<const std::string> names,
                           const FullbrightOptions& options, std::ostream& out) {
    freeimage_base::Bitmap mask;
    CommandResult loaded;
    if (options.removal == GlowRemoval::OutsideMask) {
        loaded = LoadInput(options.mask, mask);
        if (loaded.code != kExitSuccess) {
            return loaded;
        }
    }
    const GamePalette game = ReadGamePalette();
    if (!game.palette) {
        return game.problem;
    }
    const Result<std::vector<gameformats::GlowRemoved>> removed = gameformats::RemoveGlowInWadFile(
        wad, names, {options.removal, mask.get()}, *game.palette, kQuakeFullbrights);
    if (!removed) {
        return AfterWarnings(loaded.warnings, FailureOf(removed));
    }
    bool changed = false;
    for (const gameformats::GlowRemoved& texture : *removed) {
        const std::size_t total = texture.changed[0] + texture.InSmallerMips();
        changed = changed || total > 0;
        out << texture.name << ": " << total << " pixels now of ordinary colours ("
            << texture.changed[0] << " at full size, " << texture.InSmallerMips()
            << " in smaller mips)\n";
    }
    out << (changed ? "wrote " + wad : wad + " left as it was: no pixel to change") << '\n';
    return {kExitSuccess, {}, loaded.warnings};
}

}  // namespace orrisbay::cli
