#pragma once

#include <string>

namespace orrisbay::console {

// The real folder of the running executable (links resolved), without a
// trailing separator unless it is a root. The palette file lives there.
std::string ApplicationFolder();

}  // namespace orrisbay::console
