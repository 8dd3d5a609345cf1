// The merge of the four input slots into the 24-bit texture in slot 19, one
// step after another; concurrent_merge.cpp runs the same steps on several
// threads.
//
// Scratch slots: 4 and 5 the layers at 32 bits; 6 and 7 those layers at the
// common size, receiving the masks as alpha; 8 and 9 the masks at the common
// size; 10 the black canvas; 11 layer 1 over the canvas.

#include <algorithm>

#include "slots/band_composite.h"
#include "slots/merge_memory.h"
#include "slots/merge_steps.h"
#include "slots/pixel_conversions.h"
#include "slots/rescale.h"
#include "slots/slot_table.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

// The channel number of alpha in FreeImage_SetChannel.
constexpr FREE_IMAGE_COLOR_CHANNEL kAlphaChannel = FICC_ALPHA;

}  // namespace

void SlotTable::ComposeLayers() {
    ClearSlot(kResult);
    if (const auto refusal = MemoryRefusal()) {
        AbandonMerge(*refusal);
        return;
    }
    std::string failure;
    const bool merged =
        mergeThreads_ > 1 ? RunMergeStepsConcurrently(failure) : RunMergeSteps(failure);
    if (!merged) {
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

bool SlotTable::RunMergeSteps(std::string& failure) {
    if (!InputsFilled()) {
        failure = kInputsMissingText;
        return false;
    }
    const FIBITMAP* layer1 = Slot(kLayer1);
    const FIBITMAP* layer2 = Slot(kLayer2);
    const MergeSize merged = CommonSize();
    const auto width = static_cast<int>(merged.width);
    const auto height = static_cast<int>(merged.height);
    const auto stop = [&](MergeStep step) {
        failure = MergeFailureText(step, merged.width, merged.height);
        return false;
    };

    Entry(kLayer1Wide) = LayerTo32Bits(layer1);
    if (!Entry(kLayer1Wide)) {
        return stop(MergeStep::ConvertLayer1);
    }
    Entry(kLayer2Wide) = LayerTo32Bits(layer2);
    if (!Entry(kLayer2Wide)) {
        return stop(MergeStep::ConvertLayer2);
    }

    if (!RescaleInto(kLayer1Scaled, kLayer1Wide, width, height)) {
        return stop(MergeStep::RescaleLayer1);
    }
    if (!RescaleInto(kLayer2Scaled, kLayer2Wide, width, height)) {
        return stop(MergeStep::RescaleLayer2);
    }
    if (!RescaleInto(kMask1Scaled, kMask1, width, height)) {
        return stop(MergeStep::RescaleMask1);
    }
    if (!RescaleInto(kMask2Scaled, kMask2, width, height)) {
        return stop(MergeStep::RescaleMask2);
    }
    if (!MakeMaskGreyscale(kMask1Scaled)) {
        return stop(MergeStep::GreyMask1);
    }
    if (!MakeMaskGreyscale(kMask2Scaled)) {
        return stop(MergeStep::GreyMask2);
    }

    Entry(kCanvas).reset(FreeImage_Allocate(width, height, 24, 0, 0, 0));
    if (!Entry(kCanvas)) {
        return stop(MergeStep::Canvas);
    }

    if (!FreeImage_SetChannel(Entry(kLayer1Scaled).get(), Entry(kMask1Scaled).get(),
                              kAlphaChannel)) {
        return stop(MergeStep::AlphaLayer1);
    }
    if (!FreeImage_SetChannel(Entry(kLayer2Scaled).get(), Entry(kMask2Scaled).get(),
                              kAlphaChannel)) {
        return stop(MergeStep::AlphaLayer2);
    }

    Entry(kFirstComposite)
        .reset(
            FreeImage_Composite(Entry(kLayer1Scaled).get(), FALSE, nullptr, Entry(kCanvas).get()));
    if (!Entry(kFirstComposite)) {
        return stop(MergeStep::CompositeLayer1);
    }
    Entry(kResult).reset(FreeImage_Composite(Entry(kLayer2Scaled).get(), FALSE, nullptr,
                                             Entry(kFirstComposite).get()));
    if (!Entry(kResult)) {
        return stop(MergeStep::CompositeLayer2);
    }
    return true;
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
