#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orrisbay::session {

// The whole of the file at `path`, read in one go; none when it cannot be
// opened or read.
std::optional<std::string> ReadFileText(const std::filesystem::path& path);

}  // namespace orrisbay::session
