#include "slots/slot_table.h"

#include <algorithm>

#include "slots/coverage.h"
#include "slots/kernels/grey_kernel.h"
#include "slots/parallel_for.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

bool ArrayContains(int value, std::span<const int> list) {
    return std::ranges::find(list, value) != list.end();
}

Bitmap NormalisedMask(Bitmap mask, unsigned threads) {
    if (freeimage_base::Bpp(mask.get()) != 24) {
        return mask;
    }
    return GreyKernelHandles(mask.get()) ? ConvertToGrey8(mask.get(), threads)
                                         : freeimage_base::ConvertToGreyscale(mask.get());
}

std::string SizeCaption(const FIBITMAP* bitmap) {
    return std::to_string(freeimage_base::Width(bitmap)) + " x " +
           std::to_string(freeimage_base::Height(bitmap)) + " " +
           std::to_string(freeimage_base::Bpp(bitmap)) + " bpp";
}

SlotTable::SlotTable(SlotView& view) : view_(view) {
    freeimage_base::InitialiseImageLibrary();
    SetMergeThreads(0);
}

void SlotTable::SetMergeThreads(unsigned threads) {
    mergeThreads_ = threads > 0 ? threads : MachineThreads();
}

SlotTable::~SlotTable() {
    ReleaseAllSlots();
}

void SlotTable::SetSlotImage(int index, Bitmap&& bitmap) {
    if (index < kLayer1 || index > kMask2 || !bitmap) {
        return;
    }
    StoreInSlot(index, std::move(bitmap));
    NormaliseMask(index);
    // Thumbnail and label show the new input even if the merge then fails.
    view_.ShowThumbnail(index, Entry(index).get());
    view_.ShowSizeLabel(index, SizeCaption(Entry(index).get()));
    if (InputsFilled()) {
        ComposeLayers();
    }
}

void SlotTable::SetInputs(InputPictures pictures) {
    bool changed = false;
    for (int index = kLayer1; index <= kMask2; ++index) {
        Bitmap& bitmap = pictures.slots[static_cast<std::size_t>(index)];
        if (!bitmap) {
            continue;
        }
        StoreInSlot(index, std::move(bitmap));
        NormaliseMask(index);
        view_.ShowThumbnail(index, Entry(index).get());
        view_.ShowSizeLabel(index, SizeCaption(Entry(index).get()));
        changed = true;
    }
    for (std::size_t which = 0; which < 2; ++which) {
        if (auto& map = pictures.heightMaps[which]) {
            heightMaps_[which] = *map ? NormalisedMask(std::move(*map), mergeThreads_) : Bitmap();
            derived_.Forget(kDerivedHeight1 + static_cast<int>(which));
            changed = changed || options_.heightBlend.has_value();
        }
    }
    if (changed && InputsFilled()) {
        ComposeLayers();
    }
}

void SlotTable::ClearSlot(int index) {
    if (index < kLowerBound || index > kUpperBound) {
        return;
    }
    Entry(index).reset();
    if (index <= kMask2) {
        derived_.Forget(index);  // an input's pictures go with it
    }
}

void SlotTable::ReleaseAllSlots() {
    for (int index = kLowerBound; index <= kUpperBound; ++index) {
        ClearSlot(index);
    }
    for (Bitmap& map : heightMaps_) {
        map.reset();
    }
    derived_.Clear();
}

bool SlotTable::SetMergeOptions(const MergeOptions& options) {
    if (options.heightBlend && !IsUsable(*options.heightBlend)) {
        return false;
    }
    if (options == options_) {
        return true;
    }
    options_ = options;
    if (InputsFilled()) {
        ComposeLayers();
    }
    return true;
}

void SlotTable::SetHeightMap(int which, Bitmap&& map) {
    if (which < 0 || which > 1) {
        return;
    }
    heightMaps_[static_cast<std::size_t>(which)] =
        map ? NormalisedMask(std::move(map), mergeThreads_) : Bitmap();
    derived_.Forget(kDerivedHeight1 + which);
    if (options_.heightBlend && InputsFilled()) {
        ComposeLayers();
    }
}

const FIBITMAP* SlotTable::HeightMap(int which) const {
    return which == 0 || which == 1 ? heightMaps_[static_cast<std::size_t>(which)].get() : nullptr;
}

const FIBITMAP* SlotTable::Slot(int index) const {
    if (index < kLowerBound || index > kUpperBound) {
        return nullptr;
    }
    return slots_[static_cast<std::size_t>(index)].get();
}

Bitmap SlotTable::ResultCoverage() const {
    const FIBITMAP* result = Slot(kResult);
    if (result == nullptr) {
        return {};
    }
    return MergedCoverage(Slot(kMask1), Slot(kMask2), freeimage_base::Width(result),
                          freeimage_base::Height(result));
}

bool SlotTable::InputsFilled() const {
    return Slot(kLayer1) && Slot(kLayer2) && Slot(kMask1) && Slot(kMask2);
}

int SlotTable::SlotHolding(const FIBITMAP* bitmap) const {
    for (int index = kLowerBound; index <= kUpperBound; ++index) {
        if (Slot(index) == bitmap) {
            return index;
        }
    }
    return -1;
}

// Keeps every bitmap in exactly one slot: a handle the table already owns is
// never unloaded by its own hand-over, and a bitmap owned by another slot is
// stored as a copy of its own.
void SlotTable::StoreInSlot(int index, Bitmap incoming) {
    derived_.Forget(index);
    const int holder = SlotHolding(incoming.get());
    if (holder < 0) {
        Entry(index) = std::move(incoming);
        return;
    }
    // The table already owns this bitmap; the caller's handle was a second
    // claim on it and must not unload it.
    FIBITMAP* owned = incoming.release();
    if (holder == index) {
        return;
    }
    if (Bitmap copy{FreeImage_Clone(owned)}) {
        Entry(index) = std::move(copy);
    }
}

// A 24-bit mask becomes 8-bit greyscale. If the conversion fails the slot is
// left empty, and the merge waits until the user fills it again.
void SlotTable::NormaliseMask(int index) {
    if (ArrayContains(index, kAlphaSlots)) {
        Entry(index) = NormalisedMask(std::move(Entry(index)), mergeThreads_);
    }
}

}  // namespace orrisbay::slots
