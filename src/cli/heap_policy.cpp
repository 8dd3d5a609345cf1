#include "cli/heap_policy.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// A sanitizer's runtime brings its own allocator (GCC says so with a macro,
// clang with __has_feature).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORRISBAY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORRISBAY_SANITIZED 1
#endif
#endif

namespace orrisbay::cli {

namespace {

constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr std::string_view kHugePages = "glibc.malloc.hugetlb=1";
// Set for the second start: "-" when GLIBC_TUNABLES was unset, else "+" and its value.
constexpr const char* kTunablesBefore = "ORRISBAY_GLIBC_TUNABLES_BEFORE";

#if defined(__GLIBC__) && !defined(ORRISBAY_SANITIZED)
bool Contains(const char* text, std::string_view part) {
    return text != nullptr && std::string_view(text).find(part) != std::string_view::npos;
}

bool MayStartAgain() {
    return !Contains(std::getenv(kTunables), "glibc.malloc.hugetlb") &&
           !Contains(std::getenv("LD_PRELOAD"), "vgpreload");
}
#else
bool MayStartAgain() {
    return false;
}
#endif

void RestoreTunables(const char* before) {
    if (before[0] == '+') {
        setenv(kTunables, before + 1, 1);
    } else {
        unsetenv(kTunables);
    }
    unsetenv(kTunablesBefore);
}

// Starts the program again with huge pages for large blocks; returns only
// when it cannot, or on the second start.
void StartWithHugePages(char** argv) {
    if (const char* before = std::getenv(kTunablesBefore)) {
        RestoreTunables(before);
        return;
    }
    if (argv == nullptr || argv[0] == nullptr || !MayStartAgain()) {
        return;
    }
    const char* tunables = std::getenv(kTunables);
    const std::string before = tunables ? "+" + std::string(tunables) : "-";
    std::string with(kHugePages);
    if (tunables != nullptr && *tunables != '\0') {
        with = std::string(tunables) + ":" + with;
    }
    setenv(kTunablesBefore, before.c_str(), 1);
    setenv(kTunables, with.c_str(), 1);
    execv("/proc/self/exe", argv);
    RestoreTunables(before.c_str());  // not started again: go on without
}

}  // namespace

void SetUpHeapForLargePictures(char** argv) {
    StartWithHugePages(argv);
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
