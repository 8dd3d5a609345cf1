#include "palette/palette_text_files.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "console/text.h"

namespace orrisbay::quake_palette {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr std::size_t kColours = 256;
constexpr std::size_t kShownLineLength = 40;

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size()) : text;
}

std::string_view WithoutLeadingBlanks(std::string_view text) {
    return text.substr(std::min(text.find_first_not_of(kBlanks), text.size()));
}

// The lines of `text`, each ended by CR LF, a lone CR or a lone LF.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
        const bool crLf = end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
    return lines;
}

bool StartsWithHeader(std::string_view text, std::string_view header) {
    text = WithoutByteOrderMark(text);
    if (!text.starts_with(header)) {
        return false;
    }
    const std::string_view rest = WithoutLeadingBlanks(text.substr(header.size()));
    return rest.empty() || rest.front() == '\r' || rest.front() == '\n';
}

// The fields of a line, separated by blanks and tabs.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (line = WithoutLeadingBlanks(line); !line.empty(); line = WithoutLeadingBlanks(line)) {
        const std::size_t end = std::min(line.find_first_of(kBlanks), line.size());
        fields.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    return fields;
}

std::optional<int> WholeNumber(std::string_view field) {
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

// The colour of a line that begins with three numbers from 0 to 255; a name
// may follow them where `nameMayFollow`.
std::optional<ColourValue> LineColour(std::string_view line, bool nameMayFollow) {
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 3 || (fields.size() > 3 && !nameMayFollow)) {
        return std::nullopt;
    }
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        const std::optional<int> value = WholeNumber(fields[static_cast<std::size_t>(i)]);
        if (!value || *value < 0 || *value > 255) {
            return std::nullopt;
        }
        rgb[i] = *value;
    }
    return MakeColour(rgb[0], rgb[1], rgb[2]);
}

std::string Shown(std::string_view line) {
    const bool cut = line.size() > kShownLineLength;
    std::string shown = console::Quoted(line.substr(0, kShownLineLength));
    if (cut) {
        shown.insert(shown.size() - 1, "...");
    }
    return shown;
}

Problem NotAColour(const std::string& path, std::size_t lineIndex, std::string_view line) {
    return Fail(ProblemKind::Damaged,
                path + ": line " + std::to_string(lineIndex + 1) +
                    " is not a colour of three numbers from 0 to 255: " + Shown(line),
                path);
}

Problem NotGameSize(const std::string& path, std::size_t count) {
    return Fail(
        ProblemKind::UnsupportedType,
        path + ": it holds " + std::to_string(count) + " colours, and a game's palette has 256",
        path);
}

}  // namespace

bool StartsWithJascHeader(std::string_view text) {
    return StartsWithHeader(text, kHeaderLine);
}

bool StartsWithGimpHeader(std::string_view text) {
    return StartsWithHeader(text, kGimpHeaderLine);
}

Result<Palette> ParseJascPalette(std::string_view text, const std::string& path) {
    const std::vector<std::string_view> lines = Lines(WithoutByteOrderMark(text));
    constexpr std::size_t kFirstEntry = 3;  // after the header, version and count lines
    if (lines.size() < kFirstEntry) {
        return Fail(ProblemKind::Damaged, path + ": it ends before its count of colours", path);
    }
    const std::vector<std::string_view> count = Fields(lines[2]);
    const std::optional<int> number = count.size() == 1 ? WholeNumber(count[0]) : std::nullopt;
    if (!number || *number < 0) {
        return Fail(ProblemKind::Damaged,
                    path + ": its third line should count its colours, and is " + Shown(lines[2]),
                    path);
    }
    if (*number != static_cast<int>(kColours)) {
        return NotGameSize(path, static_cast<std::size_t>(*number));
    }
    Palette colours{};
    for (std::size_t i = 0; i < kColours; ++i) {
        const std::size_t at = kFirstEntry + i;
        if (at >= lines.size()) {
            return Fail(ProblemKind::Damaged,
                        path + ": it ends after " + std::to_string(i) + " of its 256 colours",
                        path);
        }
        const std::optional<ColourValue> colour = LineColour(lines[at], false);
        if (!colour) {
            return NotAColour(path, at, lines[at]);
        }
        colours[i] = *colour;
    }
    return colours;
}

Result<Palette> ParseGimpPalette(std::string_view text, const std::string& path) {
    const std::vector<std::string_view> lines = Lines(WithoutByteOrderMark(text));
    Palette colours{};
    std::size_t count = 0;
    for (std::size_t at = 1; at < lines.size(); ++at) {
        const std::string_view line = WithoutLeadingBlanks(lines[at]);
        if (line.empty() || line.starts_with('#') || line.starts_with("Name:") ||
            line.starts_with("Columns:")) {
            continue;
        }
        const std::optional<ColourValue> colour = LineColour(line, true);
        if (!colour) {
            return NotAColour(path, at, lines[at]);
        }
        if (count < kColours) {
            colours[count] = *colour;
        }
        ++count;
    }
    if (count != kColours) {
        return NotGameSize(path, count);
    }
    return colours;
}

}  // namespace orrisbay::quake_palette
