// What a colour profile costs on loading: decoding a 4096 x 4096 picture
// against converting its pixels to sRGB, in the same run, for 8-bit PNG and
// JPEG and 16-bit PNG, and whole loads with and without a profile.
//
//   orrisbay_bench_colour
//   taskset -c 0 orrisbay_bench_colour   # the conversion's bands on one core
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "imageio/bitmap_colour.h"
#include "imageio/file_types.h"
#include "support/colour_profiles.h"

namespace {

namespace fs = std::filesystem;
using orrisbay::freeimage_base::Bitmap;
using namespace orrisbay::imageio;

constexpr int kSide = 4096;

const std::string& P3() {
    static const std::string profile =
        orrisbay::testing::MakeProfile(orrisbay::testing::ProfileKind::DisplayP3);
    return profile;
}

// Smooth shading with grain, like a photograph: neither flat nor noise.
Bitmap Photo(FREE_IMAGE_TYPE type) {
    Bitmap bitmap(FreeImage_AllocateT(type, kSide, kSide, 24));
    std::mt19937 random(1);
    const bool deep = type == FIT_RGB16;
    for (int y = 0; y < kSide; ++y) {
        BYTE* line = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < kSide; ++x) {
            const double shade = 128 + 100 * std::sin(x / 50.0) * std::cos(y / 70.0);
            for (int c = 0; c < 3; ++c) {
                const double level =
                    std::clamp(shade + 20 * c + static_cast<int>(random() % 16), 0.0, 255.0);
                if (deep) {
                    reinterpret_cast<WORD*>(line)[3 * x + c] = static_cast<WORD>(level * 257);
                } else {
                    line[3 * x + c] = static_cast<BYTE>(level);
                }
            }
        }
    }
    std::string profile = P3();
    FreeImage_CreateICCProfile(bitmap.get(), profile.data(), static_cast<long>(profile.size()));
    return bitmap;
}

// The pictures as files with a Display P3 profile (and one PNG without),
// written once and removed at exit.
struct Files {
    fs::path folder =
        fs::temp_directory_path() / ("orrisbay-bench-colour-" + std::to_string(::getpid()));
    std::string png = (folder / "p3.png").string();
    std::string png16 = (folder / "p3-16.png").string();
    std::string jpeg = (folder / "p3.jpg").string();
    std::string plain = (folder / "plain.png").string();

    Files() {
        orrisbay::freeimage_base::InitialiseImageLibrary();
        fs::create_directories(folder);
        Bitmap photo = Photo(FIT_BITMAP);
        FreeImage_Save(FIF_PNG, photo.get(), png.c_str(), 0);
        FreeImage_Save(FIF_JPEG, photo.get(), jpeg.c_str(), 90);
        FreeImage_Save(FIF_PNG, Photo(FIT_RGB16).get(), png16.c_str(), 0);
        FreeImage_DestroyICCProfile(photo.get());
        FreeImage_Save(FIF_PNG, photo.get(), plain.c_str(), 0);
    }
    ~Files() { fs::remove_all(folder); }
};

const Files& TheFiles() {
    static const Files files;
    return files;
}

void Decode(benchmark::State& state, FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
    for (auto _ : state) {
        Bitmap decoded(FreeImage_Load(format, path.c_str(), flags));
        benchmark::DoNotOptimize(decoded.get());
    }
}

// Converts the same decoded pixels again and again: the cost does not depend on them.
void Convert(benchmark::State& state, FREE_IMAGE_FORMAT format, const std::string& path,
             int flags) {
    Bitmap decoded(FreeImage_Load(format, path.c_str(), flags));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ConvertBitmapToSrgb(
            decoded.get(),
            ProfileBytes(reinterpret_cast<const std::uint8_t*>(P3().data()), P3().size())));
    }
}

void BM_DecodePng(benchmark::State& state) {
    Decode(state, FIF_PNG, TheFiles().png, PNG_IGNOREGAMMA);
}
void BM_ConvertPng(benchmark::State& state) {
    Convert(state, FIF_PNG, TheFiles().png, PNG_IGNOREGAMMA);
}
void BM_DecodeJpeg(benchmark::State& state) {
    Decode(state, FIF_JPEG, TheFiles().jpeg, JPEG_ACCURATE);
}
void BM_ConvertJpeg(benchmark::State& state) {
    Convert(state, FIF_JPEG, TheFiles().jpeg, JPEG_ACCURATE);
}
void BM_DecodePng16(benchmark::State& state) {
    Decode(state, FIF_PNG, TheFiles().png16, PNG_IGNOREGAMMA);
}
void BM_ConvertPng16(benchmark::State& state) {
    Convert(state, FIF_PNG, TheFiles().png16, PNG_IGNOREGAMMA);
}

void BM_LoadImageFile(benchmark::State& state, const std::string Files::*file) {
    const std::string& path = TheFiles().*file;
    for (auto _ : state) {
        const orrisbay::Result<orrisbay::freeimage_base::Bitmap> loaded = LoadImageFile(path);
        benchmark::DoNotOptimize(loaded->get());
    }
}

BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePng16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertPng16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadImageFile, plain_png, &Files::plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadImageFile, p3_png, &Files::png)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadImageFile, p3_jpeg, &Files::jpeg)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
