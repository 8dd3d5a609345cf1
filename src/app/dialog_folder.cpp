#include "app/dialog_folder.h"

#include <filesystem>
#include <system_error>

namespace orrisbay::app {

DialogFolder::DialogFolder() {
    std::error_code error;
    folder_ = std::filesystem::current_path(error).string();
}

void DialogFolder::RememberFileOf(const std::string& chosen) {
    const std::filesystem::path folder = std::filesystem::path(chosen).parent_path();
    std::error_code error;
    if (!folder.empty() && std::filesystem::is_directory(folder, error)) {
        folder_ = folder.string();
    }
}

}  // namespace orrisbay::app
