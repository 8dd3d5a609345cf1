// The image library's routines against our own kernels, which give the same
// bytes, in one run: the bicubic rescale (4096 -> 8192 and 8192 -> 4096, for
// 8-bit grey, 24 and 32 bits), the greyscale conversion of an 8192 x 8192
// 24-bit mask, the two alpha insertions and composites of a 4096 merge, and
// the merge's pixel steps chained (4096 layers, 8192 masks), and height
// blending's row kernel. Ours run on 1
// and 2 threads; the label names the instruction set they ran on.
//
//   orrisbay_bench_kernels
//   orrisbay_bench_kernels --benchmark_filter=Rescale
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_bitmaps.h"
#include "slots/kernels/composite_kernel.h"
#include "slots/kernels/exact_rescale.h"
#include "slots/kernels/grey_kernel.h"
#include "slots/kernels/height_rows.h"
#include "slots/kernels/pixel_rows.h"

namespace {

using orrisbay::bench::Gradient;
using orrisbay::freeimage_base::Bitmap;
using namespace orrisbay::slots;

// Arguments: bits per pixel, source side, target side[, threads].
void BM_RescaleLibrary(benchmark::State& state) {
    const Bitmap source =
        Gradient(static_cast<int>(state.range(1)), static_cast<int>(state.range(0)));
    const int side = static_cast<int>(state.range(2));
    for (auto _ : state) {
        Bitmap scaled(FreeImage_Rescale(source.get(), side, side, FILTER_BICUBIC));
        benchmark::DoNotOptimize(scaled.get());
    }
}

void BM_RescaleOurs(benchmark::State& state) {
    const Bitmap source =
        Gradient(static_cast<int>(state.range(1)), static_cast<int>(state.range(0)));
    const auto side = static_cast<unsigned>(state.range(2));
    for (auto _ : state) {
        Bitmap scaled =
            RescaleBicubic(source.get(), side, side, static_cast<unsigned>(state.range(3)));
        benchmark::DoNotOptimize(scaled.get());
    }
    state.SetLabel(simd::TargetName());
}

BENCHMARK(BM_RescaleLibrary)
    ->ArgNames({"bpp", "from", "to"})
    ->ArgsProduct({{8, 24, 32}, {4096}, {8192}})
    ->ArgsProduct({{8, 24, 32}, {8192}, {4096}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RescaleOurs)
    ->ArgNames({"bpp", "from", "to", "threads"})
    ->ArgsProduct({{8, 24, 32}, {4096}, {8192}, {1, 2}})
    ->ArgsProduct({{8, 24, 32}, {8192}, {4096}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_GreyLibrary(benchmark::State& state) {
    const Bitmap mask = Gradient(8192, 24);
    for (auto _ : state) {
        Bitmap grey(FreeImage_ConvertToGreyscale(mask.get()));
        benchmark::DoNotOptimize(grey.get());
    }
}

void BM_GreyOurs(benchmark::State& state) {
    const Bitmap mask = Gradient(8192, 24);
    for (auto _ : state) {
        Bitmap grey = ConvertToGrey8(mask.get(), static_cast<unsigned>(state.range(0)));
        benchmark::DoNotOptimize(grey.get());
    }
    state.SetLabel(simd::TargetName());
}

BENCHMARK(BM_GreyLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GreyOurs)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The merge's last steps at 4096: both masks set as alpha, layer 1 over a
// black canvas, layer 2 over that.
struct CompositeInputs {
    Bitmap layer1 = Gradient(4096, 32);
    Bitmap layer2 = Gradient(4096, 32);
    Bitmap mask1 = Gradient(4096, 8);
    Bitmap mask2 = Gradient(4096, 8);
};

void BM_CompositeLibrary(benchmark::State& state) {
    const CompositeInputs in;
    for (auto _ : state) {
        FreeImage_SetChannel(in.layer1.get(), in.mask1.get(), FICC_ALPHA);
        FreeImage_SetChannel(in.layer2.get(), in.mask2.get(), FICC_ALPHA);
        const Bitmap canvas(FreeImage_Allocate(4096, 4096, 24));
        const Bitmap first(FreeImage_Composite(in.layer1.get(), FALSE, nullptr, canvas.get()));
        Bitmap result(FreeImage_Composite(in.layer2.get(), FALSE, nullptr, first.get()));
        benchmark::DoNotOptimize(result.get());
    }
}

void BM_CompositeOurs(benchmark::State& state) {
    const CompositeInputs in;
    const MaskedLayers inputs{in.layer1.get(), in.mask1.get(), in.layer2.get(), in.mask2.get()};
    for (auto _ : state) {
        Bitmap result = CompositeMaskedLayers(inputs, static_cast<unsigned>(state.range(0)));
        benchmark::DoNotOptimize(result.get());
    }
    state.SetLabel(simd::TargetName());
}

BENCHMARK(BM_CompositeLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompositeOurs)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Height blending's new mask for one row of 4096 pixels (24-bit layers, depth
// 0.15), again and again: the kernel alone, its pixels in the cache.
void BM_HeightRow(benchmark::State& state) {
    const Bitmap layer1 = Gradient(4096, 24);
    const Bitmap layer2 = orrisbay::bench::Noise(4096, 24);
    const Bitmap mask = Gradient(4096, 8);
    std::vector<BYTE> out(4096);
    const simd::HeightRowSources row{FreeImage_GetScanLine(layer1.get(), 7), 3,
                                     FreeImage_GetScanLine(layer2.get(), 7), 3,
                                     FreeImage_GetScanLine(mask.get(), 7)};
    for (auto _ : state) {
        simd::HeightMaskRow(row, HeightBlend{0.15}, 4096, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 4096);
    state.SetLabel(simd::TargetName());
}
BENCHMARK(BM_HeightRow);

}  // namespace

BENCHMARK_MAIN();
