// orrisbay-build: builds the textures of a recipe's set, only what changed.
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include "cli/build_command.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// A set's textures are made one after another, each from a few large
// bitmaps: memory freed is kept for the next texture's bitmaps, from one
// heap, rather than given back to the system and faulted in again page by
// page, as orrisbay-blend does for its own bitmaps.
void KeepFreedMemoryForReuse() {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return orrisbay::cli::RunBuild(arguments, std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1);
}
