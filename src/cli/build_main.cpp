// orrisbay-build: builds the textures of a recipe's set, only what changed.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/build_command.h"
#include "cli/heap_policy.h"

int main(int argc, char** argv) {
    // A set's textures are made one after another from a few large bitmaps,
    // and its WADs read and written whole: the heap orrisbay-blend has.
    orrisbay::cli::SetUpHeapForLargePictures();
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return orrisbay::cli::RunBuild(arguments, std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1);
}
