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

// The four inputs, then the two height maps.
constexpr std::size_t kInputCount = 6;
constexpr std::size_t kFirstHeightMap = 4;

// The file of input `index`; empty for a height map not given.
const std::string& InputPath(const BlendOptions& options, std::size_t index) {
    return index < kFirstHeightMap ? options.inputs[index]
                                   : options.heightMaps[index - kFirstHeightMap];
}

// Input `index` as its slot keeps it: a 24-bit mask or height map is turned
// into greyscale right away, on the thread that read it, and its 24-bit copy
// freed.
CommandResult LoadSlotInput(const BlendOptions& options, std::size_t index,
                            freeimage_base::Bitmap& bitmap) {
    CommandResult loaded;
    if (index >= kFirstHeightMap && InputPath(options, index).empty()) {
        return loaded;
    }
    if (options.builtin && index < kFirstHeightMap) {
        bitmap = LoadBuiltinInput(static_cast<int>(index));
    } else {
        loaded = LoadInput(InputPath(options, index), bitmap);
    }
    if (loaded.code == kExitSuccess &&
        (slots::ArrayContains(static_cast<int>(index), slots::kAlphaSlots) ||
         index >= kFirstHeightMap)) {
        bitmap = slots::NormalisedMask(std::move(bitmap), 1);
    }
    return loaded;
}

// The inputs in the order to load them: largest picture first, so that the
// threads finish together and the largest are read while little else is held.
std::array<std::size_t, kInputCount> LoadingOrder(const BlendOptions& options) {
    std::array<std::uint64_t, kInputCount> pixels{};
    for (std::size_t index = 0; index < pixels.size(); ++index) {
        if (options.builtin && index < kFirstHeightMap) {
            continue;
        }
        if (const auto size = imageio::ReadDeclaredSize(InputPath(options, index))) {
            pixels[index] = std::uint64_t{size->width} * size->height;
        }
    }
    std::array<std::size_t, kInputCount> order{0, 1, 2, 3, 4, 5};
    std::ranges::stable_sort(order, std::greater{},
                             [&](std::size_t index) { return pixels[index]; });
    return order;
}

// Loads the inputs side by side, on one thread per core at most: as many as
// can work at once, and no more pictures held half-converted at once than
// that. Warnings and the failure are told as loading one input after another
// would tell them: in order, up to the first input that failed.
CommandResult LoadInputs(const BlendOptions& options,
                         std::array<freeimage_base::Bitmap, kInputCount>& inputs) {
    const std::array<std::size_t, kInputCount> order = LoadingOrder(options);
    std::array<CommandResult, kInputCount> loaded;
    slots::ParallelFor(slots::MachineThreads(), order.size(), [&](std::size_t index) {
        const std::size_t input = order[index];
        loaded[input] = LoadSlotInput(options, input, inputs[input]);
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
            .wadKind = WadKindAsked(options.wad3),
            .keptOutput = options.watch};
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
                           const GamePalette& game, MergeSettings settings) {
    MergeFailureView view;
    slots::SlotTable table(view);
    table.SetMergeOptions(settings.options);
    for (int which = 0; which < 2; ++which) {
        table.SetHeightMap(which, std::move(settings.heightMaps[static_cast<std::size_t>(which)]));
    }
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
    for (int which = 0; which < 2; ++which) {
        table.SetHeightMap(which, {});
    }
    // A command replaces its output and rescales as its options say, every time.
    const gameformats::ExportResult exported =
        gameformats::RepeatExport(result, {request, rescale}, game.palette, coverage.get());
    return ExportOutcomeOf(exported, request.path, game);
}

CommandResult BlendFiles(const BlendOptions& options, const GamePalette& game) {
    std::array<freeimage_base::Bitmap, kInputCount> inputs;
    const CommandResult loaded = LoadInputs(options, inputs);
    if (loaded.code != kExitSuccess) {
        return loaded;
    }
    std::array<freeimage_base::Bitmap, 4> pictures;
    std::move(inputs.begin(), inputs.begin() + kFirstHeightMap, pictures.begin());
    MergeSettings settings{
        options.merge,
        {std::move(inputs[kFirstHeightMap]), std::move(inputs[kFirstHeightMap + 1])}};
    return AfterWarnings(loaded.warnings,
                         BlendBitmaps(std::move(pictures), RequestOf(options),
                                      options.quake.rescale, game, std::move(settings)));
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
