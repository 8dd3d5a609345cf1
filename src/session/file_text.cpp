#include "session/file_text.h"

#include <fstream>

namespace orrisbay::session {

std::optional<std::string> ReadFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0 || !in.seekg(0)) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), size)) {
        return std::nullopt;
    }
    return text;
}

}  // namespace orrisbay::session
