// Any bytes as the command lines of orrisbay-blend, orrisbay-wad and
// orrisbay-bsp: the arguments are the pieces between NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/blend_arguments.h"
#include "cli/bsp_arguments.h"
#include "cli/wad_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    const orrisbay::cli::ParsedArguments blend = orrisbay::cli::ParseArguments(arguments);
    if (blend.error.empty()) {
        (void)orrisbay::cli::InputFiles(blend.options);
    }
    (void)orrisbay::cli::ParseWadArguments(arguments);
    (void)orrisbay::cli::ParseBspArguments(arguments);
    return 0;
}
