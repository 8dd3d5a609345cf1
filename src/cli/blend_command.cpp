#include "cli/blend_command.h"

#include <algorithm>
#include <ostream>

#include "cli/builtin_inputs.h"
#include "cli/heap_fill.h"
#include "cli/watch_command.h"
#include "gameformats/wal_file.h"
#include "session/input_loading.h"
#include "slots/parallel_for.h"
#include "slots/slot_table.h"

namespace orrisbay::cli {

namespace {

using freeimage_base::Bitmap;

// The four inputs, then the two height maps and the glow mask, as the
// session numbers them.
constexpr std::size_t kInputCount = session::kInputCount;
constexpr std::size_t kFirstHeightMap = session::kHeightMap1;
constexpr std::size_t kGlowMask = session::kGlowMask;

// The file of input `index`; empty for a height map or glow mask not given.
const std::string& InputPath(const BlendOptions& options, std::size_t index) {
    if (index == kGlowMask) {
        return options.glow.file;
    }
    return index < kFirstHeightMap ? options.inputs[index]
                                   : options.heightMaps[index - kFirstHeightMap];
}

// Input `index` as its slot keeps it: a 24-bit mask or height map is turned
// into greyscale right away, on the thread that read it, and its 24-bit copy
// freed.
Result<void> LoadSlotInput(const BlendOptions& options, std::size_t index,
                           const std::optional<quake_palette::Palette>& palette, Bitmap& bitmap) {
    if (index >= kFirstHeightMap && InputPath(options, index).empty()) {
        return {};
    }
    Result<void> loaded;
    if (options.builtin && index < kFirstHeightMap) {
        bitmap = LoadBuiltinInput(static_cast<int>(index));
    } else {
        Result<Bitmap> read = LoadInput(InputPath(options, index), palette);
        if (!read) {
            return Forward<void>(std::move(read));
        }
        loaded.WarnFirst(read.warnings());
        bitmap = std::move(*read);
    }
    if (slots::ArrayContains(static_cast<int>(index), slots::kAlphaSlots) ||
        index >= kFirstHeightMap) {
        bitmap = slots::NormalisedMask(std::move(bitmap), 1);
    }
    return loaded;
}

// Loads the inputs side by side, on one thread per core at most and within
// session::kPixelsDecodedAtOnce: as many as can work at once, and no more pictures
// held half-converted at once than that. Warnings and the failure are told as
// loading one input after another would tell them: in order, up to the first
// input that failed.
Result<void> LoadInputs(const BlendOptions& options,
                        const std::optional<quake_palette::Palette>& palette,
                        std::array<Bitmap, kInputCount>& inputs) {
    std::array<std::string, kInputCount> files;
    for (std::size_t index = 0; index < kInputCount; ++index) {
        if (!options.builtin || index >= kFirstHeightMap) {
            files[index] = InputPath(options, index);
        }
    }
    std::array<std::optional<Result<void>>, kInputCount> loaded;
    FaultInAhead(session::DecodedBytes(files), slots::MachineThreads());
    session::LoadSideBySide(files, slots::MachineThreads(), [&](std::size_t input) {
        loaded[input] = LoadSlotInput(options, input, palette, inputs[input]);
    });
    Result<void> all;
    for (std::optional<Result<void>>& input : loaded) {
        if (!*input) {
            return std::move(input->WarnFirst(all.warnings()));
        }
        for (const std::string& warning : input->warnings()) {
            all.Warn(warning);
        }
    }
    return all;
}

std::optional<gameformats::WadKind> WadKindAsked(bool wad3) {
    return wad3 ? std::optional(gameformats::WadKind::Wad3) : std::nullopt;
}

// The texture the session merged, exported once: the inputs go before it is,
// so the export needs no more memory than the texture's.
Result<void> ExportMerged(session::TextureSession& session, const session::SessionUpdate& merge,
                          const gameformats::RepeatedExport& output,
                          const Result<quake_palette::Palette>& game) {
    if (merge.mergeFailure || session.Texture() == nullptr) {
        return Fail(ProblemKind::Failed,
                    "merge failed: " + merge.mergeFailure.value_or("no texture was made"));
    }
    session.ReleaseInputs(gameformats::TakesCoverage(output.request));
    Result<gameformats::ExportWritten> exported =
        session.Export(output.request, {true, true, output.rescaleToGrid});
    Result<void> result;
    if (!exported) {
        result = ExportProblem(exported.problem(), output.request.path,
                               game ? std::nullopt : std::optional(game.problem()));
    }
    return std::move(result.WarnFirst(exported.warnings()));
}

Result<void> Blend(const BlendOptions& options) {
    Result<quake_palette::Palette> game = NoGamePalette();
    if (Result<void> read = ReadPaletteFor(options, game); !read) {
        return read;
    }
    return BlendFiles(options, game);
}

}  // namespace

gameformats::RepeatedExport ExportOf(const BlendOptions& options) {
    return {{.path = options.output,
             .toPalette = options.quake.convert,
             .conversion = options.quake.conversion,
             .textureName = options.textureName,
             .wadKind = WadKindAsked(options.wad3),
             .allowResize = options.allowResize,
             .keptOutput = options.watch,
             .wal = options.wal,
             .glowOutput = options.glow.output},
            options.quake.rescale};
}

Result<void> BlendBitmaps(std::array<Bitmap, 4> inputs, const gameformats::ExportRequest& request,
                          bool rescale, const Result<quake_palette::Palette>& game,
                          MergeSettings settings) {
    session::TextureSession session;
    session.SetPalette(PaletteOf(game));
    (void)session.SetMergeOptions(settings.options);
    for (int which = 0; which < 2; ++which) {
        (void)session.SetInput(session::kHeightMap1 + which,
                               std::move(settings.heightMaps[static_cast<std::size_t>(which)]), {});
    }
    (void)session.SetInput(session::kGlowMask, std::move(settings.glow), {});
    // Slot by slot, as the window fills them: the merge runs when the fourth arrives.
    session::SessionUpdate merged;
    for (std::size_t slot = 0; slot < inputs.size(); ++slot) {
        merged = session.SetInput(static_cast<int>(slot), std::move(inputs[slot]), {});
    }
    // A command replaces its output and rescales as its options say, every time.
    return ExportMerged(session, merged, {request, rescale}, game);
}

Result<void> BlendFiles(const BlendOptions& options, const Result<quake_palette::Palette>& game) {
    std::array<Bitmap, kInputCount> inputs;
    Result<void> loaded = LoadInputs(options, PaletteOf(game), inputs);
    if (!loaded) {
        return loaded;
    }
    std::array<Bitmap, 4> pictures;
    std::move(inputs.begin(), inputs.begin() + kFirstHeightMap, pictures.begin());
    MergeSettings settings{
        options.merge,
        {std::move(inputs[kFirstHeightMap]), std::move(inputs[kFirstHeightMap + 1])},
        std::move(inputs[kGlowMask])};
    const gameformats::RepeatedExport output = ExportOf(options);
    Result<void> blended = BlendBitmaps(std::move(pictures), output.request, output.rescaleToGrid,
                                        game, std::move(settings));
    // A WAD texture's name the output's file name gave, refused, can be given by hand.
    if (!blended && ExitCodeOf(blended) == kExitUsage && options.textureName.empty() &&
        gameformats::OutputKindOf(options.output) == gameformats::OutputKind::Wad) {
        Problem problem = blended.problem();
        problem.message += "; give a name with --name";
        Result<void> named(problem);
        blended = std::move(named.WarnFirst(blended.warnings()));
    }
    return std::move(blended.WarnFirst(loaded.warnings()));
}

Result<void> ReadPaletteFor(const BlendOptions& options, Result<quake_palette::Palette>& game) {
    const std::vector<std::string> files = InputFiles(options);
    const bool walInput = !options.builtin && std::ranges::any_of(files, gameformats::IsWalPath);
    if (!options.quake.convert && !walInput) {
        return {};
    }
    game = ReadGamePalette(options.palette);
    // A WAD3 or a Half-Life map brings its own palette: the export decides. A palette asked
    // for by name, or to read a .wal, must be there.
    const gameformats::OutputKind kind = gameformats::OutputKindOf(options.output);
    const bool ownPalette =
        kind == gameformats::OutputKind::Wad || kind == gameformats::OutputKind::Map;
    const bool mayWait = ownPalette && options.palette.file.empty() && !walInput;
    return game || mayWait ? Result<void>() : Result<void>(game.problem());
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
