// orrisbay-blend: merges two texture layers through their alpha masks, without a window.
#include <iostream>
#include <string>
#include <vector>

#include "cli/blend_command.h"
#include "cli/heap_policy.h"

int main(int argc, char** argv) {
    orrisbay::cli::SetUpHeapForLargePictures();
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return orrisbay::cli::RunBlend(arguments, std::cout, std::cerr);
}
