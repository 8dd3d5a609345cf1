// orrisbay-wad: lists and edits the textures of a WAD2 or WAD3 file.
#include <iostream>
#include <string>
#include <vector>

#include "cli/heap_policy.h"
#include "cli/wad_command.h"

int main(int argc, char** argv) {
    orrisbay::cli::SetUpHeapForLargePictures();
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return orrisbay::cli::RunWad(arguments, std::cout, std::cerr);
}
