#pragma once

#include <FreeImage.h>

#include <string>
#include <vector>

#include "imageio/freeimage_base.h"
#include "slots/slot_view.h"

namespace orrisbay::slots::testing {

using freeimage_base::Bitmap;

struct Colour {
    BYTE red;
    BYTE green;
    BYTE blue;
    bool operator==(const Colour&) const = default;
};

inline constexpr Colour kRed{255, 0, 0};
inline constexpr Colour kBlue{0, 0, 255};
inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kWhite{255, 255, 255};

// Real bitmaps of one colour (or grey level) throughout.
Bitmap SolidColour(int width, int height, int bpp, Colour colour, BYTE alpha = 255);
Bitmap SolidGrey8(int width, int height, BYTE level);
// An 8-bit bitmap with a colour palette whose pixels all use entry `index`.
Bitmap PaletteImage(int width, int height, Colour colour);
// A 1-bit bitmap with a black/white palette, every pixel set to `white`.
Bitmap OneBit(int width, int height, bool white);
// A bitmap of a non-standard pixel type with every sample at its maximum.
Bitmap FullScaleOfType(FREE_IMAGE_TYPE type, int width, int height);
// A 1-, 4- or 8-bit bitmap whose every pixel is palette entry 0, white; the
// other entries are black.
Bitmap WhiteIndexed(int width, int height, int bpp);
// A greyscale mask that is white on the left half and black on the right.
Bitmap HalfWhiteMask(int width, int height, int bpp);

Colour PixelAt(const FIBITMAP* bitmap, int x, int y);

// How many times FreeImage_Unload was called with this handle since the
// counts were last reset (counted by a pass-through around the real call).
int UnloadCount(const FIBITMAP* bitmap);
void ResetUnloadCounts();
void CountUnload(const FIBITMAP* bitmap);

// Records everything the slot table shows.
class RecordingView : public SlotView {
  public:
    struct Thumbnail {
        int index;
        const FIBITMAP* bitmap;
    };
    void ShowThumbnail(int index, const FIBITMAP* bitmap) override {
        thumbnails.push_back({index, bitmap});
    }
    void ShowSizeLabel(int index, const std::string& caption) override {
        labels.resize(4);
        labels.at(static_cast<std::size_t>(index)) = caption;
    }
    void ShowPreview(const FIBITMAP* bitmap) override { previews.push_back(bitmap); }
    void ReportMergeFailure(const std::string& message) override { failures.push_back(message); }

    std::vector<Thumbnail> thumbnails;
    std::vector<std::string> labels = std::vector<std::string>(4);
    std::vector<const FIBITMAP*> previews;
    std::vector<std::string> failures;
};

}  // namespace orrisbay::slots::testing
