#pragma once

#include <FreeImage.h>

#include <istream>

namespace orrisbay::imageio {

// False for files that would make the image library itself misbehave when
// decoded as `format`, so they are refused before the call:
// - Targa files whose image-ID field or colour map runs past the end of the
//   file: FreeImage 3.18 then sizes its run-length buffer negatively, and
//   hands back a bitmap it has already freed.
bool IsSafeToDecode(FREE_IMAGE_FORMAT format, std::istream& file);

}  // namespace orrisbay::imageio
