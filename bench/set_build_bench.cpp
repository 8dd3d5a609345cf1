// orrisbay-build on a generated set of 100 textures into one WAD2: 25 blends
// of 512 x 512 layers through 1024 x 1024 masks and 75 plain 256 x 256
// pictures, smooth noise in PNG files. Times, as medians over RUNS, the whole
// program: the set built from nothing with one job and with two, built again
// with nothing changed, and built after one mask changed (three times a
// run); and, paired with the last (before it and after it by turns),
// orrisbay-blend making that one texture into a copy of the WAD (one texture
// and one WAD write).
//
//   orrisbay_bench_set_build [RUNS [FOLDER]]     (defaults: 5, a temporary folder)
#include <FreeImage.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imageio/freeimage_base.h"

namespace {

namespace fs = std::filesystem;
using orrisbay::freeimage_base::Bitmap;

extern "C" char** environ;

constexpr int kBlends = 25;
constexpr int kPlain = 75;
constexpr int kChangesPerRun = 3;

// Value noise of a few octaves, 0 to 1: smooth like a photographed surface.
class Noise {
  public:
    explicit Noise(unsigned seed) {
        std::mt19937 random(seed);
        for (float& value : grid_) {
            value = std::uniform_real_distribution<float>(0, 1)(random);
        }
    }
    float At(float x, float y) const {
        float sum = 0, weight = 0, scale = 1;
        for (int octave = 0; octave < 4; ++octave, scale *= 0.5f) {
            sum += scale * Smooth(x / (32 * scale), y / (32 * scale));
            weight += scale;
        }
        return sum / weight;
    }

  private:
    float Smooth(float x, float y) const {
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
        const auto g = [this](int gx, int gy) { return grid_[(gx & 63) + 64 * (gy & 63)]; };
        const float top = g(x0, y0) + (g(x0 + 1, y0) - g(x0, y0)) * fx;
        const float bottom = g(x0, y0 + 1) + (g(x0 + 1, y0 + 1) - g(x0, y0 + 1)) * fx;
        return top + (bottom - top) * fy;
    }
    float grid_[64 * 64];
};

bool SavePicture(const fs::path& path, int side, int bpp, unsigned seed) {
    Bitmap bitmap(FreeImage_Allocate(side, side, bpp));
    if (bpp == 8) {
        RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
        for (int i = 0; i < 256; ++i) {
            palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
        }
    }
    const int channels = bpp / 8;
    std::vector<Noise> noise;
    for (int c = 0; c < channels; ++c) {
        noise.emplace_back(seed * 7 + static_cast<unsigned>(c));
    }
    for (int y = 0; y < side; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < side; ++x) {
            for (int c = 0; c < channels; ++c) {
                const float level = noise[static_cast<std::size_t>(c)].At(
                    static_cast<float>(x) * 512.0f / static_cast<float>(side),
                    static_cast<float>(y) * 512.0f / static_cast<float>(side));
                row[channels * x + c] = static_cast<BYTE>(std::clamp(level * 255.0f, 0.0f, 255.0f));
            }
        }
    }
    return FreeImage_Save(FIF_PNG, bitmap.get(), path.c_str(), 0);
}

std::string Name(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "blend%02d", i);
    return name;
}

fs::path MaskOf(const fs::path& folder, int blend, int which) {
    return folder / "masks" / (Name(blend) + "_m" + std::to_string(which) + ".png");
}

bool MakeSet(const fs::path& folder) {
    for (const char* sub : {"layers", "masks", "plain"}) {
        fs::create_directories(folder / sub);
    }
    std::ofstream recipe(folder / "set.toml");
    recipe << "[defaults]\nrescale = false\n";
    bool saved = true;
    for (int i = 0; i < kBlends; ++i) {
        const std::string name = Name(i);
        const auto seed = static_cast<unsigned>(4 * i);
        saved = saved && SavePicture(folder / "layers" / (name + "_1.png"), 512, 24, seed);
        saved = saved && SavePicture(folder / "layers" / (name + "_2.png"), 512, 24, seed + 1);
        saved = saved && SavePicture(MaskOf(folder, i, 1), 1024, 8, seed + 2);
        saved = saved && SavePicture(MaskOf(folder, i, 2), 1024, 8, seed + 3);
        recipe << "\n[[texture]]\nname = \"" << name << "\"\nlayer1 = \"layers/" << name
               << "_1.png\"\nlayer2 = \"layers/" << name << "_2.png\"\nmask1 = \"masks/" << name
               << "_m1.png\"\nmask2 = \"masks/" << name << "_m2.png\"\noutput = \"set.wad\"\n";
    }
    for (int i = 0; i < kPlain; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "plain%02d.png", i);
        saved =
            saved && SavePicture(folder / "plain" / name, 256, 24, 1000 + static_cast<unsigned>(i));
    }
    recipe << "\n[[pictures]]\nfiles = \"plain/*.png\"\noutput = \"set.wad\"\n";
    return saved && recipe.good();
}

struct Times {
    double wall = 0;  // seconds
    double cpu = 0;   // user and system, all threads
};

// Runs the program with its output thrown away.
Times Run(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& argument : command) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // What the steps before left unwritten goes to disk first: a command's
    // own flush of its WAD would otherwise wait for theirs too.
    sync();
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    int status = -1;
    rusage usage{};
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        wait4(child, &status, 0, &usage);
    }
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (status != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", command[0].c_str(), status);
        std::exit(70);
    }
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
    };
    return {std::chrono::duration<double>(end - start).count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

Times Median(std::vector<Times> times) {
    std::vector<double> wall, cpu;
    for (const Times& t : times) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    std::ranges::sort(wall);
    std::ranges::sort(cpu);
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

void Print(const char* what, const Times& times, const char* note = "") {
    std::printf("  %-24s %7.3f s wall %7.3f s cpu  %s\n", what, times.wall, times.cpu, note);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path folder =
        argc > 2 ? fs::path(argv[2])
                 : fs::temp_directory_path() / ("orrisbay-set-bench-" + std::to_string(getpid()));
    const std::string build = ORRISBAY_BUILD_PROGRAM, blend = ORRISBAY_BLEND_PROGRAM;
    FreeImage_Initialise();
    std::printf("making the set in %s\n", folder.c_str());
    if (!fs::exists(folder / "set.toml") && !MakeSet(folder)) {
        std::fprintf(stderr, "the set could not be made\n");
        return 73;
    }
    const std::string recipe = (folder / "set.toml").string(), wad = (folder / "set.wad").string();
    std::vector<Times> oneJob, twoJobs, unchanged, oneMask, oneTexture;
    for (int run = 0; run < runs; ++run) {
        for (auto* times : {&oneJob, &twoJobs}) {
            fs::remove(wad);
            fs::remove(recipe + ".state");
            times->push_back(Run({build, recipe, "--jobs", times == &oneJob ? "1" : "2"}));
        }
        unchanged.push_back(Run({build, recipe}));
        // One mask changed a few times a run: these times vary most, with
        // the disk's flush.
        for (int change = 0; change < kChangesPerRun; ++change) {
            const unsigned seed = 5000 + static_cast<unsigned>(run * kChangesPerRun + change);
            SavePicture(MaskOf(folder, 0, 2), 1024, 8, seed);
            const std::string copy = (folder / "copy.wad").string();
            fs::copy_file(wad, copy, fs::copy_options::overwrite_existing);
            // Each goes first every other time: a program run just after
            // another reuses the memory it gave back, which a virtual
            // machine may back lazily.
            const auto blendOne = [&] {
                oneTexture.push_back(
                    Run({blend, (folder / "layers/blend00_1.png").string(),
                         (folder / "layers/blend00_2.png").string(), MaskOf(folder, 0, 1).string(),
                         MaskOf(folder, 0, 2).string(), "-o", copy, "--name", "blend00"}));
            };
            const bool blendFirst = seed % 2 == 1;
            if (blendFirst) {
                blendOne();
            }
            oneMask.push_back(Run({build, recipe}));
            if (!blendFirst) {
                blendOne();
            }
        }
    }
    const Times one = Median(oneJob), two = Median(twoJobs);
    std::printf("medians of %d runs (one mask changed: %d):\n", runs, runs * kChangesPerRun);
    Print("from nothing, 1 job", one);
    char ratio[64];
    std::snprintf(ratio, sizeof ratio, "(%.2f of 1 job's wall time; target 0.6)",
                  two.wall / one.wall);
    Print("from nothing, 2 jobs", two, ratio);
    Print("nothing changed", Median(unchanged), "(target: under 0.2 s)");
    Print("one mask changed", Median(oneMask), "(target: under the next line)");
    Print("that texture alone", Median(oneTexture), "(orrisbay-blend into a copy of the WAD)");
    // The two of each change side by side: what the disk's flush adds to both cancels.
    std::vector<double> gaps;
    for (std::size_t i = 0; i < oneMask.size(); ++i) {
        gaps.push_back(oneMask[i].wall - oneTexture[i].wall);
    }
    std::ranges::sort(gaps);
    std::printf(
        "  one mask changed less that texture alone, paired: median %+.1f ms, "
        "%td of %zu under\n",
        1000 * gaps[gaps.size() / 2],
        std::ranges::count_if(gaps, [](double gap) { return gap < 0; }), gaps.size());
    if (argc <= 2) {
        fs::remove_all(folder);
    }
    return 0;
}
