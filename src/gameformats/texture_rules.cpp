#include "gameformats/texture_rules.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "console/rounding.h"
#include "console/text.h"
#include "slots/parallel_for.h"
#include "slots/rescale.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

int NearestMultipleOf16(int side) {
    const auto steps = console::RoundHalfEven(static_cast<double>(side) / kTextureSizeStep);
    return std::max(1, steps.value_or(1)) * static_cast<int>(kTextureSizeStep);
}

}  // namespace

bool IsWadTextureSize(unsigned width, unsigned height) {
    return width > 0 && height > 0 && width % kTextureSizeStep == 0 &&
           height % kTextureSizeStep == 0;
}

TextureSize NearestMultipleOf16Sizes(int width, int height) {
    return {NearestMultipleOf16(width), NearestMultipleOf16(height)};
}

std::string TextureSizeMessage(int width, int height, std::string_view game) {
    const TextureSize nearest = NearestMultipleOf16Sizes(width, height);
    return std::string(game) +
           " textures must be a multiple of 16 pixels wide and high, and this one is " +
           std::to_string(width) + " x " + std::to_string(height) +
           ". Rescale it to the nearest multiples, " + std::to_string(nearest.width) + " x " +
           std::to_string(nearest.height) + "?";
}

Bitmap RescaleToMultipleOf16(const FIBITMAP* texture) {
    if (texture == nullptr) {
        return Bitmap();
    }
    const TextureSize size =
        NearestMultipleOf16Sizes(static_cast<int>(freeimage_base::Width(texture)),
                                 static_cast<int>(freeimage_base::Height(texture)));
    return slots::ResizeBitmap(texture, size.width, size.height, FILTER_BICUBIC,
                               slots::MachineThreads());
}

std::string TextureNameFromFileName(const std::string& path) {
    return console::LowerCase(std::filesystem::path(path).stem().string());
}

}  // namespace orrisbay::gameformats
