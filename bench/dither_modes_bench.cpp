// Time of converting a 1024 x 1024 texture to the Quake palette's ordinary
// colours in each dithering mode and colour metric, today's two modes
// (none/rgb, floyd-steinberg/rgb) among them in the same run: the conversion
// alone with the converter built once, and the converter's set-up.
//
//   orrisbay_bench_dither_modes --benchmark_repetitions=5 --benchmark_report_aggregates_only
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "palette/palette_conversion.h"
#include "palette/palette_gamut.h"
#include "palette/perceptual_colour.h"
#include "shipped_palette.h"

namespace {

using orrisbay::freeimage_base::Bitmap;
using namespace orrisbay::quake_palette;

using orrisbay::bench::ShippedPalette;

// Slow waves of colour with a little grain, like a painted wall.
Bitmap Wall(int side) {
    Bitmap bitmap(FreeImage_Allocate(side, side, 24));
    std::mt19937 random(3);
    std::uniform_int_distribution<int> grain(-6, 6);
    for (int y = 0; y < side; ++y) {
        BYTE* p = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < side; ++x, p += 3) {
            const double u = 6.2832 * x / side, v = 6.2832 * y / side;
            const int base = static_cast<int>(110 + 50 * std::sin(3 * u) * std::cos(2 * v));
            p[FI_RGBA_RED] = static_cast<BYTE>(std::clamp(base + 20 + grain(random), 0, 255));
            p[FI_RGBA_GREEN] = static_cast<BYTE>(std::clamp(base + grain(random), 0, 255));
            p[FI_RGBA_BLUE] = static_cast<BYTE>(std::clamp(base - 25 + grain(random), 0, 255));
        }
    }
    return bitmap;
}

// A pale blue-white sky with clouds, much of it brighter than every ordinary
// colour: the diffusion's aim is searched for most of its colours.
Bitmap PaleSky(int side) {
    Bitmap bitmap(FreeImage_Allocate(side, side, 24));
    std::mt19937 random(5);
    std::uniform_int_distribution<int> grain(-4, 4);
    for (int y = 0; y < side; ++y) {
        BYTE* p = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < side; ++x, p += 3) {
            const double u = 6.2832 * x / side, v = 6.2832 * y / side;
            const int cloud =
                static_cast<int>(30 * std::sin(2 * u + std::cos(3 * v)) * std::sin(v));
            p[FI_RGBA_RED] = static_cast<BYTE>(std::clamp(200 + cloud + grain(random), 0, 255));
            p[FI_RGBA_GREEN] = static_cast<BYTE>(std::clamp(215 + cloud + grain(random), 0, 255));
            p[FI_RGBA_BLUE] =
                static_cast<BYTE>(std::clamp(245 + cloud / 2 + grain(random), 0, 255));
        }
    }
    return bitmap;
}

const RegionIndices kOrdinary{IndexSet::Range(0, 223), {}, 255};

void BM_Convert(benchmark::State& state) {
    const Bitmap texture = Wall(1024);
    const auto mode = static_cast<DitherMode>(state.range(0));
    const auto metric = static_cast<ColourMetric>(state.range(1));
    const PaletteConverter converter(ShippedPalette(), kOrdinary, metric);
    for (auto _ : state) {
        auto indexed = converter.Convert(texture.get(), nullptr, {mode, {}});
        benchmark::DoNotOptimize(indexed->get());
    }
    state.SetLabel(DitheringText({mode, {}}) + "/" + std::string(MetricName(metric)));
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_Convert)
    ->ArgsProduct(
        {{static_cast<int>(DitherMode::None), static_cast<int>(DitherMode::FloydSteinberg),
          static_cast<int>(DitherMode::Diffusion), static_cast<int>(DitherMode::Ordered)},
         {static_cast<int>(ColourMetric::Rgb), static_cast<int>(ColourMetric::Perceptual)}})
    ->ArgNames({"mode", "metric"})
    ->Unit(benchmark::kMillisecond);

void BM_BuildConverter(benchmark::State& state) {
    const auto metric = static_cast<ColourMetric>(state.range(0));
    // The finder itself: a converter would take one of the last few built.
    for (auto _ : state) {
        const NearestColourFinder finder(ShippedPalette(), kOrdinary.ordinary, metric);
        benchmark::DoNotOptimize(&finder);
    }
    state.SetLabel(std::string(MetricName(metric)));
}
// The diffusion of the pale sky with the converter kept, and what its first
// conversion pays beside: the colours it can average to found, and where to
// aim for each of its pixels.
void BM_DiffusePaleSky(benchmark::State& state) {
    const Bitmap texture = PaleSky(1024);
    const auto metric = static_cast<ColourMetric>(state.range(0));
    const PaletteConverter converter(ShippedPalette(), kOrdinary, metric);
    for (auto _ : state) {
        auto indexed = converter.Convert(texture.get(), nullptr, {DitherMode::Diffusion, {}});
        benchmark::DoNotOptimize(indexed->get());
    }
    state.SetLabel(std::string(MetricName(metric)));
}
BENCHMARK(BM_DiffusePaleSky)
    ->Arg(static_cast<int>(ColourMetric::Rgb))
    ->Arg(static_cast<int>(ColourMetric::Perceptual))
    ->Unit(benchmark::kMillisecond);

void BM_FirstAimsPaleSky(benchmark::State& state) {
    const Bitmap texture = PaleSky(1024);
    for (auto _ : state) {
        const GamutMap gamut(ShippedPalette(), kOrdinary.ordinary);
        for (unsigned y = 0; y < 1024; ++y) {
            const BYTE* p = FreeImage_GetScanLine(texture.get(), static_cast<int>(y));
            for (unsigned x = 0; x < 1024; ++x, p += 3) {
                const std::array<int, 3> srgb{p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE]};
                const LinearColour linear{static_cast<float>(LinearFromSrgb(srgb[0])),
                                          static_cast<float>(LinearFromSrgb(srgb[1])),
                                          static_cast<float>(LinearFromSrgb(srgb[2]))};
                benchmark::DoNotOptimize(gamut.Aim(srgb, linear));
            }
        }
    }
}
BENCHMARK(BM_FirstAimsPaleSky)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_BuildConverter)
    ->Arg(static_cast<int>(ColourMetric::Rgb))
    ->Arg(static_cast<int>(ColourMetric::Perceptual))
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
