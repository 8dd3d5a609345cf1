#include "session/set_build.h"

#include <algorithm>
#include <future>
#include <mutex>

#include "console/version.h"
#include "gameformats/texture_names.h"
#include "gameformats/wad_edit.h"
#include "session/content_hash.h"
#include "session/set_plan.h"
#include "session/set_texture_maker.h"
#include "slots/parallel_for.h"

namespace orrisbay::session {
namespace {

namespace fs = std::filesystem;

// A texture of the plan on its way: what making it gave.
struct Making {
    PlannedTexture* planned = nullptr;
    std::optional<Result<MadeTexture>> made;
};

TextureReport ReportOf(const PlannedTexture& planned, const PlannedOutput& output) {
    TextureReport report{planned.texture->name, output.key, TextureOutcome::UpToDate, {}, {}};
    if (planned.make) {
        report.outcome = TextureOutcome::OutOfDate;
        if (planned.before && !planned.before->failure.empty()) {
            report.problem = Fail(ProblemKind::Failed, planned.before->failure);
        }
    }
    if (planned.problem) {
        report.outcome = TextureOutcome::Failed;
        report.problem = planned.problem;
    }
    return report;
}

// Blends before plain pictures: the larger jobs start first, so the last
// ones to finish are small.
std::vector<Making> ToMake(BuildPlan& plan) {
    std::vector<Making> making;
    for (PlannedTexture& planned : plan.textures) {
        if (planned.make && !planned.problem) {
            making.push_back({&planned, std::nullopt});
        }
    }
    // Blends first: they take longest. (std::stable_partition, not the ranges one, which
    // clang cannot compile against GCC 12's library.)
    std::stable_partition(making.begin(), making.end(),
                          [](const Making& m) { return !m.planned->texture->IsPlainPicture(); });
    return making;
}

void MakeAll(BuildPlan& plan, std::vector<Making>& making, unsigned jobs,
             std::vector<TextureReport>& reports, BuildProgress& progress) {
    const unsigned running =
        std::max(1U, std::min<unsigned>(jobs, static_cast<unsigned>(making.size())));
    // Each merge gets its share of the `jobs` threads: N jobs never run more than N
    // threads, and when fewer textures than jobs are made the spare ones go to merges.
    const unsigned mergeThreads = std::max(1U, jobs / running);
    std::mutex reporting;
    std::mutex mapWrites;
    std::size_t done = 0;
    progress.Planned(making.size());
    slots::ParallelFor(running, making.size(), [&](std::size_t i) {
        PlannedTexture& planned = *making[i].planned;
        const PlannedOutput& output = plan.outputs[planned.output];
        {
            const std::scoped_lock lock(reporting);
            progress.Started(planned.texture->name);
        }
        const MakeContext context{planned.palette, planned.paletteProblem, output.kind,
                                  mergeThreads, &mapWrites};
        making[i].made = MakeSetTexture(*planned.texture, context);
        const std::scoped_lock lock(reporting);
        const std::size_t index = static_cast<std::size_t>(&planned - plan.textures.data());
        TextureReport& report = reports[index];
        if (*making[i].made) {
            report.outcome = TextureOutcome::Built;
            report.problem.reset();
        } else {
            report.outcome = TextureOutcome::Failed;
            report.problem = making[i].made->problem();
        }
        report.warnings = making[i].made->warnings();
        progress.Made(report, ++done, making.size());
    });
}

TextureReport& ReportFor(const Making& making, const BuildPlan& plan,
                         std::vector<TextureReport>& reports) {
    return reports[static_cast<std::size_t>(making.planned - plan.textures.data())];
}

void MarkFailed(Making& making, TextureReport& report, const Problem& problem) {
    report.outcome = TextureOutcome::Failed;
    report.problem = problem;
    making.made = Result<MadeTexture>(problem);
}

// Writes one WAD with every lump made for it and without the ones to
// remove; its textures fail together when it cannot be read or written.
void WriteWad(BuildPlan& plan, std::size_t outputIndex, std::vector<Making>& making,
              std::vector<TextureReport>& reports, BuildSummary& summary,
              std::future<Result<gameformats::WadFile>>& readEarly) {
    PlannedOutput& output = plan.outputs[outputIndex];
    std::vector<Making*> lumps;
    for (Making& m : making) {
        if (m.planned->output == outputIndex && *m.made && m.made->value().lump) {
            lumps.push_back(&m);
        }
    }
    if (lumps.empty() && output.toRemove.empty()) {
        return;
    }
    // Put in the recipe's order, so new textures are added as they are listed.
    std::ranges::sort(lumps, {}, [](const Making* m) { return m->planned; });
    auto wad = output.contents ? Result<gameformats::WadFile>(std::move(*output.contents))
               : readEarly.valid()
                   ? readEarly.get()
                   : gameformats::OpenWadForEditing(output.path.string(), output.kind);
    output.contents.reset();
    if (!wad) {
        const Problem failed = Fail(wad.problem().kind, wad.problem().message, output.key);
        for (Making* m : lumps) {
            MarkFailed(*m, ReportFor(*m, plan, reports), failed);
        }
        return;
    }
    std::vector<Making*> put;
    for (Making* m : lumps) {
        if (const auto placed = gameformats::PutTexture(*wad, *m->made->value().lump)) {
            put.push_back(m);
        } else {
            // A lump of another type holds the name: only this texture fails.
            MarkFailed(*m, ReportFor(*m, plan, reports),
                       Fail(placed.problem().kind, placed.problem().message, output.key));
        }
    }
    std::vector<std::string> removed;
    for (const std::string& name : output.toRemove) {
        if (gameformats::RemoveLump(*wad, name)) {
            removed.push_back(name);
        }
    }
    if (put.empty() && removed.empty()) {
        return;
    }
    if (const auto written = gameformats::WriteWadFile(output.path.string(), *wad); !written) {
        const Problem& failed = written.problem();
        for (Making* m : put) {
            MarkFailed(*m, ReportFor(*m, plan, reports), failed);
        }
        return;
    }
    for (Making* m : put) {
        TextureReport& report = ReportFor(*m, plan, reports);
        if (std::string gap = gameformats::AnimationGapWarning(*wad, m->planned->texture->name);
            !gap.empty()) {
            report.warnings.push_back(std::move(gap));
        }
    }
    for (const std::string& name : removed) {
        summary.removed.push_back(name + " from " + output.key);
        output.dropped.push_back(name);
    }
    output.fileNow = FileFingerprint(output.path);
}

// With two jobs or more, each WAD that textures are made for is read while
// they are made, on a thread of its own: making one texture seldom keeps
// every core busy, and reading a large WAD takes a good part of its time.
std::vector<std::future<Result<gameformats::WadFile>>> ReadWadsEarly(
    const BuildPlan& plan, const std::vector<Making>& making, unsigned jobs) {
    std::vector<std::future<Result<gameformats::WadFile>>> wads(plan.outputs.size());
    for (std::size_t i = 0; i < plan.outputs.size() && jobs > 1; ++i) {
        const PlannedOutput& output = plan.outputs[i];
        if (output.wad && !output.contents &&
            std::ranges::any_of(making, [i](const Making& m) { return m.planned->output == i; })) {
            wads[i] = std::async(std::launch::async, [&output] {
                return gameformats::OpenWadForEditing(output.path.string(), output.kind);
            });
        }
    }
    return wads;
}

// The record of a texture after this build.
BuiltTexture RecordOf(const PlannedTexture& planned, const Making* making) {
    const BuiltTexture kept =
        planned.before ? *planned.before : BuiltTexture{planned.texture->name, 0, 0, {}};
    if (!planned.make) {
        return kept;
    }
    BuiltTexture record{planned.texture->name, 0, kept.lump, {}};
    const bool made = making && making->made && *making->made;
    if (!made) {
        record.failure = making && making->made ? making->made->problem().message
                         : planned.problem      ? planned.problem->message
                                                : "not made";
        return record;
    }
    record.madeFrom = planned.madeFrom;
    const auto& lump = making->made->value().lump;
    record.lump = lump ? HashBytes(lump->data) : 0;
    return record;
}

RecipeState NewState(const BuildPlan& plan, const std::vector<Making>& making) {
    RecipeState state{std::string(console::kVersion), {}, plan.sources};
    for (std::size_t i = 0; i < plan.outputs.size(); ++i) {
        const PlannedOutput& output = plan.outputs[i];
        BuiltOutput built{output.key, output.fileNow.value_or(0), {}};
        for (const PlannedTexture& planned : plan.textures) {
            if (planned.output != i) {
                continue;
            }
            const auto found = std::ranges::find(making, &planned, &Making::planned);
            built.textures.push_back(RecordOf(planned, found == making.end() ? nullptr : &*found));
        }
        // Lumps put there before that are no longer listed stay this recipe's
        // until they are removed.
        if (output.before) {
            for (const BuiltTexture& old : output.before->textures) {
                const bool listed = std::ranges::any_of(built.textures, [&](const BuiltTexture& t) {
                    return gameformats::SameLumpName(t.name, old.name);
                });
                if (!listed &&
                    std::ranges::find(output.dropped, old.name) == output.dropped.end()) {
                    built.textures.push_back(old);
                }
            }
        }
        if (!built.textures.empty()) {
            state.outputs.push_back(std::move(built));
        }
    }
    return state;
}

// Textures left out by request.only are not reported.
void LeaveOutUnselected(const BuildPlan& plan, BuildSummary& summary) {
    std::vector<TextureReport> selected;
    for (std::size_t i = 0; i < plan.textures.size(); ++i) {
        if (plan.textures[i].selected) {
            selected.push_back(std::move(summary.textures[i]));
        }
    }
    summary.textures = std::move(selected);
}

}  // namespace

std::size_t BuildSummary::Count(TextureOutcome outcome) const {
    return static_cast<std::size_t>(std::ranges::count(textures, outcome, &TextureReport::outcome));
}

const TextureReport* BuildSummary::FirstFailure() const {
    const auto found = std::ranges::find(textures, TextureOutcome::Failed, &TextureReport::outcome);
    return found == textures.end() ? nullptr : &*found;
}

Result<BuildSummary> BuildSet(const BuildRequest& request, BuildProgress& progress) {
    Result<BuildPlan> planned = PlanBuild(request);
    if (!planned) {
        return Forward<BuildSummary>(std::move(planned));
    }
    BuildPlan& plan = *planned;
    BuildSummary summary;
    summary.warnings = std::move(plan.warnings);
    for (const PlannedTexture& texture : plan.textures) {
        summary.textures.push_back(ReportOf(texture, plan.outputs[texture.output]));
    }
    if (request.dryRun) {
        for (const PlannedOutput& output : plan.outputs) {
            for (const std::string& name : output.toRemove) {
                summary.removed.push_back(name + " from " + output.key);
            }
        }
        LeaveOutUnselected(plan, summary);
        return summary;
    }
    std::vector<Making> making = ToMake(plan);
    const unsigned jobs = request.jobs == 0 ? slots::MachineThreads() : request.jobs;
    std::vector<std::future<Result<gameformats::WadFile>>> wads = ReadWadsEarly(plan, making, jobs);
    MakeAll(plan, making, jobs, summary.textures, progress);
    for (std::size_t i = 0; i < plan.outputs.size(); ++i) {
        if (plan.outputs[i].wad) {
            WriteWad(plan, i, making, summary.textures, summary, wads[i]);
        } else if (std::ranges::any_of(making, [i](const Making& m) {
                       return m.planned->output == i && *m.made;
                   })) {
            plan.outputs[i].fileNow = FileFingerprint(plan.outputs[i].path);
        }
    }
    LeaveOutUnselected(plan, summary);
    const fs::path statePath = StatePathOf(request.recipe);
    const RecipeState state = NewState(plan, making);
    if (Result<void> written = WriteRecipeState(state, statePath); !written) {
        summary.stateProblem = written.problem();
    }
    return summary;
}

}  // namespace orrisbay::session
