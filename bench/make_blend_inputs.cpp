// Writes four 24-bit pictures for timing orrisbay-blend on large inputs:
// layer1, layer2 (LAYER_SIDE square) and mask1, mask2 (MASK_SIDE square),
// smooth patterns with a little noise, in the format of EXTENSION.
//
//   orrisbay_bench_blend_inputs FOLDER [LAYER_SIDE MASK_SIDE [EXTENSION]]
//   (defaults: 4096 8192 bmp)
#include <FreeImage.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "imageio/freeimage_base.h"

namespace {

using orrisbay::freeimage_base::Bitmap;

// Diagonal bands of colour, different for each seed, with noise in the low bits.
Bitmap Pattern(int side, unsigned seed) {
    Bitmap bitmap(FreeImage_Allocate(side, side, 24));
    if (!bitmap) {
        return bitmap;
    }
    std::minstd_rand noise(seed);
    for (int y = 0; y < side; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < side; ++x) {
            const unsigned along = static_cast<unsigned>(x * (seed + 1) + y * (3 - seed % 3));
            const unsigned bits = noise();
            row[3 * x + 0] = static_cast<BYTE>((along >> 3) ^ (bits & 7));
            row[3 * x + 1] = static_cast<BYTE>((along >> 4) + (bits >> 8 & 3));
            row[3 * x + 2] = static_cast<BYTE>((along >> 5) * seed + (bits >> 16 & 1));
        }
    }
    return bitmap;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s FOLDER [LAYER_SIDE MASK_SIDE [EXTENSION]]\n", argv[0]);
        return 64;
    }
    const std::filesystem::path folder = argv[1];
    const int layerSide = argc > 2 ? std::atoi(argv[2]) : 4096;
    const int maskSide = argc > 3 ? std::atoi(argv[3]) : 8192;
    const std::string extension = argc > 4 ? argv[4] : "bmp";
    FreeImage_Initialise();
    std::filesystem::create_directories(folder);
    const struct {
        const char* name;
        int side;
    } files[] = {
        {"layer1", layerSide}, {"layer2", layerSide}, {"mask1", maskSide}, {"mask2", maskSide}};
    unsigned seed = 1;
    for (const auto& file : files) {
        const std::string path = (folder / (std::string(file.name) + "." + extension)).string();
        const Bitmap picture = Pattern(file.side, seed++);
        const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
        if (!picture || format == FIF_UNKNOWN ||
            !FreeImage_Save(format, picture.get(), path.c_str())) {
            std::fprintf(stderr, "%s: not written\n", path.c_str());
            return 73;
        }
    }
    return 0;
}
