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
#include "session/input_loading.h"
#include "session/texture_session.h"

namespace orrisbay::session {
namespace {

using freeimage_base::Bitmap;

// The sources of a blend by the session's inputs: the four slots, then the height maps.
constexpr std::array<SourceRole, kInputCount> kBlendRoles = {
    SourceRole::Layer1,  SourceRole::Layer2,  SourceRole::Mask1, SourceRole::Mask2,
    SourceRole::Height1, SourceRole::Height2, SourceRole::Glow};

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
// picture, for a '{' name where it covers, and where it glows (or null).
Result<MadeTexture> MakeLump(const FIBITMAP* colour, const FIBITMAP* coverage, const FIBITMAP* glow,
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
    gameformats::OutgoingTexture outgoing(colour, seeThrough ? coverage : nullptr, glow);
    if (outgoing.coverage != nullptr &&
        (freeimage_base::Width(coverage) != freeimage_base::Width(colour) ||
         freeimage_base::Height(coverage) != freeimage_base::Height(colour))) {
        return Fail(ProblemKind::Failed, "the see-through mask is not the picture's size", output);
    }
    if (const auto fitted = gameformats::FitGlowToTexture(outgoing); !fitted) {
        return fitted.problem();
    }
    if (const auto fitted = gameformats::FitToGrid(outgoing, true, texture.settings.rescale,
                                                   gameformats::GameName(context.wadKind));
        !fitted) {
        return OffGrid(fitted.problem());
    }
    const gameformats::TextureOptions options{
        texture.settings.conversion, texture.settings.threshold, outgoing.glow, context.threads};
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

// A picture output written through the session's export, replacing the file:
// the merge, or `instead` for a plain picture.
Result<MadeTexture> WritePicture(TextureSession& session, const SetTexture& texture,
                                 const MakeContext& context, const FIBITMAP* instead = nullptr) {
    const bool map = texture.outputKind == gameformats::OutputKind::Map;
    const gameformats::ExportRequest request{.path = texture.output.string(),
                                             .toPalette = texture.settings.toPalette || map,
                                             .conversion = texture.settings.conversion,
                                             .textureName = map ? texture.name : std::string(),
                                             .seeThroughThreshold = texture.settings.threshold,
                                             .wal = texture.settings.wal,
                                             .glowOutput = texture.settings.glowOutput};
    std::optional<quake_palette::Palette> palette;
    if (context.palette != nullptr) {
        palette = *context.palette;
    }
    std::unique_lock<std::mutex> writing;
    if (map && context.mapWrites != nullptr) {
        writing = std::unique_lock(*context.mapWrites);
    }
    Result<gameformats::ExportWritten> exported =
        session.Export(request, {true, true, texture.settings.rescale}, instead);
    if (!exported) {
        return OffGrid(exported.problem().kind == ProblemKind::NoPalette
                           ? Fail(ProblemKind::NoPalette, context.paletteProblem, request.path)
                           : exported.problem());
    }
    Result<MadeTexture> made(MadeTexture{});
    return std::move(made.WarnFirst(exported.TakeWarnings()));
}

// A session that reads nothing on its own: a build reads each file once.
void PrepareSession(TextureSession& session, const SetTexture& texture,
                    const MakeContext& context) {
    session.SetFollowing(false);
    session.Table().SetMergeThreads(context.threads);
    session.SetPalette(context.palette ? std::optional(*context.palette) : std::nullopt);
    session.SetConversionOptions(texture.settings.conversion);
}

// The blend's inputs (layers, masks, height maps), read side by side on up
// to `threads` threads as orrisbay-blend reads them; warnings and the first
// failure told in their order.
Result<std::array<Bitmap, kInputCount>> LoadBlendInputs(const SetTexture& texture,
                                                        const MakeContext& context) {
    std::array<std::string, kInputCount> files;
    for (std::size_t i = 0; i < kBlendRoles.size(); ++i) {
        files[i] = texture.Source(kBlendRoles[i]).string();
    }
    std::array<std::optional<Result<Bitmap>>, kInputCount> loaded;
    LoadSideBySide(files, context.threads, [&](std::size_t i) {
        if (!files[i].empty()) {
            loaded[i] = LoadSource(files[i], i >= 2, 1, context);
        }
    });
    std::array<Bitmap, kInputCount> inputs;
    std::vector<std::string> warnings;
    for (std::size_t i = 0; i < kBlendRoles.size(); ++i) {
        if (!loaded[i]) {
            continue;
        }
        if (!*loaded[i]) {
            return Forward<std::array<Bitmap, kInputCount>>(
                std::move(loaded[i]->WarnFirst(warnings)));
        }
        for (std::string& warning : loaded[i]->TakeWarnings()) {
            warnings.push_back(std::move(warning));
        }
        inputs[i] = std::move(**loaded[i]);
    }
    Result<std::array<Bitmap, kInputCount>> all(std::move(inputs));
    return std::move(all.WarnFirst(warnings));
}

// The blend as the window and orrisbay-blend make it: one session, its
// height maps and options first, then the four slots, the merge running as
// the last arrives.
Result<MadeTexture> MakeBlend(const SetTexture& texture, const MakeContext& context) {
    Result<std::array<Bitmap, kInputCount>> loaded = LoadBlendInputs(texture, context);
    if (!loaded) {
        return Forward<MadeTexture>(std::move(loaded));
    }
    const std::vector<std::string> warnings = loaded.TakeWarnings();
    std::array<Bitmap, kInputCount>& inputs = *loaded;
    TextureSession session;
    PrepareSession(session, texture, context);
    (void)session.SetMergeOptions(texture.settings.Merge());
    SessionUpdate merged;
    for (const int input : {kGlowMask, kHeightMap1, kHeightMap2, 0, 1, 2, 3}) {
        const auto at = static_cast<std::size_t>(input);
        merged = session.SetInput(input, std::move(inputs[at]),
                                  InputSource::File(texture.Source(kBlendRoles[at]).string()));
    }
    if (merged.mergeFailure || session.Texture() == nullptr) {
        Result<MadeTexture> failed =
            Fail(ProblemKind::Failed,
                 "merge failed: " + merged.mergeFailure.value_or("no texture was made"),
                 texture.output.string());
        return std::move(failed.WarnFirst(warnings));
    }
    Result<MadeTexture> made = [&] {
        if (texture.outputKind != gameformats::OutputKind::Wad) {
            // A map's see-through texture reads where the layers cover, from the inputs.
            if (texture.outputKind != gameformats::OutputKind::Map) {
                session.ReleaseInputs(false);
            }
            return WritePicture(session, texture, context);
        }
        // Only a see-through texture reads where the layers cover.
        const Bitmap coverage =
            gameformats::IsSeeThroughName(texture.name) ? session.Coverage() : Bitmap();
        session.ReleaseInputs(false);
        return MakeLump(session.Texture(), coverage.get(), session.GlowMask(), texture, context);
    }();
    return std::move(made.WarnFirst(warnings));
}

// A plain picture, with its mask or else its own alpha as the see-through part.
Result<MadeTexture> MakePlainPicture(const SetTexture& texture, const MakeContext& context) {
    Result<Bitmap> picture = LoadSource(texture.Source(SourceRole::Picture), false, 1, context);
    if (!picture) {
        return Forward<MadeTexture>(std::move(picture));
    }
    std::vector<std::string> warnings = picture.TakeWarnings();
    // A mask or glow mask the texture names, or else none.
    const auto loadOptional = [&](SourceRole role, bool grey) -> Result<Bitmap> {
        const std::filesystem::path& file = texture.Source(role);
        if (file.empty()) {
            return Bitmap();
        }
        Result<Bitmap> loaded = LoadSource(file, grey, 1, context);
        for (std::string& warning : loaded.TakeWarnings()) {
            warnings.push_back(std::move(warning));
        }
        return loaded;
    };
    Result<Bitmap> glow = loadOptional(SourceRole::Glow, true);
    if (!glow) {
        return Forward<MadeTexture>(std::move(glow.WarnFirst(warnings)));
    }
    if (texture.outputKind != gameformats::OutputKind::Wad) {
        TextureSession session;
        PrepareSession(session, texture, context);
        (void)session.SetInput(kGlowMask, std::move(*glow), {});
        Result<MadeTexture> made = WritePicture(session, texture, context, picture->get());
        return std::move(made.WarnFirst(warnings));
    }
    Result<Bitmap> loadedMask = loadOptional(SourceRole::Mask, false);
    if (!loadedMask) {
        return Forward<MadeTexture>(std::move(loadedMask.WarnFirst(warnings)));
    }
    Bitmap mask = std::move(*loadedMask);
    if (!mask && freeimage_base::ImageType(picture->get()) == FIT_BITMAP &&
        freeimage_base::Bpp(picture->get()) == 32) {
        mask = freeimage_base::GetChannel(picture->get(), FICC_ALPHA);
    }
    Result<MadeTexture> made = MakeLump(picture->get(), mask.get(), glow->get(), texture, context);
    return std::move(made.WarnFirst(warnings));
}

}  // namespace

Result<MadeTexture> MakeSetTexture(const SetTexture& texture, const MakeContext& context) {
    return texture.IsPlainPicture() ? MakePlainPicture(texture, context)
                                    : MakeBlend(texture, context);
}

}  // namespace orrisbay::session
