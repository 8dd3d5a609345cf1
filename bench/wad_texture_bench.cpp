// WAD textures and files, in one run:
// - textures with mips in linear light, for WAD2 and for WAD3 (the box-filtered
//   mips of the program before them: BM_MakeWadTexture of a baseline
//   orrisbay_bench_quake_palette);
// - the image library's quantizers on the built-in pictures (picture 0 grass,
//   1 gravel, 2 their merge; method 0 Wu, 1 neural net, which WAD3 palettes
//   use), with the mean colour error of each as a counter;
// - reading a WAD of 100 textures, replacing one and writing it back.
//
//   orrisbay_bench_wad_texture --benchmark_filter=Quantize
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "gameformats/texture_maker.h"
#include "gameformats/wad_edit.h"
#include "slots/slot_table.h"
#include "slots/slot_view.h"

namespace {

using orrisbay::freeimage_base::Bitmap;
namespace gf = orrisbay::gameformats;
namespace qp = orrisbay::quake_palette;

const qp::Palette& ShippedPalette() {
    static const qp::Palette palette = [] {
        return *qp::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
    }();
    return palette;
}

// Smooth colours with grain, like a blended texture.
Bitmap Texture(int side) {
    Bitmap bitmap(FreeImage_Allocate(side, side, 24));
    std::mt19937 random(1);
    for (int y = 0; y < side; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < side; ++x, pixel += 3) {
            const int grain = static_cast<int>(random() % 24);
            pixel[FI_RGBA_RED] = static_cast<BYTE>(x * 200 / side + grain);
            pixel[FI_RGBA_GREEN] = static_cast<BYTE>(y * 200 / side + grain);
            pixel[FI_RGBA_BLUE] = static_cast<BYTE>((x + y) * 100 / side + grain);
        }
    }
    return bitmap;
}

void BM_LinearLightTexture(benchmark::State& state) {
    const Bitmap texture = Texture(static_cast<int>(state.range(0)));
    const auto kind = state.range(1) == 3 ? gf::WadKind::Wad3 : gf::WadKind::Wad2;
    for (auto _ : state) {
        auto made = gf::MakeMipTexture(texture.get(), nullptr, "bench", kind, {}, ShippedPalette());
        benchmark::DoNotOptimize(made.value().mips[3].data());
    }
}
BENCHMARK(BM_LinearLightTexture)
    ->ArgsProduct({{256, 1024}, {2, 3}})
    ->ArgNames({"side", "wad"})
    ->Unit(benchmark::kMillisecond);

// Grass, gravel and their merge, the window's built-in texture.
Bitmap BuiltinPicture(int which) {
    const auto load = [](const char* name) {
        const std::string path = std::string(ORRISBAY_BUILTIN_FOLDER) + "/" + name;
        return Bitmap(FreeImage_Load(FIF_BMP, path.c_str(), 0));
    };
    orrisbay::slots::NullSlotView view;
    orrisbay::slots::SlotTable table(view);
    const char* const names[] = {"grass.bmp", "gravel.bmp", "ramp_down.bmp", "ramp_up.bmp"};
    for (int slot = 0; slot < 4; ++slot) {
        table.SetSlotImage(slot, load(names[slot]));
    }
    const FIBITMAP* picture = which < 2 ? table.Slot(which) : table.Slot(orrisbay::slots::kResult);
    return orrisbay::freeimage_base::ConvertTo24Bits(picture);
}

void BM_Quantize(benchmark::State& state) {
    const Bitmap picture = BuiltinPicture(static_cast<int>(state.range(0)));
    const auto method = static_cast<FREE_IMAGE_QUANTIZE>(state.range(1));
    Bitmap quantized;
    for (auto _ : state) {
        quantized.reset(FreeImage_ColorQuantizeEx(picture.get(), method, 255, 0, nullptr));
    }
    double error = 0;
    const RGBQUAD* table = FreeImage_GetPalette(quantized.get());
    const unsigned width = FreeImage_GetWidth(picture.get());
    for (unsigned y = 0; y < FreeImage_GetHeight(picture.get()); ++y) {
        const BYTE* in = FreeImage_GetScanLine(picture.get(), static_cast<int>(y));
        const BYTE* index = FreeImage_GetScanLine(quantized.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x, in += 3) {
            const RGBQUAD& got = table[index[x]];
            error += std::hypot(in[FI_RGBA_RED] - got.rgbRed, in[FI_RGBA_GREEN] - got.rgbGreen,
                                in[FI_RGBA_BLUE] - got.rgbBlue);
        }
    }
    state.counters["mean_error"] = error / (width * FreeImage_GetHeight(picture.get()));
}
BENCHMARK(BM_Quantize)
    ->ArgsProduct({{0, 1, 2}, {FIQ_WUQUANT, FIQ_NNQUANT}})
    ->ArgNames({"picture", "method"})
    ->Unit(benchmark::kMillisecond);

// A WAD of 100 textures of 64 x 64: read, one texture replaced, written back.
void BM_EditWad(benchmark::State& state) {
    const Bitmap texture = Texture(64);
    gf::WadFile wad{gf::WadKind::Wad3, {}};
    const auto made = gf::MakeMipTexture(texture.get(), nullptr, "t", wad.kind, {}, {});
    for (int i = 0; i < 100; ++i) {
        gf::MipTexture copy = made.value();
        copy.name = std::string("t").append(std::to_string(i));
        wad.lumps.push_back(gf::EncodeMipTexture(copy, wad.kind));
    }
    const auto bytes = gf::EncodeWad(wad).value();
    for (auto _ : state) {
        auto read = gf::ParseWad(bytes, "bench.wad");
        (void)gf::PutTexture(read.value(), gf::EncodeMipTexture(made.value(), wad.kind));
        auto written = gf::EncodeWad(read.value());
        benchmark::DoNotOptimize(written.value().data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_EditWad)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
