#pragma once

#include <vector>

namespace orrisbay::quake_palette {

// A blue-noise threshold tile of `width` x `height`, rows from the top: each
// position's rank among all, as (rank + 0.5) / count - 0.5. Made by
// void-and-cluster on the torus, so the tile repeats without a seam, and
// deterministic: the same size always gives the same tile. Each size is made
// once per run and kept.
const std::vector<float>& BlueNoiseTile(int width, int height);

// The tile side for a texture side: its largest divisor up to 64, so the
// pattern repeats exactly with the texture; 64 for a side with no divisor
// from 8 to 64 (a picture of such a side does not tile as a texture anyway).
int BlueNoiseSide(int side);

}  // namespace orrisbay::quake_palette
