#include "session/session_recipe.h"

#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "palette/conversion_options.h"

namespace orrisbay::session {

namespace {

namespace fs = std::filesystem;
using gameformats::OutputKind;

// The recipe's keys of the session's inputs.
constexpr std::array<SourceRole, kInputCount> kInputRoles = {
    SourceRole::Layer1,  SourceRole::Layer2,  SourceRole::Mask1, SourceRole::Mask2,
    SourceRole::Height1, SourceRole::Height2, SourceRole::Glow};

bool HasPicture(const TextureSession& session, int input) {
    return session.InputPicture(input) != nullptr;
}

// `path` as the recipe in `folder` names it.
std::string RecipePath(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_proximate(folder);
    return (relative.empty() ? path : relative).generic_string();
}

void Put(RecipeOptions& options, std::string key, OptionValue value) {
    options[std::move(key)] = OptionSetting{std::move(value), {}};
}

}  // namespace

Result<SessionTexture> SessionTextureOf(const SetTexture& texture) {
    if (texture.IsPlainPicture()) {
        return Fail(
            ProblemKind::WrongUsage,
            texture.name + " is made from one picture, not from four: open its picture with Open",
            texture.Source(SourceRole::Picture).string());
    }
    SessionTexture made;
    made.name = texture.name;
    for (std::size_t input = 0; input < kInputRoles.size(); ++input) {
        made.sources[input] = texture.Source(kInputRoles[input]);
    }
    const TextureSettings& settings = texture.settings;
    made.merge = settings.Merge();
    made.conversion = settings.conversion;
    made.palette = settings.palette;
    const bool wad = texture.outputKind == OutputKind::Wad;
    made.output.request = {.path = texture.output.string(),
                           .toPalette = wad || settings.toPalette,
                           .conversion = settings.conversion,
                           .textureName = wad ? texture.name : std::string(),
                           .wadKind = settings.newWadKind,
                           .seeThroughThreshold = settings.threshold,
                           .kind = texture.outputKind,
                           .glowOutput = settings.glowOutput};
    made.output.rescaleToGrid = settings.rescale;
    return made;
}

std::vector<int> InputsWithoutFiles(const TextureSession& session) {
    std::vector<int> inputs;
    for (int input = 0; input < kInputCount; ++input) {
        if ((input < kSlotInputs || HasPicture(session, input)) &&
            !session.Source(input).IsFile()) {
            inputs.push_back(input);
        }
    }
    return inputs;
}

Result<SessionTexture> SessionTextureFrom(const TextureSession& session, const fs::path& palette) {
    if (!session.KeptOutput()) {
        return Fail(ProblemKind::NothingToWrite,
                    "the texture has not been saved yet: a recipe needs the file it goes to "
                    "(Save As or Add to WAD first)");
    }
    SessionTexture made;
    for (int input = 0; input < kInputCount; ++input) {
        if (HasPicture(session, input) && session.Source(input).IsFile()) {
            made.sources[static_cast<std::size_t>(input)] = session.Source(input).path;
        }
    }
    made.merge = session.Table().Options();
    made.output = *session.KeptOutput();
    made.conversion = made.output.request.conversion;
    made.palette = palette;
    const gameformats::ExportRequest& request = made.output.request;
    made.name = gameformats::OutputKindOf(request) == OutputKind::Wad
                    ? gameformats::TextureNameOf(request)
                    : gameformats::TextureNameFromFileName(request.path);
    return made;
}

RecipeTexture RecipeTextureOf(const SessionTexture& texture, const fs::path& folder) {
    RecipeTexture recipe;
    recipe.name = texture.name;
    for (std::size_t input = 0; input < kInputRoles.size(); ++input) {
        if (!texture.sources[input].empty()) {
            recipe.Source(kInputRoles[input]) = RecipePath(texture.sources[input], folder);
        }
    }
    const gameformats::ExportRequest& request = texture.output.request;
    recipe.output = RecipePath(request.path, folder);
    RecipeOptions& options = recipe.options;
    if (!texture.palette.empty()) {
        Put(options, "palette", RecipePath(texture.palette, folder));
    }
    const quake_palette::Dithering& dithering = texture.conversion.dithering;
    if (dithering.mode != quake_palette::DitherMode::None) {
        Put(options, "dither", quake_palette::DitheringText(dithering));
    } else {
        Put(options, "dither", texture.conversion.dither);
    }
    Put(options, "metric", std::string(quake_palette::MetricName(texture.conversion.metric)));
    Put(options, "fullbrights", texture.conversion.allowFullbrights);
    Put(options, "rescale", texture.output.rescaleToGrid);
    if (texture.merge.heightBlend) {
        Put(options, "height_blend", texture.merge.heightBlend->depth);
        Put(options, "height_strength", texture.merge.heightBlend->strength);
    } else {
        Put(options, "height_blend", false);
    }
    if (gameformats::OutputKindOf(request) == OutputKind::Wad) {
        const bool wad3 = request.wadKind == gameformats::WadKind::Wad3;
        Put(options, "wad", std::string(wad3 ? "wad3" : "wad2"));
        Put(options, "threshold", std::int64_t{request.seeThroughThreshold});
    } else {
        Put(options, "quake", request.toPalette);
    }
    if (request.glowOutput) {
        Put(options, "glow_output", true);
    }
    return recipe;
}

Result<std::vector<ListedTexture>> ListRecipeTextures(
    const std::string& path, const std::optional<quake_palette::Palette>& programPalette) {
    Result<Recipe> recipe = ReadRecipe(path);
    if (!recipe) {
        return Forward<std::vector<ListedTexture>>(std::move(recipe));
    }
    Result<TextureSet> set = ExpandRecipe(*recipe);
    if (!set) {
        return Forward<std::vector<ListedTexture>>(std::move(set));
    }
    BuildRequest request{path};
    request.dryRun = true;
    request.programPalette = programPalette;
    if (!programPalette) {
        request.programPaletteProblem = std::string(quake_palette::kUnavailableMessage);
    }
    BuildProgress quiet;
    Result<BuildSummary> summary = BuildSet(request, quiet);
    if (!summary) {
        return Forward<std::vector<ListedTexture>>(std::move(summary));
    }
    std::vector<ListedTexture> listed;
    for (std::size_t i = 0; i < set->textures.size(); ++i) {
        ListedTexture& texture = listed.emplace_back();
        texture.texture = std::move(set->textures[i]);
        // The dry run reports the textures in the recipe's order, as the set lists them.
        if (i >= summary->textures.size() || summary->textures[i].name != texture.texture.name) {
            continue;
        }
        const TextureReport& report = summary->textures[i];
        if (report.problem) {
            texture.state = ListedTexture::State::Failed;
            texture.why = report.problem->message;
        } else if (report.outcome == TextureOutcome::UpToDate) {
            texture.state = ListedTexture::State::Built;
        }
    }
    return listed;
}

}  // namespace orrisbay::session
