#include "cli/builtin_inputs.h"

#include <FreeImage.h>

#include <cstddef>

namespace orrisbay::cli {

namespace embedded {
extern const unsigned char k_grass[];
extern const std::size_t k_grass_size;
extern const unsigned char k_gravel[];
extern const std::size_t k_gravel_size;
extern const unsigned char k_ramp_down[];
extern const std::size_t k_ramp_down_size;
extern const unsigned char k_ramp_up[];
extern const std::size_t k_ramp_up_size;
}  // namespace embedded

namespace {

freeimage_base::Bitmap DecodeBmp(const unsigned char* bytes, std::size_t size) {
    freeimage_base::InitialiseImageLibrary();
    const freeimage_base::Memory memory(bytes, size);
    return freeimage_base::Bitmap(FreeImage_LoadFromMemory(FIF_BMP, memory.get(), 0));
}

}  // namespace

freeimage_base::Bitmap LoadBuiltinInput(int slot) {
    switch (slot) {
        case 0:
            return DecodeBmp(embedded::k_grass, embedded::k_grass_size);
        case 1:
            return DecodeBmp(embedded::k_gravel, embedded::k_gravel_size);
        case 2:
            return DecodeBmp(embedded::k_ramp_down, embedded::k_ramp_down_size);
        case 3:
            return DecodeBmp(embedded::k_ramp_up, embedded::k_ramp_up_size);
        default:
            return {};
    }
}

}  // namespace orrisbay::cli
