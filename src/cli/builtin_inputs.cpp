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
    // The library only reads from the buffer, whatever its signature says.
    FIMEMORY* memory = FreeImage_OpenMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size));
    freeimage_base::Bitmap bitmap(FreeImage_LoadFromMemory(FIF_BMP, memory, 0));
    FreeImage_CloseMemory(memory);
    return bitmap;
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
