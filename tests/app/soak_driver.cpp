// The real window through a long random session on the offscreen platform:
// files opened and dropped (damaged ones too), pictures and text pasted,
// merges refused, conversions, saves to pictures and WADs, files rewritten
// under the live link, the texture view and the WAD list opened and closed.
// Every message box is answered at once. After each hundred operations the
// window is brought to one fixed state and measured: its resident memory (less
// the free space inside the C library's heap) must stay within 10% of the level
// after the first hundred, and no slot but the four inputs and the merge may
// hold a bitmap.
//
//   orrisbay_soak_driver [--seed N] [--operations N] [--minutes N]
//
// --minutes ends the run at the first checkpoint after that time, for runs of
// hours with a large --operations.
#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/heap_policy.h"
#include "app/main_window.h"
#include "console/console.h"
#include "soak_session.h"
#include "support/image_files.h"

namespace orrisbay::soak {

namespace {

namespace fs = std::filesystem;

struct Options {
    unsigned seed = 16;
    long operations = 4000;  // about a minute in the optimised build
    long minutes = 0;        // no bound
};

std::optional<Options> ParseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--seed") == 0) {
            options.seed = static_cast<unsigned>(value);
        } else if (std::strcmp(argv[i], "--operations") == 0 && value > 0) {
            options.operations = value;
        } else if (std::strcmp(argv[i], "--minutes") == 0 && value > 0) {
            options.minutes = value;
        } else {
            return std::nullopt;
        }
    }
    return argc % 2 == 1 ? std::optional(options) : std::nullopt;
}

// A figure in KiB from /proc/self/status, such as "VmRSS".
long StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field + ":")) {
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

// Drops the offscreen platform's notes on what it cannot do (raise a
// window, size hints), one per window shown; everything else goes to stderr.
void QuietPlatformNotes(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (!message.startsWith(QLatin1String("This plugin does not support"))) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

// The process's memory at a checkpoint, in KiB.
struct Level {
    long resident = 0;   // VmRSS
    long heapFree = 0;   // free space the C library keeps inside its heap
    long heapInUse = 0;  // blocks allocated and not freed
    // What is counted against the limit: resident memory less the free space
    // inside the heap. malloc_trim hands back whole free pages only; freed
    // blocks between blocks in use stay resident, and how many there are
    // depends on the order of the picture sizes, not on what is kept. Blocks
    // never freed are in use, so a leak still counts in full.
    long counted() const { return resident - heapFree; }
};

Level Measure() {
    // glibc keeps freed memory in its heap; handing back what it can leaves
    // what is still in use. Memory still in use is not released by this.
    malloc_trim(0);
    const struct mallinfo2 heap = mallinfo2();
    return {StatusKiB("VmRSS"), static_cast<long>(heap.fordblks / 1024),
            static_cast<long>(heap.uordblks / 1024)};
}

// Runs the session and checks it after each hundred operations; the exit status.
int Soak(app::FrmOrrisbay& window, const Options& options, const fs::path& folder, long& messages) {
    Session session(window, options.seed, folder);
    QElapsedTimer clock;
    clock.start();
    Level first;
    Level last;
    long peak = 0;
    long done = 0;
    int status = 0;
    while (done < options.operations && status == 0) {
        const long stop = std::min(options.operations, done + 100);
        for (; done < stop; ++done) {
            session.RunOne();
        }
        session.Settle();
        last = Measure();
        first = first.resident == 0 ? last : first;
        peak = std::max(peak, last.counted());
        std::printf(
            "after %ld operations: %ld KiB counted (%ld resident, %ld free in the heap, "
            "%ld in use), %lld s\n",
            done, last.counted(), last.resident, last.heapFree, last.heapInUse,
            clock.elapsed() / 1000);
        std::fflush(stdout);
        if (last.counted() * 10 > first.counted() * 11) {
            std::printf(
                "FAIL: memory grew from %ld KiB after the first hundred operations to "
                "%ld KiB, more than 10%%\n",
                first.counted(), last.counted());
            status = 1;
        } else if (const int slot = session.StraySlot(); slot >= 0) {
            std::printf("FAIL: slot %d holds a bitmap after %ld operations\n", slot, done);
            status = 1;
        }
        if (options.minutes > 0 && clock.elapsed() >= options.minutes * 60'000) {
            break;
        }
    }
    std::printf(
        "soak (seed %u): %ld operations in %lld s, %ld message boxes answered; memory "
        "counted after the first hundred %ld KiB, at the end %ld KiB, peak %ld KiB "
        "(resident %ld KiB and %ld KiB)\n",
        options.seed, done, clock.elapsed() / 1000, messages, first.counted(), last.counted(), peak,
        first.resident, last.resident);
    std::printf("operations: %s\n", session.Tally().c_str());
    return status;
}

}  // namespace

}  // namespace orrisbay::soak

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The heap as the window's own main sets it up.
    orrisbay::app::ReturnFreedPicturesToTheSystem();
    qInstallMessageHandler(orrisbay::soak::QuietPlatformNotes);
    QApplication application(argc, argv);
    const auto options = orrisbay::soak::ParseArguments(argc, argv);
    if (!options) {
        std::fputs("usage: orrisbay_soak_driver [--seed N] [--operations N] [--minutes N]\n",
                   stderr);
        return 2;
    }
    long messages = 0;
    orrisbay::console::SetMessageBoxHook(
        [&messages](const std::string&, orrisbay::console::MessageButtons) { ++messages; });
    const orrisbay::testing::TemporaryFolder folder("orrisbay-soak");
    std::filesystem::create_directory(folder.path() / "in");
    int status = 0;
    {
        orrisbay::app::FrmOrrisbay window;
        window.Load();
        window.show();
        QApplication::processEvents();
        status = orrisbay::soak::Soak(window, *options, folder.path(), messages);
        window.close();
        QApplication::processEvents();
    }
    orrisbay::console::SetMessageBoxHook({});
    return status;
}
