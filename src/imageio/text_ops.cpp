#include "imageio/text_ops.h"

#include "console/text.h"

namespace orrisbay::imageio {

namespace {

// Position of the first `marker` in `text`, both compared in lower case.
std::size_t FindIgnoringCase(std::string_view text, std::string_view marker) {
    return console::LowerCase(text).find(console::LowerCase(marker));
}

}  // namespace

std::string TextAfter(std::string_view text, std::string_view marker) {
    const std::size_t pos = FindIgnoringCase(text, marker);
    if (pos == std::string::npos) {
        return {};
    }
    return std::string(text.substr(pos + marker.size()));
}

std::string TextBefore(std::string_view text, std::string_view marker) {
    const std::size_t pos = FindIgnoringCase(text, marker);
    if (pos == std::string::npos) {
        return {};
    }
    return std::string(text.substr(0, pos));
}

std::string StripControlChars(std::string_view text) {
    // Bytes are taken unsigned, so the lead and trail bytes of multi-byte
    // UTF-8 characters are kept; only codes 0 to 31 go.
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 32) {
            kept.push_back(c);
        }
    }
    return console::TrimSpaces(kept);
}

std::string FolderOfPath(std::string_view path) {
    std::string lower = console::LowerCase(path);
    // The slash separates folders here as well as on Windows.
    const std::size_t pos = lower.find_last_of("\\/");
    if (pos != std::string::npos) {
        lower.resize(pos + 1);
    }
    return lower;
}

}  // namespace orrisbay::imageio
