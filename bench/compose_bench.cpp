// Time of one full merge for layers of a given side, with masks twice that
// side (the proportions of the window's built-in pictures): the slot table's
// merge on the calling thread alone (threads:1) and on the machine's cores
// (threads:0), and the same merge as the plain sequence of library calls the
// tests compare it with.
//
// Compare all three at 4096 in one run:
//   orrisbay_bench_compose --benchmark_filter=side:4096
// Height blending (depth 0.15) against the plain merge of the same inputs, on
// all cores, interleaved so both see the same load on the machine:
//   orrisbay_bench_compose --benchmark_filter=HeightBlend --benchmark_repetitions=9
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
// Peak memory of one mode alone:
//   /usr/bin/time -v orrisbay_bench_compose --benchmark_filter=side:4096/threads:1
#include <benchmark/benchmark.h>

#include "bench_bitmaps.h"
#include "reference_merge.h"
#include "slots/slot_table.h"

namespace {

using orrisbay::bench::Gradient;
using namespace orrisbay::slots;

void BM_ComposeLayers(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    NullSlotView view;
    SlotTable table(view);
    table.SetMergeThreads(static_cast<unsigned>(state.range(1)));
    table.SetSlotImage(kLayer1, Gradient(side, 24));
    table.SetSlotImage(kLayer2, Gradient(side, 24));
    table.SetSlotImage(kMask1, Gradient(2 * side, 8));
    table.SetSlotImage(kMask2, Gradient(2 * side, 8));
    if (table.Slot(kResult) == nullptr) {
        state.SkipWithError("the merge failed");
        return;
    }
    for (auto _ : state) {
        table.ComposeLayers();
        benchmark::DoNotOptimize(table.Slot(kResult));
    }
    state.counters["threads"] = table.MergeThreads();
    state.SetItemsProcessed(state.iterations() * side * side);
}

BENCHMARK(BM_ComposeLayers)
    ->ArgNames({"side", "threads"})
    ->ArgsProduct({{256, 1024, 2048, 4096}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Layers that differ, so the transition has both a taller layer 1 and a
// taller layer 2; masks twice their side, as above.
void BM_HeightBlend(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    NullSlotView view;
    SlotTable table(view);
    table.SetSlotImage(kLayer1, Gradient(side, 24));
    table.SetSlotImage(kLayer2, orrisbay::bench::Noise(side, 24));
    table.SetSlotImage(kMask1, Gradient(2 * side, 8));
    table.SetSlotImage(kMask2, Gradient(2 * side, 8));
    if (state.range(1) != 0) {
        table.SetMergeOptions({HeightBlend{0.15}});
    }
    if (table.Slot(kResult) == nullptr) {
        state.SkipWithError("the merge failed");
        return;
    }
    for (auto _ : state) {
        table.ComposeLayers();
        benchmark::DoNotOptimize(table.Slot(kResult));
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

BENCHMARK(BM_HeightBlend)
    ->ArgNames({"side", "height"})
    ->ArgsProduct({{4096}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_LibraryMerge(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const auto layer1 = Gradient(side, 24);
    const auto layer2 = Gradient(side, 24);
    const auto mask1 = Gradient(2 * side, 8);
    const auto mask2 = Gradient(2 * side, 8);
    for (auto _ : state) {
        const auto merged =
            testing::MergeStepByStep(layer1.get(), layer2.get(), mask1.get(), mask2.get());
        if (!merged.result) {
            state.SkipWithError("the merge failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

BENCHMARK(BM_LibraryMerge)
    ->ArgName("side")
    ->Arg(256)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
