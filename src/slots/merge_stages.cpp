// The merge's steps, in two stages on up to SetMergeThreads threads (inline
// on the calling thread when that is one): each layer's conversion and
// rescale, each mask's rescale and the result's allocation run side by side;
// then the alpha insertions and both composites run band by band
// (band_composite.cpp), each band over a black canvas of its own, so neither
// the whole canvas nor the whole first composite is ever needed. Every step
// writes its own slots or rows, so no two threads write one pixel, and the
// result is the same to the byte for any number of threads. Scratch bitmaps
// are released as soon as no later step reads them.

#include <algorithm>

#include "slots/band_composite.h"
#include "slots/merge_steps.h"
#include "slots/parallel_for.h"
#include "slots/pixel_conversions.h"
#include "slots/slot_table.h"

namespace orrisbay::slots {

namespace {

// The independent steps of the first stage, largest first so that both
// threads stay busy.
enum ConcurrentTask : std::size_t {
    kLayer1Task,
    kLayer2Task,
    kMask1Task,
    kMask2Task,
    kResultTask,
    kTaskCount
};

}  // namespace

bool SlotTable::RunMergeSteps(std::string& failure) {
    if (!InputsFilled()) {
        failure = kInputsMissingText;
        return false;
    }
    const MergeSize size = CommonSize();
    MergeProgress progress;
    ParallelFor(mergeThreads_, kTaskCount,
                [&](std::size_t task) { RunConcurrentStep(task, size, progress); });
    if (!progress.FirstFailure()) {
        MergeInBands(size, progress);
    }
    if (const auto step = progress.FirstFailure()) {
        failure = MergeFailureText(*step, size.width, size.height);
        return false;
    }
    return true;
}

void SlotTable::RunConcurrentStep(std::size_t task, MergeSize size, MergeProgress& progress) {
    switch (task) {
        case kLayer1Task:
        case kLayer2Task:
            ConvertAndRescaleLayer(static_cast<int>(task - kLayer1Task), size, progress);
            break;
        case kMask1Task:
        case kMask2Task:
            RescaleMask(static_cast<int>(task - kMask1Task), size, progress);
            break;
        case kResultTask:
            AllocateResult(size, progress);
            break;
        default:
            break;
    }
}

// Layer `which` (0 or 1) to 32 bits, then to the common size. The copy at the
// layer's own size is released once the rescale has read it.
void SlotTable::ConvertAndRescaleLayer(int which, MergeSize size, MergeProgress& progress) {
    const int wide = kLayer1Wide + which;
    const MergeStep convert = ForInput(MergeStep::ConvertLayer1, which);
    if (progress.Settled(convert)) {
        return;
    }
    Entry(wide) = LayerTo32Bits(Slot(kLayer1 + which));
    if (!Entry(wide)) {
        progress.Fail(convert);
        return;
    }
    const MergeStep rescale = ForInput(MergeStep::RescaleLayer1, which);
    if (progress.Settled(rescale)) {
        return;
    }
    if (!RescaleInto(kLayer1Scaled + which, wide, static_cast<int>(size.width),
                     static_cast<int>(size.height))) {
        progress.Fail(rescale);
        return;
    }
    ClearSlot(wide);
}

// Mask `which` (0 or 1) to the common size, then to 8-bit greyscale.
void SlotTable::RescaleMask(int which, MergeSize size, MergeProgress& progress) {
    const int scaled = kMask1Scaled + which;
    const MergeStep rescale = ForInput(MergeStep::RescaleMask1, which);
    if (progress.Settled(rescale)) {
        return;
    }
    if (!RescaleInto(scaled, kMask1 + which, static_cast<int>(size.width),
                     static_cast<int>(size.height))) {
        progress.Fail(rescale);
        return;
    }
    const MergeStep grey = ForInput(MergeStep::GreyMask1, which);
    if (!progress.Settled(grey) && !MakeMaskGreyscale(scaled)) {
        progress.Fail(grey);
    }
}

// The 24-bit result, which the bands are pasted into. Failing to make it is
// failing to make the second composite.
void SlotTable::AllocateResult(MergeSize size, MergeProgress& progress) {
    Entry(kResult).reset(FreeImage_Allocate(static_cast<int>(size.width),
                                            static_cast<int>(size.height), 24, 0, 0, 0));
    if (!Entry(kResult)) {
        progress.Fail(MergeStep::CompositeLayer2);
    }
}

// Alpha insertion and both composites, band by band: a band of the result
// needs only the same band of each layer and mask. Each band stops at its
// first failing step; the earliest of those is reported.
void SlotTable::MergeInBands(MergeSize size, MergeProgress& progress) {
    const BandSources sources{Entry(kLayer1Scaled).get(), Entry(kLayer2Scaled).get(),
                              Entry(kMask1Scaled).get(), Entry(kMask2Scaled).get(),
                              Entry(kResult).get()};
    const unsigned rows = BandRows(size.width, size.height, mergeThreads_);
    const std::size_t bands = (size.height + rows - 1) / rows;
    ParallelFor(mergeThreads_, bands, [&](std::size_t index) {
        const auto top = static_cast<unsigned>(index) * rows;
        if (const auto failed = MergeBand(sources, {top, std::min(size.height, top + rows)})) {
            progress.Fail(*failed);
        }
    });
}

}  // namespace orrisbay::slots
