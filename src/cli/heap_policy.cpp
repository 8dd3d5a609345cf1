#include "cli/heap_policy.h"

#include <alloca.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "cli/sanitized.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace orrisbay::cli {

namespace {

constexpr const char* kTunables = "GLIBC_TUNABLES";
// Set for the second start: "-" when GLIBC_TUNABLES was unset, else "+" and its value.
constexpr const char* kTunablesBefore = "ORRISBAY_GLIBC_TUNABLES_BEFORE";

#if defined(__GLIBC__) && !defined(ORRISBAY_SANITIZED)
constexpr std::string_view kHugePages = "glibc.malloc.hugetlb=1";

bool Contains(const char* text, std::string_view part) {
    return text != nullptr && std::string_view(text).find(part) != std::string_view::npos;
}

// Whether an environment entry ("NAME=value") sets `name`.
bool Sets(const char* entry, std::string_view name) {
    const std::string_view text(entry);
    return text.size() > name.size() && text.starts_with(name) && text[name.size()] == '=';
}

// The value of `name` in the environment `envp`, or null.
const char* FromEnvironment(char** envp, std::string_view name) {
    for (char** entry = envp; entry != nullptr && *entry != nullptr; ++entry) {
        if (Sets(*entry, name)) {
            return *entry + name.size() + 1;
        }
    }
    return nullptr;
}

// Whether a virtio balloon reports free memory to its host, which takes the
// reported pages back: it reports free blocks of 2 MiB, the very blocks huge
// pages are made of, so every huge page is faulted in afresh by the host a
// few seconds after the last program freed it. There the 4096 x 4096 blend
// with 8192 x 8192 masks takes 1.4 s in huge pages and 0.5 s in small ones.
bool HostTakesBackFreeMemory() {
    constexpr const char* kBalloons = "/sys/bus/virtio/drivers/virtio_balloon";
    constexpr long kReportingBit = 5;  // VIRTIO_BALLOON_F_REPORTING; the file lists bit 0 first
    DIR* folder = opendir(kBalloons);
    if (folder == nullptr) {
        return false;
    }
    bool reports = false;
    while (const dirent* entry = readdir(folder)) {
        if (std::strncmp(entry->d_name, "virtio", 6) != 0) {
            continue;
        }
        char path[320];
        std::snprintf(path, sizeof path, "%s/%s/features", kBalloons, entry->d_name);
        const int file = open(path, O_RDONLY | O_CLOEXEC);
        if (file < 0) {
            continue;
        }
        char bits[kReportingBit + 1] = {};
        const ssize_t got = read(file, bits, sizeof bits);
        close(file);
        reports = reports || (got > kReportingBit && bits[kReportingBit] == '1');
    }
    closedir(folder);
    return reports;
}

// Starts the program once more with huge pages for large blocks, before any
// library's initialisers run (the SIMD library's spends milliseconds timing
// the clock), so the first start costs little more than loading. It runs
// among the executable's pre-initialisers, where only plain C calls are safe;
// returns only when it cannot start again or need not.
void StartEarlyWithHugePages(int, char** argv, char** envp) {
    const char* tunables = FromEnvironment(envp, kTunables);
    if (argv == nullptr || argv[0] == nullptr || FromEnvironment(envp, kTunablesBefore) ||
        Contains(tunables, "glibc.malloc.hugetlb") ||
        Contains(FromEnvironment(envp, "LD_PRELOAD"), "vgpreload") || HostTakesBackFreeMemory()) {
        return;
    }
    std::size_t count = 0;
    while (envp != nullptr && envp[count] != nullptr) {
        ++count;
    }
    char** environment = static_cast<char**>(alloca((count + 3) * sizeof(char*)));
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!Sets(envp[i], kTunables)) {
            environment[kept++] = envp[i];
        }
    }
    const std::size_t old = tunables ? std::strlen(tunables) : 0;
    const std::size_t withSize = std::strlen(kTunables) + old + kHugePages.size() + 3;
    char* with = static_cast<char*>(alloca(withSize));
    std::snprintf(with, withSize, "%s=%s%s%.*s", kTunables, old ? tunables : "", old ? ":" : "",
                  static_cast<int>(kHugePages.size()), kHugePages.data());
    const std::size_t beforeSize = std::strlen(kTunablesBefore) + old + 3;
    char* before = static_cast<char*>(alloca(beforeSize));
    std::snprintf(before, beforeSize, "%s=%s%s", kTunablesBefore, tunables ? "+" : "-",
                  tunables ? tunables : "");
    environment[kept++] = with;
    environment[kept++] = before;
    environment[kept] = nullptr;
    execve("/proc/self/exe", argv, environment);  // returns only when it cannot start
}

[[gnu::used,
  gnu::section(".preinit_array")]] void (*const kStartEarly)(int, char**,
                                                             char**) = StartEarlyWithHugePages;
#endif

// On the second start, the environment as the user had it, so that nothing
// the command runs inherits the setting.
void RestoreEnvironment() {
    const char* before = std::getenv(kTunablesBefore);
    if (before == nullptr) {
        return;
    }
    if (before[0] == '+') {
        setenv(kTunables, before + 1, 1);
    } else {
        unsetenv(kTunables);
    }
    unsetenv(kTunablesBefore);
}

}  // namespace

void SetUpHeapForLargePictures() {
    RestoreEnvironment();
#ifdef __GLIBC__
    // Memory freed is kept for the next bitmap, from one heap shared by all
    // threads, rather than given back to the system and faulted in again: the
    // layers, the rescaled masks and the texture reuse the pages of the 24-bit
    // masks, and every run of --watch those of the run before.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
}

}  // namespace orrisbay::cli
