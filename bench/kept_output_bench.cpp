// Where the time of writing a kept output goes, on a real-looking texture
// (the built-in grass, warped and shaded, at each side):
// - the PNG encoding at the level Save As uses (level 6) against the one kept
//   outputs use (level 1), into memory, with the size written as a counter;
// - the nearest-colour finder's set-up alone, and a whole 8-bit conversion;
// - the whole export: a PNG file as Save As writes it (kept:0) and as a kept
//   output (kept:1), and a texture replaced in a WAD of 20 other textures
//   (mips, conversion, the WAD read and written) with the finder made on every
//   export (finders:0) and kept as --watch keeps it (finders:1).
//
//   orrisbay_bench_kept_output --benchmark_filter=Png
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench_bitmaps.h"
#include "gameformats/texture_export.h"
#include "imageio/image_writer.h"
#include "palette/finder_cache.h"

namespace {

using orrisbay::freeimage_base::Bitmap;
namespace fs = std::filesystem;
namespace gf = orrisbay::gameformats;
namespace qp = orrisbay::quake_palette;

const qp::Palette& ShippedPalette() {
    static const qp::Palette palette = *qp::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
    return palette;
}

Bitmap Texture(int side) {
    const std::string tile = std::string(ORRISBAY_BUILTIN_FOLDER) + "/grass.bmp";
    const Bitmap grass(FreeImage_Load(FIF_BMP, tile.c_str(), BMP_DEFAULT));
    return orrisbay::bench::WarpedLayer(grass.get(), side, 7);
}

// A folder of its own under the system's temporary folder, removed afterwards.
struct Folder {
    Folder() { fs::create_directories(path); }
    ~Folder() { fs::remove_all(path); }
    fs::path path = fs::temp_directory_path() / ("orrisbay-kept-" + std::to_string(::getpid()));
};

void BM_EncodePng(benchmark::State& state) {
    const Bitmap texture = Texture(static_cast<int>(state.range(0)));
    const int flags = static_cast<int>(state.range(1));
    DWORD size = 0;
    for (auto _ : state) {
        orrisbay::freeimage_base::Memory memory;
        FreeImage_SaveToMemory(FIF_PNG, texture.get(), memory.get(), flags);
        BYTE* data = nullptr;
        FreeImage_AcquireMemory(memory.get(), &data, &size);
    }
    state.counters["KiB"] = size / 1024.0;
}
BENCHMARK(BM_EncodePng)
    ->ArgsProduct({{256, 1024, 4096}, {PNG_DEFAULT, PNG_Z_BEST_SPEED}})
    ->ArgNames({"side", "flags"})
    ->Unit(benchmark::kMillisecond);

void BM_FinderSetUp(benchmark::State& state) {
    for (auto _ : state) {
        const qp::NearestColourFinder finder(ShippedPalette(), false);
        benchmark::DoNotOptimize(finder.Nearest(1, 2, 3));
    }
}
BENCHMARK(BM_FinderSetUp)->Unit(benchmark::kMillisecond);

void BM_ConvertToQuakePalette(benchmark::State& state) {
    const Bitmap texture = Texture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(qp::ConvertToQuakePalette(texture.get(), ShippedPalette()).get());
    }
}
BENCHMARK(BM_ConvertToQuakePalette)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_KeptPng(benchmark::State& state) {
    const Bitmap texture = Texture(static_cast<int>(state.range(0)));
    const Folder folder;
    const gf::RepeatedExport kept{
        {.path = (folder.path / "out.png").string(), .keptOutput = state.range(1) != 0}, false};
    for (auto _ : state) {
        if (!gf::RepeatExport(texture.get(), kept, ShippedPalette())) {
            state.SkipWithError("not written");
        }
    }
}
BENCHMARK(BM_KeptPng)
    ->ArgsProduct({{256, 1024, 4096}, {0, 1}})
    ->ArgNames({"side", "kept"})
    ->Unit(benchmark::kMillisecond);

void BM_KeptWadTexture(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const Folder folder;
    const std::string wad = (folder.path / "map.wad").string();
    const Bitmap other = Texture(64);
    for (int i = 0; i < 20; ++i) {
        (void)gf::RepeatExport(other.get(),
                               {{.path = wad, .textureName = "t" + std::to_string(i)}, false},
                               ShippedPalette());
    }
    const Bitmap texture = Texture(side);
    const gf::RepeatedExport kept{{.path = wad, .textureName = "loop", .keptOutput = true}, false};
    qp::KeepFinders(static_cast<std::size_t>(state.range(1)));
    for (auto _ : state) {
        if (!gf::RepeatExport(texture.get(), kept, ShippedPalette())) {
            state.SkipWithError("not written");
        }
    }
    qp::KeepFinders(qp::kFindersKeptAtStart);
}
BENCHMARK(BM_KeptWadTexture)
    ->ArgsProduct({{256, 1024}, {0, 1}})
    ->ArgNames({"side", "finders"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
