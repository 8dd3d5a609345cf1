#pragma once

#include <cstdint>
#include <optional>

namespace orrisbay::console {

// Rounds to the nearest whole number, a value exactly halfway going to the
// even neighbour (2.5 gives 2, 3.5 gives 4), as every size, factor and
// palette component of the program is rounded. Empty for infinities, NaN and
// results that do not fit 32 bits.
std::optional<std::int32_t> RoundHalfEven(double value);

}  // namespace orrisbay::console
