// The real window through a long random session on the offscreen platform:
// files opened and dropped (damaged ones too), pictures and text pasted,
// merges refused, conversions, saves to pictures and WADs, files rewritten
// under the live link, the texture view and the WAD list opened and closed.
// Every message box is answered at once. After each hundred operations the
// window is brought to one fixed state and measured: its resident memory must
// stay within 10% of the level after the first hundred, and no slot but the
// four inputs and the merge may hold a bitmap.
//
//   orrisbay_soak_driver [--seed N] [--operations N] [--minutes N]
//
// --minutes ends the run at the first checkpoint after that time, for runs of
// hours with a large --operations.
#include <malloc.h>
#include <unistd.h>

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

// A figure of the process's memory in KiB from /proc/self/status: "VmRSS"
// (all resident), "RssAnon" (its heap, mapped blocks and stacks), "RssFile"
// (the pages of the program and its libraries it has touched).
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

// A folder of the run's own under the temporary folder, removed afterwards.
struct ScratchFolder {
    fs::path path = fs::temp_directory_path() / ("orrisbay-soak-" + std::to_string(::getpid()));
    ScratchFolder() { fs::create_directories(path / "in"); }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

// Runs the session and checks it after each hundred operations; the exit status.
int Soak(app::FrmOrrisbay& window, const Options& options, const fs::path& folder, long& messages) {
    Session session(window, options.seed, folder);
    QElapsedTimer clock;
    clock.start();
    long firstLevel = 0;
    long lastLevel = 0;
    long peak = 0;
    long done = 0;
    int status = 0;
    while (done < options.operations && status == 0) {
        const long stop = std::min(options.operations, done + 100);
        for (; done < stop; ++done) {
            session.RunOne();
        }
        session.Settle();
        // glibc keeps freed memory in its heaps; handing it back leaves what
        // is still in use. Memory still in use is not released by this.
        malloc_trim(0);
        lastLevel = StatusKiB("VmRSS");
        const std::size_t heapInUse = mallinfo2().uordblks / 1024;
        firstLevel = firstLevel == 0 ? lastLevel : firstLevel;
        peak = std::max(peak, lastLevel);
        std::printf(
            "after %ld operations: %ld KiB resident (anonymous %ld, files %ld, heap in use "
            "%zu), %lld s\n",
            done, lastLevel, StatusKiB("RssAnon"), StatusKiB("RssFile"), heapInUse,
            clock.elapsed() / 1000);
        std::fflush(stdout);
        if (lastLevel * 10 > firstLevel * 11) {
            std::printf(
                "FAIL: resident memory grew from %ld KiB after the first hundred "
                "operations to %ld KiB, more than 10%%\n",
                firstLevel, lastLevel);
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
        "soak (seed %u): %ld operations in %lld s, %ld message boxes answered; "
        "resident after the first hundred %ld KiB, at the end %ld KiB, peak %ld KiB\n",
        options.seed, done, clock.elapsed() / 1000, messages, firstLevel, lastLevel, peak);
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
    const orrisbay::soak::ScratchFolder folder;
    int status = 0;
    {
        orrisbay::app::FrmOrrisbay window;
        window.Load();
        window.show();
        QApplication::processEvents();
        status = orrisbay::soak::Soak(window, *options, folder.path, messages);
        window.close();
        QApplication::processEvents();
    }
    orrisbay::console::SetMessageBoxHook({});
    return status;
}
