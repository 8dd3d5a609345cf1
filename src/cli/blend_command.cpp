#include "cli/blend_command.h"

#include <ostream>

#include "cli/builtin_inputs.h"
#include "cli/watch_command.h"
#include "slots/slot_table.h"
#include "slots/slot_view.h"

namespace orrisbay::cli {

namespace {

// Shows nothing; keeps the reason of a failed merge for the error message.
class MergeFailureView : public slots::NullSlotView {
  public:
    void ReportMergeFailure(const std::string& message) override { failure = message; }
    std::string failure;
};

CommandResult LoadInputs(const BlendOptions& options,
                         std::array<freeimage_base::Bitmap, 4>& inputs) {
    std::vector<std::string> warnings;
    for (std::size_t slot = 0; slot < inputs.size(); ++slot) {
        if (options.builtin) {
            inputs[slot] = LoadBuiltinInput(static_cast<int>(slot));
            continue;
        }
        CommandResult loaded = LoadInput(options.inputs[slot], inputs[slot]);
        if (loaded.code != kExitSuccess) {
            return AfterWarnings(warnings, std::move(loaded));
        }
        warnings.insert(warnings.end(), loaded.warnings.begin(), loaded.warnings.end());
    }
    return {kExitSuccess, {}, warnings};
}

std::optional<gameformats::WadKind> WadKindAsked(bool wad3) {
    return wad3 ? std::optional(gameformats::WadKind::Wad3) : std::nullopt;
}

gameformats::ExportRequest RequestOf(const BlendOptions& options) {
    return {.path = options.output,
            .toPalette = options.quake.convert,
            .conversion = options.quake.conversion,
            .textureName = options.textureName,
            .wadKind = WadKindAsked(options.wad3)};
}

CommandResult Blend(const BlendOptions& options) {
    GamePalette game;
    if (CommandResult failed = ReadPaletteFor(options, game); failed.code != kExitSuccess) {
        return failed;
    }
    return BlendFiles(options, game);
}

}  // namespace

CommandResult BlendBitmaps(std::array<freeimage_base::Bitmap, 4> inputs,
                           const gameformats::ExportRequest& request, bool rescale,
                           const GamePalette& game) {
    MergeFailureView view;
    slots::SlotTable table(view);
    // Slot by slot, as the window fills them: the merge runs when the fourth arrives.
    for (std::size_t slot = 0; slot < inputs.size(); ++slot) {
        table.SetSlotImage(static_cast<int>(slot), std::move(inputs[slot]));
    }
    const FIBITMAP* result = table.Slot(slots::kResult);
    if (!view.failure.empty() || result == nullptr) {
        return {kExitMergeFailed,
                "merge failed: " + (view.failure.empty() ? "no texture was made" : view.failure)};
    }
    const freeimage_base::Bitmap coverage =
        gameformats::TakesCoverage(request) ? table.ResultCoverage() : freeimage_base::Bitmap();
    // A command replaces its output and rescales as its options say, every time.
    const gameformats::ExportResult exported =
        gameformats::RepeatExport(result, {request, rescale}, game.palette, coverage.get());
    return ExportOutcomeOf(exported, request.path, game);
}

CommandResult BlendFiles(const BlendOptions& options, const GamePalette& game) {
    std::array<freeimage_base::Bitmap, 4> inputs;
    const CommandResult loaded = LoadInputs(options, inputs);
    if (loaded.code != kExitSuccess) {
        return loaded;
    }
    return AfterWarnings(loaded.warnings, BlendBitmaps(std::move(inputs), RequestOf(options),
                                                       options.quake.rescale, game));
}

CommandResult ReadPaletteFor(const BlendOptions& options, GamePalette& game) {
    if (!options.quake.convert) {
        return {};
    }
    game = ReadGamePalette();
    const bool wad = gameformats::OutputKindOf(options.output) == gameformats::OutputKind::Wad;
    return game.palette || wad ? CommandResult{} : game.problem;
}

int RunBlend(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    const ParsedArguments parsed = ParseArguments(arguments);
    if (!parsed.error.empty()) {
        return ReportUsageError(kProgramName, parsed.error, err);
    }
    if (parsed.options.help) {
        out << UsageText();
        return kExitSuccess;
    }
    if (parsed.options.version) {
        return ReportVersion(kProgramName, out);
    }
    if (parsed.options.watch) {
        return RunWatch(parsed.options, out, err);
    }
    return ReportResult(kProgramName, Blend(parsed.options), err);
}

}  // namespace orrisbay::cli
