#include "palette/line_reader.h"

#include <filesystem>
#include <system_error>

namespace orrisbay::quake_palette {
namespace {

using Traits = std::filebuf::traits_type;

bool IsEnd(Traits::int_type c) {
    return Traits::eq_int_type(c, Traits::eof());
}

}  // namespace

LineReader::LineReader(const std::string& path) {
    // A folder can be opened like a file on some systems but never read.
    std::error_code error;
    if (std::filesystem::is_directory(std::filesystem::path(path), error)) {
        return;
    }
    file_.open(path, std::ios::in | std::ios::binary);
}

std::optional<TextLine> LineReader::Next() {
    if (!IsOpen()) {
        return std::nullopt;
    }
    Traits::int_type c = file_.sbumpc();
    if (IsEnd(c)) {
        return std::nullopt;
    }
    TextLine line;
    for (; !IsEnd(c); c = file_.sbumpc()) {
        const char ch = Traits::to_char_type(c);
        if (ch == '\n') {
            break;
        }
        if (ch == '\r') {
            if (Traits::eq_int_type(file_.sgetc(), Traits::to_int_type('\n'))) {
                file_.sbumpc();
            }
            break;
        }
        if (line.text.size() < kMaxLineLength) {
            line.text.push_back(ch);
        } else {
            line.overlong = true;
        }
    }
    return line;
}

}  // namespace orrisbay::quake_palette
