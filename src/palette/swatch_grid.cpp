#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {

void PaintSwatches(SwatchSurface& box, const Palette& colours) {
    box.SetPersistentDrawing();
    box.SetOuterSize(kBoxSize, kBoxSize);
    for (int index = 0; index < static_cast<int>(colours.size()); ++index) {
        const int left = kSwatchSize * (index % kGridColumns);
        const int top = kSwatchSize * (index / kGridColumns);
        box.FillRectangle(left, top, left + kSwatchSize - 1, top + kSwatchSize - 1,
                          colours[static_cast<std::size_t>(index)]);
    }
}

}  // namespace orrisbay::quake_palette
