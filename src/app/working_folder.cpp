#include "app/working_folder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "console/console.h"

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#endif

namespace orrisbay::app {

namespace {

std::string LowerCase(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool IsDriveRoot(const std::string& s) {
    return s.size() == 3 && s[0] >= 'a' && s[0] <= 'z' && s[1] == ':' && s[2] == '\\';
}

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

std::string TrimTrailingBackslash(const std::string& path) {
    const std::string s = LowerCase(path);
    if (IsDriveRoot(s)) {
        return s;
    }
    if (!s.empty() && s.back() == '\\') {
        return TrimSpaces(s.substr(0, s.size() - 1));
    }
    return TrimSpaces(s);
}

bool SetCHDriveCHDir(const std::string& path) {
#ifdef _WIN32
    // The drive named by the first character, then the folder.
    if (!path.empty() && std::isalpha(static_cast<unsigned char>(path[0]))) {
        _chdrive(std::toupper(static_cast<unsigned char>(path[0])) - 'A' + 1);
    }
    const std::filesystem::path folder = std::filesystem::u8path(TrimTrailingBackslash(path));
#else
    // No drive letters here, and names are case-sensitive: use the path as it is.
    const std::filesystem::path folder(path);
#endif
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error) {
        console::ConsoleAppend("Could not make \"" + path +
                               "\" the working folder: " + error.message());
        return false;
    }
    return true;
}

bool RestoreWorkingFolder() {
    return SetCHDriveCHDir(ApplicationFolder());
}

}  // namespace orrisbay::app
