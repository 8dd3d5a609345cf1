#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "console/result.h"

namespace orrisbay::imageio {

// An ICC colour profile as a file stores it.
using ProfileBytes = std::span<const std::uint8_t>;

// How pixels lie in memory. Alpha, where there is one, is kept as it is.
enum class PixelLayout {
    Grey8,
    Grey16,
    Rgb8,
    Bgr8,
    Rgba8,
    Bgra8,
    Rgb16,  // 16-bit channels in the machine's byte order
    Rgba16,
};

// Rows of pixels to convert in place.
struct PixelRows {
    std::uint8_t* first = nullptr;  // the first pixel of the first row
    std::size_t stride = 0;         // bytes from one row to the next, a whole number of channels
    unsigned width = 0;
    unsigned height = 0;
    PixelLayout layout = PixelLayout::Rgb8;
};

// The colours stayed as stored because of `problem`.
Result<bool> ProfileNotUsed(std::string problem);
// Why the profile was not used, or empty when it was (or was sRGB).
std::string WhyNotUsed(const Result<bool>& result);

// What became of a picture's colours is a Result<bool>: true when the pixels
// were changed to sRGB; when the profile could not be used, why, as its one
// warning ("cannot be read"), which ColourProfileWarning makes a sentence of.

// Converts `rows` from the colour space `profile` describes to sRGB (grey
// pixels to grey with sRGB's tone curve, and each channel of colour pixels
// under a grey profile likewise), relative colorimetric with black point
// compensation. Pixels stay as they are when the profile is sRGB already
// (no 8-bit level would change), and when it cannot be used; `problem` then
// says why. Large pictures are converted in bands on the machine's cores.
Result<bool> ConvertRowsToSrgb(ProfileBytes profile, const PixelRows& rows);

// The same for a colour table of red, green, blue bytes per entry.
Result<bool> ConvertColourTableToSrgb(ProfileBytes profile, std::span<std::uint8_t> rgb);

// The line a program shows when a picture's profile was not used:
// "its colour profile <problem>, so its colours are used as stored".
std::string ColourProfileWarning(const std::string& problem);

}  // namespace orrisbay::imageio
