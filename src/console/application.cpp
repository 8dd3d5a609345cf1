#include "console/application.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orrisbay::console {

namespace {

std::filesystem::path ExecutablePath() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    return std::filesystem::path("/proc/self/exe");
#endif
}

}  // namespace

std::string ApplicationFolder() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::canonical(ExecutablePath(), error);
    if (error) {
        exe = std::filesystem::absolute(ExecutablePath(), error);
    }
    return exe.parent_path().string();
}

}  // namespace orrisbay::console
