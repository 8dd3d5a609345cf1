#pragma once

#include "palette/quake_palette.h"

namespace orrisbay::bench {

// The palette file the project ships, read once (ORRISBAY_SOURCE_PALETTE is
// defined by the benchmark's target).
inline const quake_palette::Palette& ShippedPalette() {
    static const quake_palette::Palette palette =
        *quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
    return palette;
}

}  // namespace orrisbay::bench
