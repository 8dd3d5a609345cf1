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

PaletteReadResult EndedEarly(PaletteReadResult result, const std::string& path) {
    result.endedEarly = true;
    console::ReportError(std::string(kEndedEarlyMessage) + path);
    return result;
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

std::optional<Palette> PaletteReadResult::ConversionPalette() const {
    if (!opened || !headerMatched || endedEarly) {
        return std::nullopt;
    }
    return PaletteColors;
}

std::string PaletteReadResult::Problem() const {
    if (!opened) {
        return "cannot open " + path;
    }
    if (!headerMatched) {
        return path + " does not begin with " + std::string(kHeaderLine);
    }
    return endedEarly ? path + " ends early" : std::string();
}

PaletteReadResult ReadPaletteFile(const std::string& path) {
    PaletteReadResult result;
    result.path = path;
    LineReader reader(path);
    if (!reader.IsOpen()) {
        console::ReportError(std::string(kCannotOpenMessage) + path);
        return result;
    }
    result.opened = true;

    const std::optional<TextLine> header = reader.Next();
    if (!header) {
        return EndedEarly(result, path);
    }
    result.headerMatched = !header->overlong && header->text == kHeaderLine;
    if (!result.headerMatched) {
        console::ReportError(std::string(kUnavailableMessage));
    }
    if (!reader.Next()) {  // the version line, not used
        return EndedEarly(result, path);
    }
    const std::optional<TextLine> countLine = reader.Next();
    if (!countLine) {
        return EndedEarly(result, path);
    }

    const int count = CountFrom(*countLine);
    for (int index = 0; index < count; ++index) {
        const std::optional<TextLine> line = reader.Next();
        if (!line) {
            return EndedEarly(result, path);
        }
        if (const std::optional<ColourValue> colour = EntryColour(*line)) {
            result.PaletteColors[static_cast<std::size_t>(index)] = *colour;
            ++result.entriesSet;
        }
    }
    return result;
}

PaletteReadResult LoadPaletteSwatches(SwatchSurface& box) {
    return LoadPaletteSwatches(box, console::ApplicationFolder());
}

PaletteReadResult LoadPaletteSwatches(SwatchSurface& box, const std::string& folder) {
    PaletteReadResult result = ReadPaletteFile(PaletteFilePath(folder));
    PaintSwatches(box, result.PaletteColors);
    return result;
}

}  // namespace orrisbay::quake_palette
