// The merge of the four input slots into the 24-bit texture in slot 19: the
// memory check before it, the steps on the slots that merge_stages.cpp runs,
// and the clean-up after it, whether it worked or not.
//
// Scratch slots: 4 and 5 the layers at 32 bits, for layers the composite
// cannot read as they are; 6 and 7 the layers at the common size; 8 and 9 the
// masks at the common size, in 8-bit greyscale. A layer or mask that already
// is what its slot would hold is read where it is, and the slot stays empty.
// The canvas (10) and the first composite (11) are only ever made band by
// band, so those slots stay empty. What slots 6 to 9 and the scaled height
// maps hold after a merge is kept beside the slots (derived_) for the next
// merge at the same size, and put back into them when it starts.

#include <algorithm>

#include "slots/merge_memory.h"
#include "slots/pixel_conversions.h"
#include "slots/rescale.h"
#include "slots/slot_table.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

void SlotTable::ComposeLayers() {
    ClearSlot(kResult);
    if (InputsFilled()) {
        // Before the memory check, so that pictures made at another size are
        // given back rather than counted.
        const MergeSize size = CommonSize();
        derived_.KeepOnlyAt(size.width, size.height);
    }
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
    const std::uint64_t need = MergeMemoryNeed(
        {Slot(kLayer1), Slot(kLayer2), Slot(kMask1), Slot(kMask2), size.width, size.height,
         options_.heightBlend.has_value(), HeightMap(0), HeightMap(1), derived_.Held()},
        mergeThreads_);
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

// The layer at the common size: its scaled slot, or the input itself when
// that needs neither a 32-bit copy nor a rescale.
FIBITMAP* SlotTable::ScaledLayer(int which) {
    Bitmap& scaled = Entry(kLayer1Scaled + which);
    return scaled ? scaled.get() : Entry(kLayer1 + which).get();
}

// The mask at the common size, likewise.
FIBITMAP* SlotTable::ScaledMask(int which) {
    Bitmap& scaled = Entry(kMask1Scaled + which);
    return scaled ? scaled.get() : Entry(kMask1 + which).get();
}

// Rescales slot `source` to exactly the common size into slot `target`; the
// source stays where it is.
bool SlotTable::RescaleInto(int target, int source, MergeSize size, unsigned threads) {
    Bitmap scaled = ResizeBitmap(Slot(source), static_cast<int>(size.width),
                                 static_cast<int>(size.height), FILTER_BICUBIC, threads);
    if (!scaled) {
        return false;
    }
    Entry(target) = std::move(scaled);
    return true;
}

// The library inserts only 8-bit greyscale as alpha; a mask of any other
// depth or pixel type is replaced in its scaled slot by its greyscale copy.
bool SlotTable::MakeMaskGreyscale(int which, unsigned threads) {
    const FIBITMAP* mask = ScaledMask(which);
    if (IsGreyscale8(mask)) {
        return true;
    }
    Bitmap grey = ToGreyscale8(mask, threads);
    if (!grey) {
        return false;
    }
    Entry(kMask1Scaled + which) = std::move(grey);
    return true;
}

// The pictures kept from the last merge go back into their scratch slots, and
// the steps that made them are skipped.
void SlotTable::RestoreDerivedPictures() {
    ready_ = derived_.Held();
    for (const int which : {0, 1}) {
        if (ready_[static_cast<std::size_t>(kLayer1 + which)]) {
            Entry(kLayer1Scaled + which) = derived_.Take(kLayer1 + which);
        }
        if (ready_[static_cast<std::size_t>(kMask1 + which)]) {
            Entry(kMask1Scaled + which) = derived_.Take(kMask1 + which);
        }
        if (ready_[static_cast<std::size_t>(kDerivedHeight1 + which)]) {
            scaledHeightMaps_[static_cast<std::size_t>(which)] =
                derived_.Take(kDerivedHeight1 + which);
        }
    }
}

// After a merge by our kernels, what slots 6 to 9 and the scaled height maps
// hold depends each on one input alone: it is kept for the next merge. (The
// library's composite writes a height-blended mask 2 and 32-bit copies into
// those slots: nothing is kept after it.)
void SlotTable::KeepDerivedPictures() {
    for (const int which : {0, 1}) {
        derived_.Keep(kLayer1 + which, std::move(Entry(kLayer1Scaled + which)));
        derived_.Keep(kMask1 + which, std::move(Entry(kMask1Scaled + which)));
        // A height map's steps run only when height blending.
        const auto height = static_cast<std::size_t>(kDerivedHeight1 + which);
        if (ready_[height] || options_.heightBlend) {
            derived_.Keep(kDerivedHeight1 + which,
                          std::move(scaledHeightMaps_[static_cast<std::size_t>(which)]));
        }
    }
}

void SlotTable::ClearScratchSlots() {
    for (int index = kFirstScratch; index <= kLastScratch; ++index) {
        ClearSlot(index);
    }
    for (Bitmap& scaled : scaledHeightMaps_) {
        scaled.reset();
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
