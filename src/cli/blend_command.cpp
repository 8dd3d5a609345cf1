#include "cli/blend_command.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <ostream>

#include "cli/builtin_inputs.h"
#include "cli/watch_command.h"
#include "imageio/file_types.h"
#include "slots/parallel_for.h"
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

// Input `slot` as its slot keeps it: a 24-bit mask is turned into greyscale
// right away, on the thread that read it, and its 24-bit copy freed.
CommandResult LoadSlotInput(const BlendOptions& options, std::size_t slot,
                            freeimage_base::Bitmap& bitmap) {
    CommandResult loaded;
    if (options.builtin) {
        bitmap = LoadBuiltinInput(static_cast<int>(slot));
    } else {
        loaded = LoadInput(options.inputs[slot], bitmap);
    }
    if (loaded.code == kExitSuccess &&
        slots::ArrayContains(static_cast<int>(slot), slots::kAlphaSlots)) {
        bitmap = slots::NormalisedMask(std::move(bitmap), 1);
    }
    return loaded;
}

// The slots in the order to load them: largest picture first, so that the
// threads finish together and the largest are read while little else is held.
std::array<std::size_t, 4> LoadingOrder(const BlendOptions& options) {
    std::array<std::uint64_t, 4> pixels{};
    for (std::size_t slot = 0; slot < pixels.size() && !options.builtin; ++slot) {
        if (const auto size = imageio::ReadDeclaredSize(options.inputs[slot])) {
            pixels[slot] = std::uint64_t{size->width} * size->height;
        }
    }
    std::array<std::size_t, 4> order{0, 1, 2, 3};
    std::ranges::stable_sort(order, std::greater{}, [&](std::size_t slot) { return pixels[slot]; });
    return order;
}

// Loads the four inputs side by side, on one thread per core at most: as
// many as can work at once, and no more pictures held half-converted at once
// than that. Warnings and the failure are told as loading one input after
// another would tell them: in slot order, up to the first input that failed.
CommandResult LoadInputs(const BlendOptions& options,
                         std::array<freeimage_base::Bitmap, 4>& inputs) {
    const std::array<std::size_t, 4> order = LoadingOrder(options);
    std::array<CommandResult, 4> loaded;
    slots::ParallelFor(slots::MachineThreads(), order.size(), [&](std::size_t index) {
        const std::size_t slot = order[index];
        loaded[slot] = LoadSlotInput(options, slot, inputs[slot]);
    });
    std::vector<std::string> warnings;
    for (CommandResult& input : loaded) {
        if (input.code != kExitSuccess) {
            return AfterWarnings(warnings, std::move(input));
        }
        warnings.insert(warnings.end(), input.warnings.begin(), input.warnings.end());
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
    // Only the texture (and its coverage) is written; the inputs go before it is.
    for (int slot = slots::kLayer1; slot <= slots::kMask2; ++slot) {
        table.ClearSlot(slot);
    }
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
