#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "console/console.h"

namespace orrisbay::fuzz {

std::string WriteScratchFile(const std::uint8_t* data, std::size_t size,
                             const std::string& extension) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("orrisbay-fuzz-" + std::to_string(::getpid()) + extension);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file != nullptr) {
        if (size > 0) {
            std::fwrite(data, 1, size, file);
        }
        std::fclose(file);
    }
    return path.string();
}

void SilenceConsole() {
    console::ResetConsoleForTesting();
    console::SetMessageBoxHook([](const std::string&, console::MessageButtons) {});
}

}  // namespace orrisbay::fuzz
