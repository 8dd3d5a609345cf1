#include "palette/quake_palette.h"

#include <algorithm>
#include <optional>

#include "console/application.h"
#include "console/console.h"
#include "console/text.h"
#include "palette/line_reader.h"
#include "palette/palette_numbers.h"

namespace orrisbay::quake_palette {
namespace {

// An entry line gives a colour only when it splits into exactly three fields
// at single blanks; any other line is skipped.
std::optional<ColourValue> EntryColour(const TextLine& line) {
    if (line.overlong || line.text.empty() ||
        std::count(line.text.begin(), line.text.end(), ' ') != 2) {
        return std::nullopt;
    }
    const std::string_view text = line.text;
    const std::size_t first = text.find(' ');
    const std::size_t second = text.find(' ', first + 1);
    return MakeColour(ColourComponent(text.substr(0, first)),
                      ColourComponent(text.substr(first + 1, second - first - 1)),
                      ColourComponent(text.substr(second + 1)));
}

int CountFrom(const TextLine& line) {
    return line.overlong ? 0 : EntryCount(line.text);
}

}  // namespace

std::string EnsureTrailingBackslash(const std::string& folder) {
    const std::string lower = console::LowerCase(folder);
    const bool endsInBackslash = !lower.empty() && lower.back() == '\\';
    std::string trimmed = console::TrimSpaces(lower);
    if (!endsInBackslash) {
        trimmed.push_back('\\');
    }
    return trimmed;
}

std::string PaletteFilePath(const std::string& folder) {
#ifdef _WIN32
    return EnsureTrailingBackslash(folder) + std::string(kPaletteFileName);
#else
    // Names are case-sensitive here, so the folder is kept exactly as given.
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    return path + std::string(kPaletteFileName);
#endif
}

namespace {

// The reader's state: what the file set, and what went wrong so far.
struct Reading {
    PaletteEntries entries;
    bool headerMatched = false;
};

Result<Palette> EndedEarly(const std::string& path) {
    console::ReportError(std::string(kEndedEarlyMessage) + path);
    return Fail(ProblemKind::Damaged, path + " ends early", path);
}

Result<Palette> ReadLines(const std::string& path, Reading& reading) {
    LineReader reader(path);
    if (!reader.IsOpen()) {
        console::ReportError(std::string(kCannotOpenMessage) + path);
        return Fail(ProblemKind::Unreadable, "cannot open " + path, path);
    }
    const std::optional<TextLine> header = reader.Next();
    if (!header) {
        return EndedEarly(path);
    }
    reading.headerMatched = !header->overlong && header->text == kHeaderLine;
    if (!reading.headerMatched) {
        console::ReportError(std::string(kUnavailableMessage));
    }
    if (!reader.Next()) {  // the version line, not used
        return EndedEarly(path);
    }
    const std::optional<TextLine> countLine = reader.Next();
    if (!countLine) {
        return EndedEarly(path);
    }
    const int count = CountFrom(*countLine);
    for (int index = 0; index < count; ++index) {
        const std::optional<TextLine> line = reader.Next();
        if (!line) {
            return EndedEarly(path);
        }
        if (const std::optional<ColourValue> colour = EntryColour(*line)) {
            reading.entries.PaletteColors[static_cast<std::size_t>(index)] = *colour;
            ++reading.entries.entriesSet;
        }
    }
    if (!reading.headerMatched) {
        return Fail(ProblemKind::Damaged, path + " does not begin with " + std::string(kHeaderLine),
                    path);
    }
    return reading.entries.PaletteColors;
}

}  // namespace

Result<Palette> ReadPaletteFile(const std::string& path, PaletteEntries* entries) {
    Reading reading;
    Result<Palette> read = ReadLines(path, reading);
    if (!read && read.problem().kind == ProblemKind::Damaged && !reading.headerMatched &&
        read.problem().message.ends_with(" ends early")) {
        // Both are wrong: the header first.
        read = Fail(ProblemKind::Damaged,
                    path + " does not begin with " + std::string(kHeaderLine) + " and ends early",
                    path);
    }
    if (entries != nullptr) {
        *entries = reading.entries;
    }
    return read;
}

Result<Palette> LoadPaletteSwatches(SwatchSurface& box, PaletteEntries* entries) {
    return LoadPaletteSwatches(box, console::ApplicationFolder(), entries);
}

Result<Palette> LoadPaletteSwatches(SwatchSurface& box, const std::string& folder,
                                    PaletteEntries* entries) {
    PaletteEntries read;
    Result<Palette> palette = ReadPaletteFile(PaletteFilePath(folder), &read);
    PaintSwatches(box, read.PaletteColors);
    if (entries != nullptr) {
        *entries = read;
    }
    return palette;
}

}  // namespace orrisbay::quake_palette
