#include "session/set_texture_maker.h"

#include <array>

#include "console/text.h"
#include "gameformats/grid_fit.h"
#include "gameformats/mip_texture.h"
#include "gameformats/picture_input.h"
#include "gameformats/texture_maker.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "imageio/file_types.h"
#include "slots/parallel_for.h"
#include "slots/slot_table.h"
#include "slots/slot_view.h"

namespace orrisbay::session {
namespace {

using freeimage_base::Bitmap;

// Shows nothing; keeps the reason of a failed merge.
class MergeFailureView : public slots::NullSlotView {
  public:
    void ReportMergeFailure(const std::string& message) override { failure = message; }
    std::string failure;
};

// A texture off the grid that a WAD cannot hold: the recipe's way out told too.
Problem OffGrid(Problem problem) {
    if (problem.kind == ProblemKind::NotOnGrid) {
        problem.message += " Set rescale = true to do so.";
    }
    return problem;
}

// A source as its slot keeps it (a .wal read in the texture's palette): a
// 24-bit mask or height map made grey at once.
Result<Bitmap> LoadSource(const std::filesystem::path& path, bool grey, unsigned threads,
                          const MakeContext& context) {
    std::optional<quake_palette::Palette> palette;
    if (context.palette != nullptr) {
        palette = *context.palette;
    }
    Result<Bitmap> loaded = gameformats::ReadInputPicture(path.string(), palette);
    std::vector<std::string> warnings = loaded.TakeWarnings();
    for (std::string& warning : warnings) {
        warning = path.string() + ": " + warning;
    }
    loaded.WarnFirst(warnings);
    if (loaded && grey) {
        *loaded = slots::NormalisedMask(std::move(*loaded), threads);
    }
    return loaded;
}

// The lump of a texture for a WAD of context.wadKind, from its full-colour
// picture and, for a '{' name, where it covers.
Result<MadeTexture> MakeLump(const FIBITMAP* colour, const FIBITMAP* coverage,
                             const SetTexture& texture, const MakeContext& context) {
    const std::string output = texture.output.string();
    const auto name = gameformats::CheckTextureName(texture.name, context.wadKind);
    if (!name) {
        return name.problem();
    }
    if (context.wadKind == gameformats::WadKind::Wad2 && context.palette == nullptr) {
        return Fail(ProblemKind::NoPalette, context.paletteProblem, output);
    }
    const bool seeThrough = gameformats::IsSeeThroughName(*name);
    gameformats::OutgoingTexture outgoing(colour, seeThrough ? coverage : nullptr);
    if (outgoing.coverage != nullptr &&
        (freeimage_base::Width(coverage) != freeimage_base::Width(colour) ||
         freeimage_base::Height(coverage) != freeimage_base::Height(colour))) {
        return Fail(ProblemKind::Failed, "the see-through mask is not the picture's size", output);
    }
    if (const auto fitted = gameformats::FitToGrid(outgoing, true, texture.settings.rescale,
                                                   gameformats::GameName(context.wadKind));
        !fitted) {
        return OffGrid(fitted.problem());
    }
    const gameformats::TextureOptions options{texture.settings.conversion,
                                              texture.settings.threshold};
    const auto made = gameformats::MakeMipTexture(
        outgoing.colour, outgoing.coverage, *name, context.wadKind, options,
        context.palette ? *context.palette : quake_palette::Palette{});
    if (!made) {
        return made.problem();
    }
    Result<MadeTexture> lump(MadeTexture{gameformats::EncodeMipTexture(*made, context.wadKind)});
    if (seeThrough && outgoing.coverage == nullptr) {
        lump.Warn(console::Quoted(*name) +
                  " is a see-through name, but the picture has no alpha: nothing is see-through");
    }
    lump.Warn(gameformats::SkySizeWarning(*name, context.wadKind, made->width, made->height));
    return lump;
}

// Writes a picture output through the one export, replacing the file.
Result<MadeTexture> WritePicture(const FIBITMAP* colour, const SetTexture& texture,
                                 const MakeContext& context) {
    const gameformats::ExportRequest request{.path = texture.output.string(),
                                             .toPalette = texture.settings.toPalette,
                                             .conversion = texture.settings.conversion,
                                             .wal = texture.settings.wal};
    std::optional<quake_palette::Palette> palette;
    if (context.palette != nullptr) {
        palette = *context.palette;
    }
    Result<gameformats::ExportWritten> exported =
        gameformats::RepeatExport(colour, {request, texture.settings.rescale}, palette);
    if (!exported) {
        return OffGrid(exported.problem().kind == ProblemKind::NoPalette
                           ? Fail(ProblemKind::NoPalette, context.paletteProblem, request.path)
                           : exported.problem());
    }
    Result<MadeTexture> made(MadeTexture{});
    return std::move(made.WarnFirst(exported.TakeWarnings()));
}

Result<MadeTexture> Deliver(const FIBITMAP* colour, const FIBITMAP* coverage,
                            const SetTexture& texture, const MakeContext& context) {
    return texture.outputKind == gameformats::OutputKind::Wad
               ? MakeLump(colour, coverage, texture, context)
               : WritePicture(colour, texture, context);
}

// The blend's inputs (layers, masks, height maps), read side by side on up
// to `threads` threads; warnings and the first failure told in their order.
Result<std::array<Bitmap, 6>> LoadBlendInputs(const SetTexture& texture,
                                              const MakeContext& context) {
    const unsigned threads = context.threads;
    using enum SourceRole;
    constexpr std::array<SourceRole, 6> kRoles = {Layer1, Layer2, Mask1, Mask2, Height1, Height2};
    std::array<std::optional<Result<Bitmap>>, 6> loaded;
    slots::ParallelFor(threads, kRoles.size(), [&](std::size_t i) {
        if (const std::filesystem::path& path = texture.Source(kRoles[i]); !path.empty()) {
            loaded[i] = LoadSource(path, i >= 2, 1, context);
        }
    });
    std::array<Bitmap, 6> inputs;
    std::vector<std::string> warnings;
    for (std::size_t i = 0; i < kRoles.size(); ++i) {
        if (!loaded[i]) {
            continue;
        }
        if (!*loaded[i]) {
            return Forward<std::array<Bitmap, 6>>(std::move(loaded[i]->WarnFirst(warnings)));
        }
        for (std::string& warning : loaded[i]->TakeWarnings()) {
            warnings.push_back(std::move(warning));
        }
        inputs[i] = std::move(**loaded[i]);
    }
    Result<std::array<Bitmap, 6>> all(std::move(inputs));
    return std::move(all.WarnFirst(warnings));
}

Result<MadeTexture> MakeBlend(const SetTexture& texture, const MakeContext& context) {
    Result<std::array<Bitmap, 6>> loaded = LoadBlendInputs(texture, context);
    if (!loaded) {
        return Forward<MadeTexture>(std::move(loaded));
    }
    const std::vector<std::string> warnings = loaded.TakeWarnings();
    std::array<Bitmap, 6>& inputs = *loaded;
    MergeFailureView view;
    slots::SlotTable table(view);
    table.SetMergeThreads(context.threads);
    table.SetMergeOptions(texture.settings.Merge());
    table.SetHeightMap(0, std::move(inputs[4]));
    table.SetHeightMap(1, std::move(inputs[5]));
    for (int slot = slots::kLayer1; slot <= slots::kMask2; ++slot) {
        table.SetSlotImage(slot, std::move(inputs[static_cast<std::size_t>(slot)]));
    }
    const FIBITMAP* merged = table.Slot(slots::kResult);
    if (!view.failure.empty() || merged == nullptr) {
        Result<MadeTexture> failed =
            Fail(ProblemKind::Failed,
                 "merge failed: " + (view.failure.empty() ? "no texture was made" : view.failure),
                 texture.output.string());
        return std::move(failed.WarnFirst(warnings));
    }
    // Only a see-through texture in a WAD reads where the layers cover.
    const bool seeThrough = texture.outputKind == gameformats::OutputKind::Wad &&
                            gameformats::IsSeeThroughName(texture.name);
    const Bitmap coverage = seeThrough ? table.ResultCoverage() : Bitmap();
    for (int slot = slots::kLayer1; slot <= slots::kMask2; ++slot) {
        table.ClearSlot(slot);
    }
    Result<MadeTexture> made = Deliver(merged, coverage.get(), texture, context);
    return std::move(made.WarnFirst(warnings));
}

Result<MadeTexture> MakePlainPicture(const SetTexture& texture, const MakeContext& context) {
    Result<Bitmap> picture = LoadSource(texture.Source(SourceRole::Picture), false, 1, context);
    if (!picture) {
        return Forward<MadeTexture>(std::move(picture));
    }
    std::vector<std::string> warnings = picture.TakeWarnings();
    Bitmap mask;
    if (const std::filesystem::path& file = texture.Source(SourceRole::Mask); !file.empty()) {
        Result<Bitmap> loaded = LoadSource(file, false, 1, context);
        if (!loaded) {
            return Forward<MadeTexture>(std::move(loaded.WarnFirst(warnings)));
        }
        for (std::string& warning : loaded.TakeWarnings()) {
            warnings.push_back(std::move(warning));
        }
        mask = std::move(*loaded);
    } else if (freeimage_base::ImageType(picture->get()) == FIT_BITMAP &&
               freeimage_base::Bpp(picture->get()) == 32) {
        mask = freeimage_base::GetChannel(picture->get(), FICC_ALPHA);
    }
    Result<MadeTexture> made = Deliver(picture->get(), mask.get(), texture, context);
    return std::move(made.WarnFirst(warnings));
}

}  // namespace

Result<MadeTexture> MakeSetTexture(const SetTexture& texture, const MakeContext& context) {
    return texture.IsPlainPicture() ? MakePlainPicture(texture, context)
                                    : MakeBlend(texture, context);
}

}  // namespace orrisbay::session
