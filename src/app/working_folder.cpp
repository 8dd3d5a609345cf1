#include "app/working_folder.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "console/application.h"
#include "console/console.h"
#include "console/text.h"

#ifdef _WIN32
#include <direct.h>
#endif

namespace orrisbay::app {

namespace {

bool IsDriveRoot(const std::string& s) {
    return s.size() == 3 && s[0] >= 'a' && s[0] <= 'z' && s[1] == ':' && s[2] == '\\';
}

}  // namespace

std::string TrimTrailingBackslash(const std::string& path) {
    const std::string s = console::LowerCase(path);
    if (IsDriveRoot(s)) {
        return s;
    }
    if (!s.empty() && s.back() == '\\') {
        return console::TrimSpaces(std::string_view(s).substr(0, s.size() - 1));
    }
    return console::TrimSpaces(s);
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
    return SetCHDriveCHDir(console::ApplicationFolder());
}

}  // namespace orrisbay::app
