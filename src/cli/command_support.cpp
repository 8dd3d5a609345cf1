#include "cli/command_support.h"

#include <ostream>

#include "console/application.h"
#include "console/console.h"
#include "console/version.h"
#include "gameformats/picture_input.h"
#include "gameformats/texture_export.h"
#include "gameformats/wad_palette.h"
#include "imageio/file_types.h"

namespace orrisbay::cli {

namespace {

// `text` as a sentence of its own: a capital first letter and a full stop.
std::string AsSentence(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    }
    return text.ends_with('.') ? text : text + ".";
}

}  // namespace

int ExitCodeOf(const Problem& problem) {
    switch (problem.kind) {
        case ProblemKind::WrongUsage:
        case ProblemKind::BreaksGameRule:
            return kExitUsage;
        case ProblemKind::Failed:
        case ProblemKind::ConversionFailed:
        case ProblemKind::NothingToWrite:
        case ProblemKind::OutOfMemory:
            return kExitMergeFailed;
        case ProblemKind::Missing:
        case ProblemKind::Unreadable:
        case ProblemKind::UnsupportedType:
        case ProblemKind::Damaged:
        case ProblemKind::TooLarge:
        case ProblemKind::NotFound:
            return kExitBadInput;
        case ProblemKind::NotOnGrid:
            return kExitNotWadSize;
        case ProblemKind::NoPalette:
            return kExitNoPalette;
        case ProblemKind::CannotWrite:
        case ProblemKind::Cancelled:
            break;
    }
    return kExitOutputNotWritten;
}

int ExitCodeOf(const Result<void>& result) {
    return result ? kExitSuccess : ExitCodeOf(result.problem());
}

Result<freeimage_base::Bitmap> LoadInput(const std::string& path,
                                         const std::optional<quake_palette::Palette>& palette) {
    Result<freeimage_base::Bitmap> loaded = gameformats::ReadInputPicture(path, palette);
    std::vector<std::string> warnings = loaded.TakeWarnings();
    for (std::string& warning : warnings) {
        warning = path + ": " + warning;
    }
    return std::move(loaded.WarnFirst(warnings));
}

Result<quake_palette::Palette> ReadGamePalette() {
    const std::string path = quake_palette::PaletteFilePath(console::ApplicationFolder());
    // The reader's own reports would show as boxes; the command says it once.
    const bool wasQuiet = console::QuietErrors();
    console::SetQuietErrors(true);
    Result<quake_palette::Palette> read = quake_palette::ReadPaletteFile(path);
    console::SetQuietErrors(wasQuiet);
    if (read) {
        return read;
    }
    return Fail(
        ProblemKind::NoPalette,
        std::string(quake_palette::kUnavailableMessage) + " " + AsSentence(read.problem().message),
        path);
}

Result<quake_palette::Palette> ReadGamePalette(const PaletteChoice& choice) {
    Result<quake_palette::Palette> palette = NoGamePalette();
    if (choice.file.empty()) {
        palette = ReadGamePalette();
    } else if (Result<quake_palette::PaletteFile> read =
                   gameformats::ReadAnyPaletteFile(choice.file)) {
        palette = read->palette;
    } else {
        palette = Forward<quake_palette::Palette>(std::move(read));
    }
    if (!palette || !choice.fullbrightCount) {
        return palette;
    }
    return quake_palette::WithFullbrightCount(*palette, *choice.fullbrightCount);
}

std::optional<quake_palette::Palette> PaletteOf(const Result<quake_palette::Palette>& game) {
    return game ? std::optional(*game) : std::nullopt;
}

Result<quake_palette::Palette> NoGamePalette() {
    return Fail(ProblemKind::NoPalette, std::string(quake_palette::kUnavailableMessage));
}

Problem ExportProblem(const Problem& problem, const std::string& output,
                      const std::optional<Problem>& palette) {
    switch (problem.kind) {
        case ProblemKind::NoPalette:
            return palette ? *palette : problem;
        case ProblemKind::NotOnGrid:
            return Fail(problem.kind, problem.message + " Use --rescale to do so.", problem.path);
        case ProblemKind::WrongUsage:  // a map's texture of another size
            if (gameformats::OutputKindOf(output) == gameformats::OutputKind::Map) {
                return Fail(problem.kind,
                            problem.message +
                                ". Use --rescale to make it that size, or --allow-resize to "
                                "keep its own.",
                            problem.path);
            }
            break;
        case ProblemKind::CannotWrite:
        case ProblemKind::Cancelled:
            return Fail(problem.kind, output + ": not written: " + ReasonOf(problem), output);
        default:
            break;
    }
    return problem;
}

int ReportUsageError(std::string_view program, const std::string& error, std::ostream& err) {
    err << program << ": " << error << "\nTry '" << program << " --help'.\n";
    return kExitUsage;
}

int ReportVersion(std::string_view program, std::ostream& out) {
    out << program << ' ' << console::kVersion << '\n';
    return kExitSuccess;
}

int ReportResult(std::string_view program, const Result<void>& result, std::ostream& err) {
    for (const std::string& warning : result.warnings()) {
        err << program << ": warning: " << warning << '\n';
    }
    if (!result) {
        err << program << ": " << result.problem().message << '\n';
    }
    return ExitCodeOf(result);
}

}  // namespace orrisbay::cli
