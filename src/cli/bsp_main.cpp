// orrisbay-bsp: lists, replaces and checks the textures of a compiled map.
#include <iostream>
#include <string>
#include <vector>

#include "cli/bsp_command.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return orrisbay::cli::RunBsp(arguments, std::cout, std::cerr);
}
