#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <istream>
#include <vector>

namespace orrisbay::imageio {

// The largest colour profile taken out of a file; real ones are far smaller.
inline constexpr std::size_t kMaxProfileSize = std::size_t{8} << 20;

// A colour profile stored in a picture file.
struct EmbeddedProfile {
    bool present = false;             // the file says it carries one
    std::vector<std::uint8_t> bytes;  // empty when it could not be taken out
};

// The profile of a PNG (its iCCP chunk), read from the chunks before the
// image data. The image library, which reads JPEG profiles itself, drops
// PNG ones. Nothing for the other formats: GIF and Targa files carry none the
// library would know, and the library refuses the BMP headers that can hold
// one (version 4 and 5).
EmbeddedProfile ReadEmbeddedProfile(FREE_IMAGE_FORMAT format, std::istream& file);

}  // namespace orrisbay::imageio
