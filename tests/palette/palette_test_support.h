#pragma once

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "palette/quake_palette.h"

namespace orrisbay::quake_palette::testing {

// A fresh folder under the system's temporary folder, removed again at the end.
class TempFolder {
  public:
    TempFolder() {
        static std::mt19937_64 names{std::random_device{}()};
        path_ = std::filesystem::temp_directory_path() /
                ("orrisbay-palette-" + std::to_string(names()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path() const { return path_.string(); }

    // Writes `bytes` as the palette file of this folder and returns its path.
    std::string WritePalette(const std::string& bytes) const {
        const std::string file = PaletteFilePath(Path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

  private:
    std::filesystem::path path_;
};

// Collects the message boxes that reports show, and starts from an empty log.
class ReportRecorder {
  public:
    ReportRecorder() {
        console::ResetConsoleForTesting();
        previous_ = console::SetMessageBoxHook(
            [this](const std::string& text, console::MessageButtons) { shown.push_back(text); });
    }
    ~ReportRecorder() { console::SetMessageBoxHook(previous_); }
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    std::vector<std::string> shown;

  private:
    console::MessageBoxHook previous_;
};

// A palette box that records the 128 x 128 drawing area and how often each
// pixel was filled.
class RecordingSurface : public SwatchSurface {
  public:
    void SetPersistentDrawing() override { calls.push_back("persistent"); }
    void SetOuterSize(int width, int height) override {
        calls.push_back("size " + std::to_string(width) + "x" + std::to_string(height));
    }
    void FillRectangle(int x1, int y1, int x2, int y2, ColourValue colour) override {
        ++fills;
        for (int y = y1; y <= y2; ++y) {
            for (int x = x1; x <= x2; ++x) {
                if (x < 0 || y < 0 || x >= kGridSize || y >= kGridSize) {
                    ++outside;
                    continue;
                }
                pixels[Index(x, y)] = colour;
                ++coverage[Index(x, y)];
            }
        }
    }

    ColourValue Pixel(int x, int y) const { return pixels[Index(x, y)]; }
    // The colour of swatch `index` if all its pixels agree, else a marker value.
    ColourValue SwatchColour(int index) const {
        const int left = kSwatchSize * (index % kGridColumns);
        const int top = kSwatchSize * (index / kGridColumns);
        const ColourValue first = Pixel(left, top);
        for (int y = top; y < top + kSwatchSize; ++y) {
            for (int x = left; x < left + kSwatchSize; ++x) {
                if (Pixel(x, y) != first) {
                    return 0xFFFFFFFFu;
                }
            }
        }
        return first;
    }

    std::vector<std::string> calls;
    int fills = 0;
    int outside = 0;
    std::array<ColourValue, kGridSize * kGridSize> pixels{};
    std::array<int, kGridSize * kGridSize> coverage{};

  private:
    static std::size_t Index(int x, int y) { return static_cast<std::size_t>(y * kGridSize + x); }
};

// A palette file's text with CR LF line ends, after the three head lines.
inline std::string PaletteText(const std::string& count, const std::vector<std::string>& entries,
                               const std::string& header = "JASC-PAL",
                               const std::string& lineEnd = "\r\n") {
    std::string text = header + lineEnd + "0100" + lineEnd + count + lineEnd;
    for (const std::string& entry : entries) {
        text += entry + lineEnd;
    }
    return text;
}

// A read of a palette file as the tests look at it: what the file set, and
// what went wrong as the reader's problem tells it.
struct PaletteRead {
    PaletteRead() = default;
    PaletteRead(const Result<Palette>& read, const PaletteEntries& table)
        : PaletteColors(table.PaletteColors),
          entriesSet(table.entriesSet),
          opened(read || read.problem().kind != ProblemKind::Unreadable),
          headerMatched(opened && (read || read.problem().message.find("does not begin with") ==
                                               std::string::npos)),
          endedEarly(!read && read.problem().message.ends_with("ends early")),
          palette(read ? std::optional(*read) : std::nullopt),
          problem(read ? std::string() : read.problem().message) {}

    std::optional<Palette> ConversionPalette() const { return palette; }
    const std::string& Problem() const { return problem; }

    Palette PaletteColors{};
    int entriesSet = 0;
    bool opened = false;
    bool headerMatched = false;
    bool endedEarly = false;
    std::optional<Palette> palette;
    std::string problem;
};

inline PaletteRead ReadPalette(const std::string& path) {
    PaletteEntries table;
    const Result<Palette> read = ReadPaletteFile(path, &table);
    return {read, table};
}

inline PaletteRead LoadSwatches(SwatchSurface& box, const std::string& folder) {
    PaletteEntries table;
    const Result<Palette> read = LoadPaletteSwatches(box, folder, &table);
    return {read, table};
}

inline PaletteRead LoadSwatches(SwatchSurface& box) {
    PaletteEntries table;
    const Result<Palette> read = LoadPaletteSwatches(box, &table);
    return {read, table};
}

}  // namespace orrisbay::quake_palette::testing
