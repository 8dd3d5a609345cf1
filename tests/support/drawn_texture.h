#pragma once

#include "gameformats/mip_texture.h"

namespace orrisbay::testing {

// A square WAD texture of colour 10 in every level whose full-size level has
// `index` (by default 240, a fullbright) at the (x, y) of `drawn`.
inline gameformats::MipTexture DrawnTexture(std::string name, unsigned side,
                                            std::vector<std::pair<unsigned, unsigned>> drawn,
                                            std::uint8_t index = 240) {
    gameformats::MipTexture texture{std::move(name), side, side, {}, {}};
    for (auto& level : texture.mips) {
        level.assign(std::size_t{side} * side, 10);
        side /= 2;
    }
    for (const auto& [x, y] : drawn) {
        texture.mips[0][y * texture.width + x] = index;
    }
    return texture;
}

}  // namespace orrisbay::testing
