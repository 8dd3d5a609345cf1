#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console/result.h"

namespace orrisbay::quake_palette {

inline constexpr std::string_view kPaletteFileName = "quake_palette_jasc.pal";
inline constexpr std::string_view kHeaderLine = "JASC-PAL";
inline constexpr std::string_view kUnavailableMessage =
    "Quake palette conversion is not available.";
// Reports that name the palette file: the file's path follows the text.
inline constexpr std::string_view kCannotOpenMessage = "Couldn't open the palette file ";
inline constexpr std::string_view kEndedEarlyMessage = "The palette file ended early: ";

// The swatch grid: 16 x 16 swatches of 8 x 8 pixels in a box with a
// one-pixel border on each side.
inline constexpr int kGridColumns = 16;
inline constexpr int kSwatchSize = 8;
inline constexpr int kGridSize = kGridColumns * kSwatchSize;
inline constexpr int kBoxSize = kGridSize + 2;

// A colour value: red in the low byte, then green, then blue, top byte 0.
using ColourValue = std::uint32_t;
inline constexpr ColourValue MakeColour(int red, int green, int blue) {
    return static_cast<ColourValue>(red) | (static_cast<ColourValue>(green) << 8) |
           (static_cast<ColourValue>(blue) << 16);
}

// Quake draws its last 32 colours (224 to 255) unlit, so they glow in the dark.
inline constexpr int kFirstFullbright = 224;
inline constexpr int kQuakeFullbrightCount = 256 - kFirstFullbright;

// A game's palette as one value: 256 colours, indices 0 to 255, and how many
// of the last ones the game draws unlit, so they glow in the dark. Quake's 32
// unless said otherwise; every conversion to the palette takes the count
// from here.
struct Palette {
    std::array<ColourValue, 256> colours{};
    int fullbrightCount = kQuakeFullbrightCount;  // 0 to 255: colours 256 - count to 255 glow

    ColourValue& operator[](std::size_t index) { return colours[index]; }
    const ColourValue& operator[](std::size_t index) const { return colours[index]; }
    static constexpr std::size_t size() { return 256; }
    auto begin() { return colours.begin(); }
    auto end() { return colours.end(); }
    auto begin() const { return colours.begin(); }
    auto end() const { return colours.end(); }
    // The first colour that glows; 256 when none does.
    int FirstFullbright() const { return 256 - fullbrightCount; }
    bool operator==(const Palette&) const = default;
};

// Lower-cases `folder`, trims its outer spaces and ends it with exactly one
// backslash (unless it already ended in one before trimming).
std::string EnsureTrailingBackslash(const std::string& folder);

// The number a text begins with (sign, digits, fraction, exponent), with
// blanks and tabs anywhere ignored; 0 when it does not begin with one.
double NumericValue(std::string_view text);

// What a palette file set, entry by entry: the table black where it set
// nothing, which the swatch grid shows whatever else went wrong.
struct PaletteEntries {
    Palette PaletteColors{};
    int entriesSet = 0;  // how many table entries the file set
};

// Reads the palette file at `path`, reporting a wrong header, a file that
// cannot be opened and a file that ends early through console::ReportError.
// Gives the palette to convert textures to only for a file read whole with
// its header, since a partial palette would give nonsense; otherwise why
// there is none: "cannot open PATH" (Unreadable), "PATH does not begin with
// JASC-PAL", "PATH ends early" or both (Damaged). `entries`, when given, receives
// what the file set whatever went wrong. Never throws for any file content.
Result<Palette> ReadPaletteFile(const std::string& path, PaletteEntries* entries = nullptr);

// The surface the swatches are painted into: the window's palette box.
class SwatchSurface {
  public:
    virtual ~SwatchSurface() = default;
    // Everything drawn from now on goes into a backing image that survives repaints.
    virtual void SetPersistentDrawing() = 0;
    // Outer size of the box in screen pixels (border included).
    virtual void SetOuterSize(int width, int height) = 0;
    // Fills the rectangle with corners (x1, y1) and (x2, y2), both included.
    virtual void FillRectangle(int x1, int y1, int x2, int y2, ColourValue colour) = 0;
};

// The palette file path inside `folder`.
std::string PaletteFilePath(const std::string& folder);

// Reads the palette file from the application folder and paints the 16 x 16
// swatch grid of its PaletteColors; gives what ReadPaletteFile gives. The
// second form reads from `folder` instead.
Result<Palette> LoadPaletteSwatches(SwatchSurface& box, PaletteEntries* entries = nullptr);
Result<Palette> LoadPaletteSwatches(SwatchSurface& box, const std::string& folder,
                                    PaletteEntries* entries = nullptr);

// Paints all 256 swatches of `colours` into `box`.
void PaintSwatches(SwatchSurface& box, const Palette& colours);

}  // namespace orrisbay::quake_palette
