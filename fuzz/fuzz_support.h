#pragma once

// Helpers shared by the fuzz targets: a scratch file per process, and a
// console whose message boxes go nowhere.
#include <cstddef>
#include <cstdint>
#include <string>

namespace orrisbay::fuzz {

// Writes `data` to a file in the temporary folder whose name ends in
// `extension` (one file per process and extension, rewritten each run) and
// returns its path.
std::string WriteScratchFile(const std::uint8_t* data, std::size_t size,
                             const std::string& extension);

// Routes message boxes to nothing and empties the console log, so runs do not
// wait on a person nor grow the log without end.
void SilenceConsole();

}  // namespace orrisbay::fuzz
