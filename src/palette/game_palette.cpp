#include "palette/game_palette.h"

#include <utility>

namespace orrisbay::quake_palette {
namespace {

// FNV-1a over the 768 red, green and blue bytes of Quake's palette: the
// program ships no table of it, and any other palette gives another value.
constexpr std::uint64_t kQuakePaletteFingerprint = 0x019dfc47e24e207eull;

std::uint64_t Fingerprint(const Palette& colours) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const ColourValue colour : colours) {
        for (int shift = 0; shift < 24; shift += 8) {
            hash = (hash ^ ((colour >> shift) & 0xFF)) * 0x100000001b3ull;
        }
    }
    return hash;
}

}  // namespace

std::string_view PaletteFormatName(PaletteFormat format) {
    switch (format) {
        case PaletteFormat::Jasc:
            return "JASC palette";
        case PaletteFormat::RawLump:
            return "raw palette lump";
        case PaletteFormat::Pcx:
            return "PCX picture";
        case PaletteFormat::Gimp:
            return "GIMP palette";
        case PaletteFormat::WadLump:
            return "WAD palette lump";
    }
    return "palette";
}

bool IsQuakePalette(const Palette& palette) {
    return Fingerprint(palette) == kQuakePaletteFingerprint;
}

PaletteFile MakePaletteFile(const Palette& colours, std::string path, PaletteFormat format) {
    Palette palette = colours;
    palette.fullbrightCount = IsQuakePalette(colours) ? kQuakeFullbrightCount : 0;
    return {palette, std::move(path), format};
}

Result<Palette> WithFullbrightCount(Palette palette, int count) {
    if (count < 0 || count > 255) {
        return Fail(ProblemKind::WrongUsage,
                    "the fullbright count must be from 0 to 255, not " + std::to_string(count));
    }
    palette.fullbrightCount = count;
    return palette;
}

Palette PaletteFromRgb(std::span<const std::uint8_t, kRawPaletteSize> rgb) {
    Palette colours{};
    for (std::size_t i = 0; i < colours.size(); ++i) {
        colours[i] = MakeColour(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
    return colours;
}

}  // namespace orrisbay::quake_palette
