#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

namespace orrisbay::imageio {

// The largest picture the program takes in, from a file or the clipboard:
// 16384 pixels a side and 2^28 pixels in all (one 16384 x 16384 layer). The
// merge keeps several 32-bit copies at the common size, so anything larger
// would exhaust memory; such pictures are refused before their pixels are
// decoded.
inline constexpr std::uint64_t kMaxPictureSide = 16384;
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 28;

struct PictureSize {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
};

// True when a picture of `size` is within the limits above.
bool IsWithinPictureLimits(PictureSize size);

// The size of the first picture of a GIF stream: the larger of its logical
// screen and its first frame, side by side (the image library allocates the
// frame's own size). Reads only headers and skips data blocks; empty when the
// stream does not hold a GIF header.
std::optional<PictureSize> ReadGifDeclaredSize(std::istream& in);

// "Load: <name> is W x H pixels, larger than the 16384 x 16384 (268435456
// pixels) that can be blended; no image loaded."
std::string FileTooLargeMessage(const std::string& name, PictureSize size);

// The same for a clipboard picture: "Paste: the clipboard image is ...".
std::string ClipboardTooLargeMessage(PictureSize size);

}  // namespace orrisbay::imageio
