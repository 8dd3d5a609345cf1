// orrisbay-blend: merges two texture layers through their alpha masks, without a window.
#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include "cli/blend_command.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// The command makes a few very large bitmaps one after another: a mask read at
// 24 bits is freed as soon as its greyscale copy exists, and the layers, the
// rescaled masks and the texture come after it. Memory freed is kept for the
// next bitmap, from one heap shared by all threads, rather than given back to
// the system and faulted in again page by page. Nothing is held longer than
// before; the process just keeps its pages until it ends.
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
    return orrisbay::cli::RunBlend(arguments, std::cout, std::cerr);
}
