// Where one turn of the live loop goes, inside one program: a session follows
// four PNG inputs (the loop benchmark's: warped built-in layers, painted masks
// in 24 bits) with a kept output, mask 2 is replaced by a rename, and the
// turn is timed in its parts: the changed file read alone, the session's
// ReadAgain of it (read and merge), the kept output written (a PNG, a texture
// in a WAD). Wall and CPU time, medians. With "mixed" the layers differ in
// size (layer 2 half the side) and the masks are twice the side, so the merge
// also has rescales to make.
//
//   orrisbay_bench_loop_phases [RUNS [SIDE...]] [mixed]
//   (defaults: 9 runs; sides 256 1024 4096; folder /tmp/orrisbay-loop-phases)
#include <FreeImage.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_bitmaps.h"
#include "imageio/file_types.h"
#include "palette/finder_cache.h"
#include "session/texture_session.h"

namespace {

namespace fs = std::filesystem;
using orrisbay::bench::PaintedMask;
using orrisbay::bench::WarpedLayer;
using orrisbay::freeimage_base::Bitmap;
namespace session = orrisbay::session;

// Wall and CPU milliseconds of the process since it was made.
class Stopwatch {
  public:
    Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(Cpu()) {}
    double WallMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_)
            .count();
    }
    double CpuMs() const { return Cpu() - cpu_; }

  private:
    static double Cpu() {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    }
    std::chrono::steady_clock::time_point wall_;
    double cpu_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

Bitmap Tile(const char* name) {
    const std::string path = std::string(ORRISBAY_BUILTIN_FOLDER) + "/" + name;
    return Bitmap(FreeImage_Load(FIF_BMP, path.c_str(), BMP_DEFAULT));
}

void SavePng(const Bitmap& bitmap, const fs::path& path) {
    if (!FreeImage_Save(FIF_PNG, bitmap.get(), path.c_str(), PNG_DEFAULT)) {
        std::fprintf(stderr, "%s could not be written\n", path.c_str());
        std::exit(73);
    }
}

struct Phase {
    explicit Phase(const char* what) : name(what) {}
    const char* name;
    std::vector<double> wall, cpu;
    void Add(const Stopwatch& watch) {
        wall.push_back(watch.WallMs());
        cpu.push_back(watch.CpuMs());
    }
};

void Measure(int side, bool mixed, int runs, const fs::path& folder, const char* output) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    const int maskSide = mixed ? 2 * side : side;
    const std::vector<fs::path> files = {folder / "layer1.png", folder / "layer2.png",
                                         folder / "mask1.png", folder / "mask2.png"};
    SavePng(WarpedLayer(Tile("grass.bmp").get(), side, 11), files[0]);
    SavePng(WarpedLayer(Tile("gravel.bmp").get(), mixed ? side / 2 : side, 21), files[1]);
    SavePng(PaintedMask(maskSide, 31), files[2]);
    const fs::path masks[2] = {folder / "a.png", folder / "b.png"};
    SavePng(PaintedMask(maskSide, 41), masks[0]);
    SavePng(PaintedMask(maskSide, 42), masks[1]);
    fs::copy_file(masks[0], files[3]);

    session::TextureSession textures;
    textures.SetPalette(*orrisbay::quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE));
    for (int input = 0; input < 4; ++input) {
        textures.SetSource(input,
                           session::InputSource::File(files[static_cast<std::size_t>(input)]));
    }
    (void)textures.ReadAgain({0, 1, 2, 3});
    const std::string out = (folder / output).string();
    textures.KeepOutput({{.path = out, .textureName = "loop", .keptOutput = true}, true});
    textures.SetKeepingOutput(true);
    (void)textures.WriteKeptOutput();

    Phase read("read mask 2"), merge("read + merge"), write("kept output");
    for (int run = 0; run < runs; ++run) {
        const fs::path part = folder / "mask2.png.part";
        fs::copy_file(masks[(run + 1) % 2], part, fs::copy_options::overwrite_existing);
        fs::rename(part, files[3]);
        {
            const Stopwatch watch;
            (void)orrisbay::imageio::LoadImageFile(files[3].string());
            read.Add(watch);
        }
        {
            const Stopwatch watch;
            const session::SessionUpdate update = textures.ReadAgain({3});
            merge.Add(watch);
            if (!update.merged || update.mergeFailure) {
                std::fprintf(stderr, "the merge failed\n");
                std::exit(70);
            }
        }
        const Stopwatch watch;
        const auto written = textures.WriteKeptOutput();
        write.Add(watch);
        if (!written || !*written) {
            std::fprintf(stderr, "%s was not written\n", out.c_str());
            std::exit(73);
        }
    }
    std::printf("%5d%s %-4s", side, mixed ? " mixed" : "      ",
                fs::path(output).extension() == ".wad" ? "WAD" : "PNG");
    for (const Phase* phase : {&read, &merge, &write}) {
        std::printf("  %s %7.1f ms (CPU %7.1f)", phase->name, Median(phase->wall),
                    Median(phase->cpu));
    }
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 9;
    bool mixed = false;
    std::vector<int> sides;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "mixed") {
            mixed = true;
        } else if (i == 1) {
            runs = std::atoi(argv[i]);
        } else {
            sides.push_back(std::atoi(argv[i]));
        }
    }
    if (sides.empty()) {
        sides = {256, 1024, 4096};
    }
    orrisbay::quake_palette::KeepFinders(2);  // as --watch keeps them
    const fs::path folder = "/tmp/orrisbay-loop-phases";
    for (const int side : sides) {
        for (const char* output : {"out.png", "out.wad"}) {
            Measure(side, mixed, runs, folder, output);
        }
    }
    fs::remove_all(folder);
    return 0;
}
