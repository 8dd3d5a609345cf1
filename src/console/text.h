#pragma once

#include <string>
#include <string_view>

namespace orrisbay::console {

// `text` with the ASCII letters lower-cased; every other byte is kept, so
// UTF-8 names pass through unchanged.
std::string LowerCase(std::string_view text);

// `text` without its leading and trailing spaces (only the space character).
std::string TrimSpaces(std::string_view text);

// `text` in double quotes, for a name in a message.
std::string Quoted(std::string_view text);

}  // namespace orrisbay::console
