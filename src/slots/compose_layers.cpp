// The merge of the four input slots into the 24-bit texture in slot 19: the
// memory check before it, the steps on the slots that merge_stages.cpp runs,
// and the clean-up after it, whether it worked or not.
//
// Scratch slots: 4 and 5 the layers at 32 bits; 6 and 7 those layers at the
// common size, receiving the masks as alpha; 8 and 9 the masks at the common
// size. The canvas (10) and the first composite (11) are only ever made band
// by band, so those slots stay empty.

#include <algorithm>

#include "slots/band_composite.h"
#include "slots/merge_memory.h"
#include "slots/pixel_conversions.h"
#include "slots/rescale.h"
#include "slots/slot_table.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

void SlotTable::ComposeLayers() {
    ClearSlot(kResult);
    if (const auto refusal = MemoryRefusal()) {
        AbandonMerge(*refusal);
        return;
    }
    std::string failure;
    if (!RunMergeSteps(failure)) {
        AbandonMerge(failure);
        return;
    }
    ClearScratchSlots();
    view_.ShowPreview(Entry(kResult).get());
}

// Refuses, before anything is allocated, a merge whose bitmaps would not fit
// in the memory available.
std::optional<std::string> SlotTable::MemoryRefusal() const {
    if (!InputsFilled()) {
        return std::nullopt;
    }
    const MergeSize size = CommonSize();
    // The need counts a whole canvas and first composite, which the banded
    // merge never makes; on one thread its one band, a quarter of the rows
    // (but for the tiniest textures), fits in their place.
    const std::uint64_t bandBytes =
        mergeThreads_ > 1 ? mergeThreads_ * BandWorkingBytes(size.width) : 0;
    const std::uint64_t need = MergeMemoryNeed(
        {Slot(kLayer1), Slot(kLayer2), Slot(kMask1), Slot(kMask2), size.width, size.height},
        bandBytes);
    const auto available = availableMemory_ ? availableMemory_ : SystemAvailableMemory();
    if (!available || need <= *available) {
        return std::nullopt;
    }
    return MemoryRefusalText(need, *available, size.width, size.height);
}

// The layers alone decide the size; each side independently.
SlotTable::MergeSize SlotTable::CommonSize() const {
    using freeimage_base::Height;
    using freeimage_base::Width;
    return {std::max(Width(Slot(kLayer1)), Width(Slot(kLayer2))),
            std::max(Height(Slot(kLayer1)), Height(Slot(kLayer2)))};
}

// Rescales slot `source` to exactly width x height into slot `target`. When
// the rescale hands back its source, the bitmap goes back to its own slot and
// the step counts as failed, so no bitmap ever sits in two slots.
bool SlotTable::RescaleInto(int target, int source, int width, int height) {
    const FIBITMAP* original = Entry(source).get();
    Bitmap scaled = RescaleBitmap(Entry(source), std::int64_t{width}, std::int64_t{height},
                                  /*percent=*/false, /*releaseSource=*/false, FILTER_BICUBIC);
    if (scaled.get() == original) {
        Entry(source) = std::move(scaled);
        return false;
    }
    Entry(target) = std::move(scaled);
    return true;
}

// The library inserts only 8-bit greyscale as alpha; a mask of any other
// depth or pixel type is replaced by its greyscale copy.
bool SlotTable::MakeMaskGreyscale(int slot) {
    if (IsGreyscale8(Entry(slot).get())) {
        return true;
    }
    Bitmap grey = ToGreyscale8(Entry(slot).get());
    if (!grey) {
        return false;
    }
    Entry(slot) = std::move(grey);
    return true;
}

void SlotTable::ClearScratchSlots() {
    for (int index = kFirstScratch; index <= kLastScratch; ++index) {
        ClearSlot(index);
    }
}

// An abandoned merge leaves no scratch behind and no result, clears the
// preview and says once what stopped it.
void SlotTable::AbandonMerge(const std::string& failure) {
    ClearScratchSlots();
    ClearSlot(kResult);
    view_.ShowPreview(nullptr);
    view_.ReportMergeFailure(failure);
}

}  // namespace orrisbay::slots
