// Any bytes as a PNG whose colour profile is taken from its chunks, and as a
// colour profile itself: the profile, where one is found, converts small
// pictures of every pixel layout and a colour table.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "imageio/colour_profile.h"
#include "imageio/embedded_profile.h"

namespace {

using namespace orrisbay::imageio;

void ConvertSamples(ProfileBytes profile) {
    constexpr unsigned kWidth = 5;
    constexpr unsigned kHeight = 3;
    constexpr std::size_t kStride = kWidth * 8 + 4;  // room for the widest layout, and padding
    for (const PixelLayout layout : {PixelLayout::Grey8, PixelLayout::Grey16, PixelLayout::Rgb8,
                                     PixelLayout::Bgra8, PixelLayout::Rgb16, PixelLayout::Rgba16}) {
        std::array<std::uint8_t, kStride * kHeight> pixels{};
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<std::uint8_t>(i * 37);
        }
        // A profile that cannot convert these pixels says so; only a crash is a finding.
        (void)ConvertRowsToSrgb(profile, {pixels.data(), kStride, kWidth, kHeight, layout});
    }
    std::array<std::uint8_t, 3 * 7> table{};
    (void)ConvertColourTableToSrgb(profile, table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream png(std::string(reinterpret_cast<const char*>(data), size));
    const EmbeddedProfile embedded = ReadEmbeddedProfile(FIF_PNG, png);
    if (!embedded.bytes.empty()) {
        ConvertSamples(embedded.bytes);
    }
    ConvertSamples(ProfileBytes(data, size));
    return 0;
}
