#pragma once

#include <string>

#include "palette/quake_palette.h"

namespace orrisbay::testing {

// 256 colours in which every component differs from its neighbours'.
inline quake_palette::Palette DistinctColours() {
    quake_palette::Palette colours{};
    for (int j = 0; j < 256; ++j) {
        colours[j] = quake_palette::MakeColour(j, 255 - j, (j * 7) % 256);
    }
    return colours;
}

// The colours as a raw palette lump: red, green, blue bytes one after another.
inline std::string RgbBytes(const quake_palette::Palette& colours) {
    std::string bytes;
    for (const quake_palette::ColourValue colour : colours) {
        for (int shift = 0; shift < 24; shift += 8) {
            bytes.push_back(static_cast<char>(colour >> shift));
        }
    }
    return bytes;
}

}  // namespace orrisbay::testing
