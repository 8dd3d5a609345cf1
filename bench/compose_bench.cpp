// Time of one full merge for layers of a given side, with masks twice that
// side (the proportions of the window's built-in pictures).
//
// Run only the largest case, e.g. to measure its peak memory:
//   orrisbay_bench_compose --benchmark_filter=/4096
#include <benchmark/benchmark.h>

#include "slots/slot_table.h"

namespace {

using orrisbay::freeimage_base::Bitmap;
using namespace orrisbay::slots;

// A bitmap with a simple gradient, so the rescale has real data to filter.
Bitmap Gradient(int side, int bpp) {
    Bitmap bitmap(FreeImage_Allocate(side, side, bpp));
    const unsigned pitch = FreeImage_GetPitch(bitmap.get());
    const unsigned line = FreeImage_GetLine(bitmap.get());
    BYTE* bits = FreeImage_GetBits(bitmap.get());
    for (int y = 0; y < side; ++y) {
        BYTE* row = bits + static_cast<std::size_t>(y) * pitch;
        for (unsigned x = 0; x < line; ++x) {
            row[x] = static_cast<BYTE>((x + static_cast<unsigned>(y)) & 0xFF);
        }
    }
    return bitmap;
}

void BM_ComposeLayers(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    NullSlotView view;
    SlotTable table(view);
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
    state.SetItemsProcessed(state.iterations() * side * side);
}

BENCHMARK(BM_ComposeLayers)
    ->Arg(256)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
