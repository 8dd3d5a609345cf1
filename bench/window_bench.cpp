// The window on the offscreen platform: start-up to the first show, a full
// repaint with 4096-pixel layers and 8192-pixel masks in its slots, and the
// live loop: four real PNG files opened and followed, mask 2 replaced by a
// rename as paint programs save, timed until the preview shows the new merge
// (real time, at 256, 1024 and 4096 pixels a side).
//
//   orrisbay_bench_window [--benchmark_filter=RenameToPreview]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QWindow>
#include <filesystem>
#include <memory>
#include <string>

#include "app/image_box.h"
#include "app/main_window.h"
#include "bench_bitmaps.h"
#include "console/console.h"
#include "imageio/file_dialog_request.h"

namespace {

using orrisbay::app::FrmOrrisbay;
using orrisbay::bench::Gradient;
using namespace orrisbay::slots;

// Shows the window and handles events until the platform has exposed it.
void ShowUntilExposed(FrmOrrisbay& window) {
    window.show();
    QWindow* handle = window.windowHandle();
    while (handle == nullptr || !handle->isExposed()) {
        QCoreApplication::processEvents();
        handle = window.windowHandle();
    }
}

void BM_StartUpToFirstShow(benchmark::State& state) {
    for (auto _ : state) {
        auto window = std::make_unique<FrmOrrisbay>();
        window->Load();
        ShowUntilExposed(*window);
        QCoreApplication::processEvents();  // the first paint
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToFirstShow)->Unit(benchmark::kMillisecond)->UseRealTime();

// A shown window with large pictures in every slot and their merge.
std::unique_ptr<FrmOrrisbay> WindowWithLargeInputs() {
    auto window = std::make_unique<FrmOrrisbay>();
    window->Load();
    window->slotTable().SetSlotImage(kLayer1, Gradient(4096, 24));
    window->slotTable().SetSlotImage(kLayer2, Gradient(4096, 24));
    window->slotTable().SetSlotImage(kMask1, Gradient(8192, 8));
    window->slotTable().SetSlotImage(kMask2, Gradient(8192, 8));
    ShowUntilExposed(*window);
    window->repaint();  // the display copies are made once, here
    return window;
}

void BM_RepaintWithLargeInputs(benchmark::State& state) {
    const auto window = WindowWithLargeInputs();
    if (window->slotTable().Slot(kResult) == nullptr) {
        state.SkipWithError("the merge failed");
        return;
    }
    for (auto _ : state) {
        window->repaint();
    }
}
BENCHMARK(BM_RepaintWithLargeInputs)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GrabWithLargeInputs(benchmark::State& state) {
    const auto window = WindowWithLargeInputs();
    for (auto _ : state) {
        benchmark::DoNotOptimize(window->grab());
    }
}
BENCHMARK(BM_GrabWithLargeInputs)->Unit(benchmark::kMillisecond)->UseRealTime();

namespace fs = std::filesystem;

void SavePng(const orrisbay::freeimage_base::Bitmap& bitmap, const fs::path& path) {
    FreeImage_Save(FIF_PNG, bitmap.get(), path.c_str(), PNG_Z_BEST_SPEED);
}

// The loop benchmark's pictures: the built-in grass and gravel warped, and
// painted masks; mask 2 alternates between two of them.
struct LoopFiles {
    explicit LoopFiles(int side) {
        fs::create_directories(folder);
        const auto tile = [](const char* name) {
            const std::string path = std::string(ORRISBAY_BUILTIN_FOLDER) + "/" + name;
            return orrisbay::freeimage_base::Bitmap(FreeImage_Load(FIF_BMP, path.c_str(), 0));
        };
        using orrisbay::bench::PaintedMask;
        using orrisbay::bench::WarpedLayer;
        SavePng(WarpedLayer(tile("grass.bmp").get(), side, 11), folder / "layer1.png");
        SavePng(WarpedLayer(tile("gravel.bmp").get(), side, 12), folder / "layer2.png");
        SavePng(PaintedMask(side, 13), folder / "mask1.png");
        for (unsigned i = 0; i < 2; ++i) {
            SavePng(PaintedMask(side, 14 + i), folder / ("mask2-" + std::to_string(i) + ".png"));
        }
        fs::copy_file(folder / "mask2-0.png", folder / "mask2.png");
    }
    ~LoopFiles() { fs::remove_all(folder); }

    // Saves the other mask 2 as paint programs do: a new file renamed over it.
    void ReplaceMask2(unsigned turn) {
        fs::copy_file(folder / ("mask2-" + std::to_string(turn % 2) + ".png"),
                      folder / "mask2.png.new", fs::copy_options::overwrite_existing);
        fs::rename(folder / "mask2.png.new", folder / "mask2.png");
    }

    fs::path folder =
        fs::temp_directory_path() / ("orrisbay-window-loop-" + std::to_string(::getpid()));
};

void BM_RenameToPreview(benchmark::State& state) {
    LoopFiles files(static_cast<int>(state.range(0)));
    FrmOrrisbay window;
    window.Load();
    ShowUntilExposed(window);
    const char* const names[] = {"layer1.png", "layer2.png", "mask1.png", "mask2.png"};
    for (int slot = 0; slot < 4; ++slot) {
        const std::string path = (files.folder / names[slot]).string();
        window.setOpenFileDialog([path](orrisbay::imageio::OpenFileRequest& request) {
            request.lpstrFile.replace(0, path.size() + 1, path + '\0');
            return 1;
        });
        window.btnOpenClick(slot);
    }
    window.followFilesAction()->setChecked(true);
    unsigned turn = 1;
    for (auto _ : state) {
        const qint64 before = window.Image3()->picture().cacheKey();
        files.ReplaceMask2(turn++);
        while (window.Image3()->picture().cacheKey() == before) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
    }
}
BENCHMARK(BM_RenameToPreview)
    ->Arg(256)
    ->Arg(1024)
    ->Arg(4096)
    ->ArgName("side")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // Messages (a missing palette, say) must not wait for a click.
    orrisbay::console::SetMessageBoxHook(
        [](const std::string&, orrisbay::console::MessageButtons) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
