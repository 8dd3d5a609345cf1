// The window on the offscreen platform: start-up to the first show, and a
// full repaint with 4096-pixel layers and 8192-pixel masks in its slots.
//
//   orrisbay_bench_window
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWindow>
#include <memory>

#include "app/main_window.h"
#include "bench_bitmaps.h"
#include "console/console.h"

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
