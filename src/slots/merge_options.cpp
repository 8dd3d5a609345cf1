#include "slots/merge_options.h"

#include <cmath>

namespace orrisbay::slots {

bool IsUsable(const HeightBlend& blend) {
    constexpr double kDecimalSlack = 1e-9;
    return std::isfinite(blend.depth) && std::isfinite(blend.strength) &&
           blend.depth >= kMinHeightDepth && blend.strength >= 0 &&
           blend.strength + blend.depth <= 1 + kDecimalSlack;
}

}  // namespace orrisbay::slots
