#pragma once

#include <string>

#include "imageio/picture_bridge.h"

namespace orrisbay::imageio {

// The picture converted to sRGB, as a file's pixels are on loading, when it
// carries another colour space (a pasted picture brings the one of the program
// it came from); 16-bit-per-channel pictures are converted at 16 bits. Other
// pictures come back as they are, and so does one whose colour space cannot
// be used, with `warning` set to the reason.
Picture PictureInSrgb(const Picture& picture, std::string& warning);

}  // namespace orrisbay::imageio
