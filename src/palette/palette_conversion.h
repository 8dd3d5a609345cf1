#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <vector>

#include "imageio/freeimage_base.h"
#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {

// Indices 224 to 255 are drawn unlit by the game, so they glow in dark rooms.
inline constexpr int kFirstFullbright = 224;

struct ConversionOptions {
    bool dither = false;            // Floyd-Steinberg error diffusion
    bool allowFullbrights = false;  // let indices 224 to 255 be chosen
};

// The "redmean" colour distance, scaled by 512 so it stays an exact integer:
// (1024 + r1 + r2) dR^2 + 2048 dG^2 + (1534 - r1 - r2) dB^2.
std::uint32_t ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2);

// Finds the palette index nearest to a colour under ColourDistance, the lowest
// index winning ties. A 32 x 32 x 32 grid of colour cells keeps, per cell, the
// few palette entries that can be nearest to any colour inside it, ordered by
// how close they can possibly come, so a lookup tries a handful of entries
// instead of all 256 and still gives the exact answer.
class NearestColourFinder {
  public:
    NearestColourFinder(const Palette& palette, bool allowFullbrights);

    std::uint8_t Nearest(int red, int green, int blue) const;
    const Palette& Colours() const { return palette_; }

  private:
    struct Entry {
        std::uint8_t index;
        std::uint8_t red, green, blue;
        std::uint32_t closest;  // no colour in the cell comes nearer than this
    };
    void BuildCell(int cellRed, int cellGreen, int cellBlue);

    Palette palette_;
    std::vector<Entry> allowed_;
    std::vector<std::uint32_t> cellStart_;  // cell c holds candidates_[start[c], start[c + 1])
    std::vector<Entry> candidates_;
};

// Maps every pixel of `texture` (any standard bitmap; alpha is ignored) to an
// index of `palette`. The result is an 8-bit bitmap whose colour table is the
// palette, ready for FreeImage_Save as an indexed PNG or BMP. Empty when
// `texture` is missing or cannot be read as RGB.
freeimage_base::Bitmap ConvertToPalette(const FIBITMAP* texture, const NearestColourFinder& finder,
                                        bool dither);
freeimage_base::Bitmap ConvertToQuakePalette(const FIBITMAP* texture, const Palette& palette,
                                             ConversionOptions options = {});

}  // namespace orrisbay::quake_palette
