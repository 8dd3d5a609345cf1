// The live loop as a mapper sees it: two builds of orrisbay-blend --watch
// (a baseline and a candidate) follow their own copies of the same four PNG
// inputs, a writer replaces mask 2 by a rename as most paint programs save,
// and the time from the rename to the output renamed into place is taken,
// for a PNG output and for a texture in a WAD, at each size. The two programs
// take turns, so both see the same machine; each is given one untimed change
// first. Prints the medians and checks that both wrote the same texture (the
// same pixels for a PNG, the same bytes for a WAD).
//
//   orrisbay_bench_loop BASELINE CANDIDATE [RUNS [SIDE...]]
//   (defaults: 11 runs; sides 256 1024 4096; folders in /tmp/orrisbay-bench-loop)
//
// The layers are the built-in grass and gravel, warped and shaded by smooth
// noise so they do not repeat; the masks are smooth noise through a soft
// threshold, as painted masks are. mask 2 alternates between two such masks.
#include <FreeImage.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench_bitmaps.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using orrisbay::bench::PaintedMask;
using orrisbay::bench::WarpedLayer;
using orrisbay::freeimage_base::Bitmap;
using Clock = std::chrono::steady_clock;

// A built-in texture of the window, as a tile for the layers.
Bitmap BuiltinTile(const char* name) {
    const std::string path = std::string(ORRISBAY_BUILTIN_FOLDER) + "/" + name;
    Bitmap tile(FreeImage_Load(FIF_BMP, path.c_str(), BMP_DEFAULT));
    if (!tile || FreeImage_GetBPP(tile.get()) != 24) {
        std::fprintf(stderr, "%s: not a 24-bit picture\n", path.c_str());
        std::exit(66);
    }
    return tile;
}

std::string PngBytes(const Bitmap& bitmap) {
    orrisbay::freeimage_base::Memory memory;
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!FreeImage_SaveToMemory(FIF_PNG, bitmap.get(), memory.get(), PNG_DEFAULT) ||
        !FreeImage_AcquireMemory(memory.get(), &data, &size)) {
        std::fprintf(stderr, "a PNG could not be encoded\n");
        std::exit(70);
    }
    return std::string(reinterpret_cast<const char*>(data), size);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The four inputs of one size, and the two masks mask 2 alternates between.
struct Inputs {
    std::array<std::string, 4> files;  // layer1, layer2, mask1, mask2 as PNG
    std::array<std::string, 2> mask2;  // the first is files[3]
};

Inputs MakeInputs(int side) {
    Inputs inputs;
    inputs.files = {PngBytes(WarpedLayer(BuiltinTile("grass.bmp").get(), side, 11)),
                    PngBytes(WarpedLayer(BuiltinTile("gravel.bmp").get(), side, 21)),
                    PngBytes(PaintedMask(side, 31)), PngBytes(PaintedMask(side, 41))};
    inputs.mask2 = {inputs.files[3], PngBytes(PaintedMask(side, 42))};
    return inputs;
}

constexpr std::array<const char*, 4> kInputNames = {"layer1.png", "layer2.png", "mask1.png",
                                                    "mask2.png"};

// One program following its own folder of inputs, and an inotify watch on
// that folder for its output being renamed into place.
class Follower {
  public:
    Follower(const std::string& program, const fs::path& folder, const Inputs& inputs,
             const std::string& output)
        : folder_(folder), output_(output), events_(inotify_init1(IN_CLOEXEC)) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::vector<std::string> arguments = {program, "--watch"};
        for (std::size_t i = 0; i < kInputNames.size(); ++i) {
            WriteFile(folder_ / kInputNames[i], inputs.files[i]);
            arguments.push_back((folder_ / kInputNames[i]).string());
        }
        arguments.insert(arguments.end(), {"-o", (folder_ / output).string()});
        if (output.ends_with(".wad")) {
            arguments.insert(arguments.end(), {"--name", "loop"});
        }
        inotify_add_watch(events_, folder_.c_str(), IN_MOVED_TO);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string log = (folder_ / "log.txt").string();
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            std::fprintf(stderr, "%s could not be started\n", program.c_str());
            std::exit(69);
        }
        posix_spawn_file_actions_destroy(&actions);
        if (!WaitForOutput(std::chrono::minutes(2))) {
            std::fprintf(stderr, "%s wrote no first output; see %s\n", program.c_str(),
                         log.c_str());
            std::exit(70);
        }
    }
    ~Follower() {
        ::kill(pid_, SIGINT);
        ::waitpid(pid_, nullptr, 0);
        ::close(events_);
    }
    Follower(const Follower&) = delete;
    Follower& operator=(const Follower&) = delete;

    // Replaces mask 2 by `bytes` through a rename; the milliseconds from the
    // rename to the output renamed into place.
    double ReplaceMask2(const std::string& bytes) {
        const fs::path part = folder_ / "mask2.png.part";
        WriteFile(part, bytes);
        const Clock::time_point renamed = Clock::now();
        fs::rename(part, folder_ / "mask2.png");
        if (!WaitForOutput(std::chrono::minutes(1))) {
            std::fprintf(stderr, "no output after a change; see %s\n",
                         (folder_ / "log.txt").c_str());
            std::exit(70);
        }
        return std::chrono::duration<double, std::milli>(Clock::now() - renamed).count();
    }

    fs::path Output() const { return folder_ / output_; }

  private:
    bool WaitForOutput(Clock::duration patience) {
        const Clock::time_point end = Clock::now() + patience;
        alignas(inotify_event) char buffer[4096];
        while (Clock::now() < end) {
            pollfd readable{events_, POLLIN, 0};
            if (::poll(&readable, 1, 1000) <= 0) {
                continue;
            }
            const ssize_t length = ::read(events_, buffer, sizeof buffer);
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && output_ == event->name) {
                    return true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return false;
    }

    fs::path folder_;
    std::string output_;
    int events_;
    pid_t pid_ = -1;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// True when both files hold the same texture: a WAD byte for byte, a picture pixel for pixel.
bool SameTexture(const fs::path& a, const fs::path& b) {
    if (a.extension() == ".wad") {
        return ReadFile(a) == ReadFile(b);
    }
    const Bitmap first(FreeImage_Load(FIF_PNG, a.c_str(), PNG_DEFAULT));
    const Bitmap second(FreeImage_Load(FIF_PNG, b.c_str(), PNG_DEFAULT));
    if (!first || !second || FreeImage_GetBPP(first.get()) != FreeImage_GetBPP(second.get()) ||
        FreeImage_GetWidth(first.get()) != FreeImage_GetWidth(second.get()) ||
        FreeImage_GetHeight(first.get()) != FreeImage_GetHeight(second.get())) {
        return false;
    }
    const unsigned rowBytes = FreeImage_GetLine(first.get());
    for (unsigned y = 0; y < FreeImage_GetHeight(first.get()); ++y) {
        if (std::memcmp(FreeImage_GetScanLine(first.get(), static_cast<int>(y)),
                        FreeImage_GetScanLine(second.get(), static_cast<int>(y)), rowBytes) != 0) {
            return false;
        }
    }
    return true;
}

std::string Runs(const std::vector<double>& runs) {
    std::string text;
    for (const double run : runs) {
        text += std::to_string(static_cast<int>(std::lround(run))) + " ";
    }
    return text;
}

// Times `runs` changes of mask 2 for both programs, taking turns; false when
// their outputs differ.
bool Compare(const std::array<std::string, 2>& programs, int side, const Inputs& inputs,
             const std::string& output, int runs) {
    const fs::path base = fs::path("/tmp/orrisbay-bench-loop") / std::to_string(side);
    Follower baseline(programs[0], base / "baseline", inputs, output);
    Follower candidate(programs[1], base / "candidate", inputs, output);
    std::array<Follower*, 2> followers = {&baseline, &candidate};
    std::array<std::vector<double>, 2> times;
    for (int run = -1; run < runs; ++run) {
        const std::string& mask = inputs.mask2[static_cast<std::size_t>(run + 2) % 2];
        for (std::size_t turn = 0; turn < 2; ++turn) {
            const std::size_t which = (turn + static_cast<std::size_t>(run + 1)) % 2;
            const double ms = followers[which]->ReplaceMask2(mask);
            if (run >= 0) {
                times[which].push_back(ms);
            }
        }
    }
    const bool same = SameTexture(baseline.Output(), candidate.Output());
    std::printf("%5d x %-5d %-4s baseline %7.1f ms  candidate %7.1f ms   (runs: %s| %s)%s\n", side,
                side, output.ends_with(".wad") ? "WAD" : "PNG", Median(times[0]), Median(times[1]),
                Runs(times[0]).c_str(), Runs(times[1]).c_str(), same ? "" : "  OUTPUTS DIFFER");
    std::fflush(stdout);
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s BASELINE CANDIDATE [RUNS [SIDE...]]\n", argv[0]);
        return 64;
    }
    const std::array<std::string, 2> programs = {argv[1], argv[2]};
    const int runs = argc > 3 ? std::atoi(argv[3]) : 11;
    std::vector<int> sides;
    for (int i = 4; i < argc; ++i) {
        sides.push_back(std::atoi(argv[i]));
    }
    if (sides.empty()) {
        sides = {256, 1024, 4096};
    }
    FreeImage_Initialise();
    bool same = true;
    std::printf("rename of mask 2 -> output renamed into place, median of %d runs\n", runs);
    for (const int side : sides) {
        const Inputs inputs = MakeInputs(side);
        for (const char* output : {"out.png", "out.wad"}) {
            same = Compare(programs, side, inputs, output, runs) && same;
        }
    }
    FreeImage_DeInitialise();
    return same ? 0 : 1;
}
