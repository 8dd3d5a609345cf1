#pragma once

#include <string>

#include "console/result.h"
#include "gameformats/wad_status.h"

namespace orrisbay::gameformats {

// A failed WadStatus as the Problem of the one result type, with the file concerned.
Problem ProblemOf(const WadStatus& status, const std::string& path);

}  // namespace orrisbay::gameformats
