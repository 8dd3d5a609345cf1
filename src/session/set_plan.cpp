#include "session/set_plan.h"

#include <algorithm>
#include <map>

#include "console/version.h"
#include "gameformats/texture_names.h"
#include "gameformats/wad_edit.h"
#include "gameformats/wad_palette.h"
#include "session/content_hash.h"
#include "slots/parallel_for.h"

namespace orrisbay::session {
namespace {

namespace fs = std::filesystem;

unsigned JobsOf(const BuildRequest& request) {
    return request.jobs == 0 ? slots::MachineThreads() : request.jobs;
}

using PaletteKey = std::pair<fs::path, std::optional<int>>;
using PaletteIndices = std::map<PaletteKey, std::size_t>;

ContentHash PaletteHash(const quake_palette::Palette& palette) {
    HashBuilder hash;
    for (const quake_palette::ColourValue colour : palette) {
        hash.Add(colour);
    }
    // Quake's count leaves the hashes that states already hold as they were.
    if (palette.fullbrightCount != quake_palette::kQuakeFullbrightCount) {
        hash.Add(static_cast<std::uint64_t>(palette.fullbrightCount));
    }
    return hash.Value();
}

// A texture's palette: its file (empty: the program's) and fullbright count.
PaletteKey PaletteKeyOf(const SetTexture& texture) {
    return {texture.settings.palette, texture.settings.fullbrightCount};
}

// Reads every palette the set's textures name, once each, with the
// fullbright count each asks for; the first that cannot be used stops the
// build, named where the recipe names it. The program's palette is copied
// only for a count of its own.
Result<PaletteIndices> ReadPalettes(BuildPlan& plan, const BuildRequest& request) {
    PaletteIndices indices;
    for (const SetTexture& texture : plan.set.textures) {
        const PaletteKey key = PaletteKeyOf(texture);
        const auto& [path, count] = key;
        if ((path.empty() && (!count || !request.programPalette)) || indices.contains(key)) {
            continue;
        }
        quake_palette::Palette palette;
        if (path.empty()) {
            palette = *request.programPalette;
        } else {
            Result<quake_palette::PaletteFile> read =
                gameformats::ReadAnyPaletteFile(path.string());
            if (!read) {
                const RecipePlace place = texture.options.at("palette").place;
                return Fail(read.problem().kind,
                            PlaceMessage(plan.set.recipe.string(), place, "palette",
                                         read.problem().message),
                            path.string());
            }
            palette = read->palette;
        }
        if (count) {
            palette.fullbrightCount = *count;
        }
        indices[key] = plan.palettes.size();
        plan.palettes.push_back(palette);
    }
    return indices;
}

// Every source file's hash, each file read once, several at a time; none
// for a file that cannot be read. A file the file system says nothing new of
// since the last build keeps the hash that build found, unread; the rest are
// noted in `known` for the next build.
std::map<fs::path, std::optional<ContentHash>> HashSources(const BuildPlan& plan, unsigned jobs,
                                                           std::vector<KnownSource>& known) {
    std::map<fs::path, std::optional<ContentHash>> hashes;
    for (const SetTexture& texture : plan.set.textures) {
        for (const fs::path& source : texture.sources) {
            if (!source.empty()) {
                hashes.try_emplace(source);
            }
        }
    }
    std::map<std::string_view, const KnownSource*> before;
    for (const KnownSource& source : plan.before.sources) {
        before.emplace(source.path, &source);
    }
    std::vector<std::pair<const fs::path, std::optional<ContentHash>>*> entries;
    for (auto& entry : hashes) {
        entries.push_back(&entry);
    }
    known.assign(entries.size(), {});
    slots::ParallelFor(jobs, entries.size(), [&](std::size_t i) {
        const fs::path& path = entries[i]->first;
        KnownSource& source = known[i];
        source.path = OutputKey(path, plan.set.folder);
        const std::optional<ContentHash> seen = SettledFingerprint(path);
        const auto last = before.find(source.path);
        if (seen && last != before.end() && last->second->seen == *seen) {
            entries[i]->second = last->second->bytes;
        } else {
            entries[i]->second = HashFile(path);
        }
        source.seen = seen.value_or(0);
        source.bytes = entries[i]->second.value_or(0);
    });
    // Only what can be trusted next time is kept.
    std::erase_if(known, [](const KnownSource& source) { return source.seen == 0; });
    return hashes;
}

// The outputs of the set, each with its file's hash and what the recipe
// put there before.
void PlanOutputs(BuildPlan& plan) {
    std::map<std::string, std::size_t> indices;
    for (const SetTexture& texture : plan.set.textures) {
        const std::string key = OutputKey(texture.output, plan.set.folder);
        if (indices.try_emplace(key, plan.outputs.size()).second) {
            PlannedOutput& output = plan.outputs.emplace_back();
            output.key = key;
            output.path = texture.output;
            output.wad = texture.outputKind == gameformats::OutputKind::Wad;
            output.kind = texture.settings.newWadKind;
            output.before = plan.before.FindOutput(key);
        }
    }
    // Outputs the recipe no longer writes, whose lumps may have to go.
    for (const BuiltOutput& built : plan.before.outputs) {
        if (!indices.contains(built.path) &&
            gameformats::OutputKindOf(built.path) == gameformats::OutputKind::Wad) {
            PlannedOutput& output = plan.outputs.emplace_back();
            output.key = built.path;
            output.path = plan.set.folder / built.path;
            output.wad = true;
            output.before = &built;
        }
    }
    for (PlannedOutput& output : plan.outputs) {
        output.fileNow = FileFingerprint(output.path);
        if (!output.wad || !output.fileNow) {
            continue;
        }
        const auto header = gameformats::ReadWadHeader(output.path.string());
        if (!header) {
            output.problem = header.problem();
        } else {
            output.kind = header->kind;
        }
    }
}

// The WAD's contents, read when first needed; null when it cannot be.
const gameformats::WadFile* Contents(PlannedOutput& output) {
    if (!output.contents && !output.problem && output.fileNow) {
        auto read = gameformats::ReadWadFile(output.path.string());
        if (read) {
            output.contents = std::move(*read);
        } else {
            output.problem = read.problem();
        }
    }
    return output.contents ? &*output.contents : nullptr;
}

// True when the WAD still holds the lump this recipe made for `name`.
bool HoldsLump(PlannedOutput& output, const BuiltTexture& built) {
    if (output.before && output.fileNow == output.before->file) {
        return true;
    }
    const gameformats::WadFile* wad = Contents(output);
    const auto found = wad ? gameformats::FindLump(*wad, built.name) : std::nullopt;
    return found && HashBytes(wad->lumps[*found].data) == built.lump;
}

// True when the output still holds what the last build made of the texture.
bool OutputIntact(PlannedOutput& output, const BuiltTexture& built) {
    if (!output.fileNow || !output.before) {
        return false;
    }
    return output.wad ? HoldsLump(output, built) : *output.fileNow == output.before->file;
}

ContentHash MadeFromHash(const SetTexture& texture, const PlannedOutput& output,
                         const fs::path& folder, ContentHash palette,
                         const std::map<fs::path, std::optional<ContentHash>>& sources) {
    HashBuilder hash;
    hash.Add(console::kVersion).Add(output.key).Add(texture.name).Add(palette);
    hash.Add(static_cast<std::uint64_t>(output.kind));
    for (std::size_t role = 0; role < kSourceRoles; ++role) {
        if (const fs::path& source = texture.sources[role]; !source.empty()) {
            hash.Add(kSourceKeys[role]).Add(OutputKey(source, folder));
            hash.Add(sources.at(source).value_or(0));
        }
    }
    for (const auto& [key, setting] : texture.options) {
        hash.Add(key).Add(OptionValueText(setting.value));
    }
    return hash.Value();
}

std::optional<Problem> UnreadableSource(
    const SetTexture& texture, const std::map<fs::path, std::optional<ContentHash>>& sources) {
    for (const fs::path& source : texture.sources) {
        if (!source.empty() && !sources.at(source)) {
            std::error_code error;
            const bool missing = !fs::exists(source, error);
            return Fail(missing ? ProblemKind::Missing : ProblemKind::Unreadable,
                        source.string() + (missing ? ": no such file" : ": cannot be read"),
                        source.string());
        }
    }
    return std::nullopt;
}

bool Selected(const SetTexture& texture, const std::vector<std::string>& only) {
    return only.empty() || std::ranges::find(only, texture.name) != only.end();
}

Result<void> CheckOnly(const BuildRequest& request, const TextureSet& set) {
    for (const std::string& name : request.only) {
        if (std::ranges::find(set.textures, name, &SetTexture::name) == set.textures.end()) {
            return Fail(ProblemKind::NotFound,
                        request.recipe.string() + ": no texture named \"" + name + "\"",
                        request.recipe.string());
        }
    }
    return {};
}

void PlanTextures(BuildPlan& plan, const BuildRequest& request,
                  const PaletteIndices& paletteIndices) {
    const auto sources = HashSources(plan, JobsOf(request), plan.sources);
    const ContentHash programPalette =
        request.programPalette ? PaletteHash(*request.programPalette) : 0;
    for (const SetTexture& texture : plan.set.textures) {
        PlannedTexture& planned = plan.textures.emplace_back();
        planned.texture = &texture;
        planned.output = static_cast<std::size_t>(
            std::ranges::find(plan.outputs, OutputKey(texture.output, plan.set.folder),
                              &PlannedOutput::key) -
            plan.outputs.begin());
        PlannedOutput& output = plan.outputs[planned.output];
        planned.selected = Selected(texture, request.only);
        if (const auto own = paletteIndices.find(PaletteKeyOf(texture));
            own != paletteIndices.end()) {
            planned.palette = &plan.palettes[own->second];
        } else {
            planned.palette = request.programPalette ? &*request.programPalette : nullptr;
            planned.paletteProblem = request.programPaletteProblem;
        }
        planned.madeFrom =
            MadeFromHash(texture, output, plan.set.folder,
                         planned.palette ? PaletteHash(*planned.palette) : programPalette, sources);
        planned.before = output.before ? output.before->FindTexture(texture.name) : nullptr;
        const bool upToDate = planned.before && planned.before->failure.empty() &&
                              planned.before->madeFrom == planned.madeFrom &&
                              OutputIntact(output, *planned.before);
        planned.make = planned.selected && (request.force || !upToDate);
        if (planned.make) {
            planned.problem = UnreadableSource(texture, sources);
            if (!planned.problem && output.problem) {
                planned.problem = output.problem;
            }
        }
    }
}

// The lumps each WAD holds that this recipe put there and no longer lists.
void PlanRemovals(BuildPlan& plan) {
    for (PlannedOutput& output : plan.outputs) {
        if (!output.wad || !output.before || !output.fileNow) {
            continue;
        }
        for (const BuiltTexture& built : output.before->textures) {
            const bool listed = std::ranges::any_of(plan.textures, [&](const PlannedTexture& t) {
                return &plan.outputs[t.output] == &output &&
                       gameformats::SameLumpName(t.texture->name, built.name);
            });
            if (!listed && built.lump != 0 && HoldsLump(output, built)) {
                output.toRemove.push_back(built.name);
            } else if (!listed && built.lump != 0) {
                plan.warnings.push_back(output.key + ": kept " + built.name +
                                        ", which has changed since this recipe put it there");
                output.dropped.push_back(built.name);
            }
        }
    }
}

}  // namespace

std::string OutputKey(const fs::path& path, const fs::path& folder) {
    const fs::path relative = folder.empty() ? path : path.lexically_relative(folder);
    return (relative.empty() ? path : relative).generic_string();
}

Result<BuildPlan> PlanBuild(const BuildRequest& request) {
    Result<Recipe> recipe = ReadRecipe(request.recipe.string());
    if (!recipe) {
        return Forward<BuildPlan>(std::move(recipe));
    }
    Result<TextureSet> set = ExpandRecipe(*recipe);
    if (!set) {
        return Forward<BuildPlan>(std::move(set));
    }
    BuildPlan plan;
    plan.warnings = set.TakeWarnings();
    plan.set = std::move(*set);
    if (Result<void> only = CheckOnly(request, plan.set); !only) {
        return only.problem();
    }
    Result<RecipeState> state = ReadRecipeState(StatePathOf(request.recipe));
    for (std::string& warning : state.TakeWarnings()) {
        plan.warnings.push_back(std::move(warning));
    }
    plan.before = std::move(*state);
    Result<PaletteIndices> palettes = ReadPalettes(plan, request);
    if (!palettes) {
        return palettes.problem();
    }
    PlanOutputs(plan);
    PlanTextures(plan, request, *palettes);
    if (request.only.empty()) {
        PlanRemovals(plan);
    }
    return Result<BuildPlan>(std::move(plan));
}

}  // namespace orrisbay::session
