#pragma once

#include <cstddef>
#include <fstream>
#include <optional>
#include <string>

namespace orrisbay::quake_palette {

// One line of a text file, without its line end.
struct TextLine {
    std::string text;
    // The line was longer than LineReader::kMaxLineLength; `text` holds only
    // its beginning.
    bool overlong = false;
};

// Reads a file line by line. A line ends at CR LF, a lone CR or a lone LF.
// Lines are capped so that a binary or huge file never fills memory.
class LineReader {
  public:
    static constexpr std::size_t kMaxLineLength = 4096;

    explicit LineReader(const std::string& path);

    bool IsOpen() const { return file_.is_open(); }

    // The next line, or nothing once the file has ended (or cannot be read).
    std::optional<TextLine> Next();

  private:
    std::filebuf file_;
};

}  // namespace orrisbay::quake_palette
