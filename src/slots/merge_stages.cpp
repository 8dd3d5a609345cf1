// The merge's steps, in three stages on up to SetMergeThreads threads (all
// inline on the calling thread when that is one):
//   1. the library's own steps, each on one thread, side by side: the 32-bit
//      copy of a layer the composite cannot read as it is, the rescale and
//      greyscale copy of a mask our kernels do not take, the result's
//      allocation;
//   2. our kernels, one after another, each on every thread: the rescale of
//      each layer and mask to the common size, and the masks' greyscale;
//   3. the alpha insertions and both composites, band by band: our fused
//      kernel, or the library's calls on each band over a black canvas of its
//      own (band_composite.cpp), so neither the whole canvas nor the whole
//      first composite is ever made. Height blending remakes mask 2 row by
//      row in the same bands (for the library's calls, whole beforehand).
// So no more threads run than the merge may use. Every step writes its own
// slots or rows, so no two threads write one pixel, and the result is the same
// to the byte for any number of threads. Scratch bitmaps are released as soon
// as no later step reads them.

#include "slots/band_composite.h"
#include "slots/kernels/composite_kernel.h"
#include "slots/kernels/height_kernel.h"
#include "slots/merge_plan.h"
#include "slots/merge_steps.h"
#include "slots/parallel_for.h"
#include "slots/pixel_conversions.h"
#include "slots/rescale.h"
#include "slots/slot_table.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

// The library's steps of the first stage.
enum LibraryTask : std::size_t {
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
    RestoreDerivedPictures();
    MergeProgress progress;
    ParallelFor(mergeThreads_, kTaskCount,
                [&](std::size_t task) { RunLibraryStep(task, size, progress); });
    for (const int which : {0, 1}) {
        ScaleLayer(which, size, progress);
    }
    for (const int which : {0, 1}) {
        ScaleMask(which, size, progress);
    }
    for (const int which : {0, 1}) {
        ScaleHeightMap(which, size, progress);
    }
    const bool byKernels = !progress.FirstFailure() && MergeInBands(size, progress);
    const auto step = progress.FirstFailure();
    if (!step && byKernels) {
        KeepDerivedPictures();
    }
    ready_ = {};
    if (step) {
        failure = MergeFailureText(*step, size.width, size.height);
        return false;
    }
    return true;
}

void SlotTable::RunLibraryStep(std::size_t task, MergeSize size, MergeProgress& progress) {
    switch (task) {
        case kLayer1Task:
        case kLayer2Task:
            ConvertLayer(static_cast<int>(task - kLayer1Task), progress);
            break;
        case kMask1Task:
        case kMask2Task:
            ScaleMaskWithLibrary(static_cast<int>(task - kMask1Task), size, progress);
            break;
        case kResultTask:
            AllocateResult(size, progress);
            break;
        default:
            break;
    }
}

// Layer `which` (0 or 1) to 32 bits, unless the composite reads it as it is.
void SlotTable::ConvertLayer(int which, MergeProgress& progress) {
    const MergeStep convert = ForInput(MergeStep::ConvertLayer1, which);
    const FIBITMAP* layer = Slot(kLayer1 + which);
    if (Ready(kLayer1 + which) || LayerReadAsItIs(layer) || progress.Settled(convert)) {
        return;
    }
    Entry(kLayer1Wide + which) = LayerTo32Bits(layer);
    if (!Entry(kLayer1Wide + which)) {
        progress.Fail(convert);
    }
}

// Mask `which` to the common size and to 8-bit greyscale, both by the
// library, when our kernels do not take it.
void SlotTable::ScaleMaskWithLibrary(int which, MergeSize size, MergeProgress& progress) {
    if (Ready(kMask1 + which) || !MaskLeftToLibrary(Slot(kMask1 + which))) {
        return;
    }
    const MergeStep rescale = ForInput(MergeStep::RescaleMask1, which);
    if (progress.Settled(rescale)) {
        return;
    }
    if (!RescaleInto(kMask1Scaled + which, kMask1 + which, size, 1)) {
        progress.Fail(rescale);
        return;
    }
    const MergeStep grey = ForInput(MergeStep::GreyMask1, which);
    if (!progress.Settled(grey) && !MakeMaskGreyscale(which, 1)) {
        progress.Fail(grey);
    }
}

// The 24-bit result, which the bands are written into. Failing to make it is
// failing to make the second composite.
void SlotTable::AllocateResult(MergeSize size, MergeProgress& progress) {
    Entry(kResult).reset(FreeImage_Allocate(static_cast<int>(size.width),
                                            static_cast<int>(size.height), 24, 0, 0, 0));
    if (!Entry(kResult)) {
        progress.Fail(MergeStep::CompositeLayer2);
    }
}

// Layer `which` (its 32-bit copy, if it has one) to the common size. The copy
// at the layer's own size is released once the rescale has read it.
void SlotTable::ScaleLayer(int which, MergeSize size, MergeProgress& progress) {
    const MergeStep rescale = ForInput(MergeStep::RescaleLayer1, which);
    if (Ready(kLayer1 + which) || progress.Settled(rescale)) {
        return;
    }
    const int wide = Slot(kLayer1Wide + which) ? kLayer1Wide + which : kLayer1 + which;
    if (KeepsItsSize(Slot(wide), size.width, size.height)) {
        if (wide == kLayer1Wide + which) {
            Entry(kLayer1Scaled + which) = std::move(Entry(wide));
        }
        return;
    }
    if (!RescaleInto(kLayer1Scaled + which, wide, size, mergeThreads_)) {
        progress.Fail(rescale);
        return;
    }
    ClearSlot(kLayer1Wide + which);
}

// Mask `which` to the common size, then to 8-bit greyscale, by our kernels
// where they apply.
void SlotTable::ScaleMask(int which, MergeSize size, MergeProgress& progress) {
    const FIBITMAP* mask = Slot(kMask1 + which);
    const MergeStep rescale = ForInput(MergeStep::RescaleMask1, which);
    if (Ready(kMask1 + which) || MaskLeftToLibrary(mask) || progress.Settled(rescale)) {
        return;
    }
    if (!KeepsItsSize(mask, size.width, size.height) &&
        !RescaleInto(kMask1Scaled + which, kMask1 + which, size, mergeThreads_)) {
        progress.Fail(rescale);
        return;
    }
    const MergeStep grey = ForInput(MergeStep::GreyMask1, which);
    if (!progress.Settled(grey) && !MakeMaskGreyscale(which, mergeThreads_)) {
        progress.Fail(grey);
    }
}

// Height map `which`, when height blending with one, to the common size and
// then to 8-bit greyscale, as a mask is.
void SlotTable::ScaleHeightMap(int which, MergeSize size, MergeProgress& progress) {
    const FIBITMAP* map = HeightMap(which);
    const MergeStep rescale = ForInput(MergeStep::RescaleHeight1, which);
    if (!options_.heightBlend || map == nullptr || Ready(kDerivedHeight1 + which) ||
        progress.Settled(rescale)) {
        return;
    }
    Bitmap& scaled = scaledHeightMaps_[static_cast<std::size_t>(which)];
    if (!KeepsItsSize(map, size.width, size.height)) {
        scaled = ResizeBitmap(map, static_cast<int>(size.width), static_cast<int>(size.height),
                              FILTER_BICUBIC, mergeThreads_);
        if (!scaled) {
            progress.Fail(rescale);
            return;
        }
    }
    const MergeStep grey = ForInput(MergeStep::GreyHeight1, which);
    const FIBITMAP* sized = scaled ? scaled.get() : map;
    if (IsGreyscale8(sized) || progress.Settled(grey)) {
        return;
    }
    Bitmap greyMap = ToGreyscale8(sized, mergeThreads_);
    if (!greyMap) {
        progress.Fail(grey);
        return;
    }
    scaled = std::move(greyMap);
}

// The height map of layer `which` at the common size, or null for none.
const FIBITMAP* SlotTable::ScaledHeightMap(int which) const {
    const Bitmap& scaled = scaledHeightMaps_[static_cast<std::size_t>(which)];
    return scaled ? scaled.get() : HeightMap(which);
}

// Alpha insertion and both composites, band by band: a band of the result
// needs only the same band of each layer, mask and height map. True when our
// kernels made it, which leave the scaled slots as they were.
bool SlotTable::MergeInBands(MergeSize size, MergeProgress& progress) {
    const MaskedLayers scaled{ScaledLayer(0), ScaledMask(0), ScaledLayer(1), ScaledMask(1)};
    if (!CompositeKernelHandles(scaled)) {
        MergeInBandsWithLibrary(size, progress);
        return false;
    }
    if (!options_.heightBlend) {
        CompositeMaskedLayersInto(scaled, Entry(kResult).get(), mergeThreads_);
        return true;
    }
    const HeightMaps maps{ScaledHeightMap(0), ScaledHeightMap(1)};
    if (!HeightKernelReads(scaled, maps) ||
        !CompositeHeightBlendedInto(scaled, maps, *options_.heightBlend, Entry(kResult).get(),
                                    mergeThreads_)) {
        progress.Fail(MergeStep::HeightMask);
    }
    return true;
}

// For the library's calls, mask 2 is height-blended whole, into its scaled
// slot, from the layers' 32-bit copies.
void SlotTable::HeightBlendMask2(MergeProgress& progress) {
    const MaskedLayers scaled{ScaledLayer(0), ScaledMask(0), ScaledLayer(1), ScaledMask(1)};
    Bitmap blended = HeightBlendedMask(scaled, {ScaledHeightMap(0), ScaledHeightMap(1)},
                                       *options_.heightBlend, mergeThreads_);
    if (!blended) {
        progress.Fail(MergeStep::HeightMask);
        return;
    }
    Entry(kMask2Scaled) = std::move(blended);
}

// The library inserts alpha only into a 32-bit layer, and writes into it: a
// layer read where it is, or scaled at 24 bits, gets its 32-bit copy first.
// Each band stops at its first failing step; the earliest of those is
// reported.
void SlotTable::MergeInBandsWithLibrary(MergeSize size, MergeProgress& progress) {
    for (const int which : {0, 1}) {
        const FIBITMAP* layer = ScaledLayer(which);
        if (Slot(kLayer1Scaled + which) == layer && freeimage_base::Bpp(layer) == 32) {
            continue;
        }
        Bitmap wide = LayerTo32Bits(layer);
        if (!wide) {
            progress.Fail(ForInput(MergeStep::ConvertLayer1, which));
            return;
        }
        Entry(kLayer1Scaled + which) = std::move(wide);
    }
    if (options_.heightBlend) {
        HeightBlendMask2(progress);
        if (progress.FirstFailure()) {
            return;
        }
    }
    const BandSources sources{ScaledLayer(0), ScaledLayer(1), ScaledMask(0), ScaledMask(1),
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
