// Any bytes under each of the six extensions, through the open button's path:
// the file is loaded and handed to a slot of a table whose other inputs are
// filled, so every file that loads is also merged.
#include <FreeImage.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "imageio/file_types.h"
#if ORRISBAY_FUZZ_MERGE
#include "slots/slot_table.h"
#include "slots/slot_view.h"
#endif

namespace {

using orrisbay::freeimage_base::Bitmap;

// The limits of the program itself allow 2^28 pixels, far beyond what a
// fuzzing run can allocate several times over per input; inputs that declare
// more than this are skipped here (the limit is tested on its own).
constexpr std::uint64_t kFuzzPixelBudget = std::uint64_t{1} << 20;

[[maybe_unused]] Bitmap Filler(int width, int height, int bpp) {
    Bitmap bitmap(FreeImage_Allocate(width, height, bpp));
    if (bpp == 8) {
        RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
        for (int i = 0; i < 256; ++i) {
            palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
        }
    }
    return bitmap;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("ORRISBAY_QUIET_IMAGE_LIBRARY", "1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orrisbay;
    if (size < 1) {
        return 0;
    }
    // First byte: extension (low 3 bits, mod 6) and target slot (bits 3..4).
    const auto& row = imageio::kFileTypeTable[(data[0] & 0x07) % imageio::kFileTypeTable.size()];
    const int slot = (data[0] >> 3) & 0x03;
    const std::string path = fuzz::WriteScratchFile(data + 1, size - 1, std::string(row.extension));

    const std::optional<imageio::PictureSize> declared = imageio::ReadDeclaredSize(path);
    if (declared && declared->width * declared->height > kFuzzPixelBudget) {
        return 0;
    }
    Result<Bitmap> result = imageio::LoadImageFile(path);
    if (!result) {
        return 0;
    }
#if ORRISBAY_FUZZ_MERGE
    slots::NullSlotView view;
    slots::SlotTable table(view);
    const std::array<Bitmap (*)(), 4> fillers = {
        [] { return Filler(7, 5, 24); }, [] { return Filler(3, 9, 32); },
        [] { return Filler(4, 4, 8); }, [] { return Filler(5, 2, 24); }};
    for (int other = 0; other < 4; ++other) {
        if (other != slot) {
            table.SetSlotImage(other, fillers[static_cast<std::size_t>(other)]());
        }
    }
    table.SetSlotImage(slot, std::move(*result));
#else
    (void)slot;
#endif
    return 0;
}
