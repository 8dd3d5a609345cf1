#pragma once

#include <string>
#include <string_view>

namespace orrisbay::imageio {

// The part of `text` after the first occurrence of `marker` (found without
// regard to case), keeping its case; empty when the marker does not occur.
std::string TextAfter(std::string_view text, std::string_view marker);

// The part of `text` before the first occurrence of `marker` (found without
// regard to case); empty when the marker does not occur.
std::string TextBefore(std::string_view text, std::string_view marker);

// `text` without characters of codes 0 to 31, with outer spaces removed.
std::string StripControlChars(std::string_view text);

// The lower-cased folder part of `path` up to and including its last
// backslash (or slash); the whole lower-cased path when it has none.
std::string FolderOfPath(std::string_view path);

}  // namespace orrisbay::imageio
