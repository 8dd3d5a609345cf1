// Time of the conversion to the game's palette: building the nearest-colour
// table, converting square textures of random noise (every pixel a new
// colour: the worst case) and of a smooth blend, with and without dithering,
// and making all four mip levels of a WAD texture.
//
//   orrisbay_bench_quake_palette --benchmark_filter=Convert.*/4096
#include <benchmark/benchmark.h>

#include <random>

#include "gameformats/texture_maker.h"
#include "palette/palette_conversion.h"
#include "shipped_palette.h"

namespace {

using orrisbay::freeimage_base::Bitmap;
using namespace orrisbay::quake_palette;

using orrisbay::bench::ShippedPalette;

Bitmap Noise(int side) {
    Bitmap bitmap(FreeImage_Allocate(side, side, 24));
    std::mt19937 random(1);
    for (int y = 0; y < side; ++y) {
        BYTE* line = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < side * 3; ++x) {
            line[x] = static_cast<BYTE>(random());
        }
    }
    return bitmap;
}

// Slowly changing colours, like a blended texture.
Bitmap Smooth(int side) {
    Bitmap bitmap(FreeImage_Allocate(side, side, 24));
    for (int y = 0; y < side; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < side; ++x, pixel += 3) {
            pixel[FI_RGBA_RED] = static_cast<BYTE>(x * 256 / side);
            pixel[FI_RGBA_GREEN] = static_cast<BYTE>(y * 256 / side);
            pixel[FI_RGBA_BLUE] = static_cast<BYTE>((x + y) * 128 / side);
        }
    }
    return bitmap;
}

void BM_BuildFinder(benchmark::State& state) {
    for (auto _ : state) {
        NearestColourFinder finder(ShippedPalette(), false);
        benchmark::DoNotOptimize(finder);
    }
}
BENCHMARK(BM_BuildFinder)->Unit(benchmark::kMillisecond);

template <Bitmap (*Make)(int)>
void BM_Convert(benchmark::State& state) {
    const Bitmap texture = Make(static_cast<int>(state.range(0)));
    const ConversionOptions options{state.range(1) != 0, false};
    for (auto _ : state) {
        Bitmap indexed = ConvertToQuakePalette(texture.get(), ShippedPalette(), options);
        benchmark::DoNotOptimize(indexed.get());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_Convert<Noise>)
    ->Name("ConvertNoise")
    ->ArgsProduct({{256, 1024, 4096}, {0, 1}})
    ->ArgNames({"side", "dither"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert<Smooth>)
    ->Name("ConvertSmooth")
    ->ArgsProduct({{256, 1024, 4096}, {0, 1}})
    ->ArgNames({"side", "dither"})
    ->Unit(benchmark::kMillisecond);

void BM_MakeWadTexture(benchmark::State& state) {
    const Bitmap texture = Smooth(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto made = orrisbay::gameformats::MakeMipTexture(texture.get(), nullptr, "bench",
                                                          orrisbay::gameformats::WadKind::Wad2, {},
                                                          ShippedPalette());
        benchmark::DoNotOptimize(made->mips[3].data());
    }
}
BENCHMARK(BM_MakeWadTexture)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
