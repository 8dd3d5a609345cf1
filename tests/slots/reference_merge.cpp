#include "reference_merge.h"

#include <algorithm>

#include "slots/merge_steps.h"
#include "slots/pixel_conversions.h"
#include "slots/slot_table.h"

namespace orrisbay::slots::testing {

using namespace freeimage_base;

namespace {

// The mask at the common size as the library takes alpha: 8-bit greyscale.
Bitmap GreyMask(Bitmap scaled) {
    return IsGreyscale8(scaled.get()) ? std::move(scaled) : ToGreyscale8(scaled.get());
}

}  // namespace

ReferenceResult MergeStepByStep(const FIBITMAP* layer1, const FIBITMAP* layer2,
                                const FIBITMAP* mask1, const FIBITMAP* mask2) {
    if (!layer1 || !layer2 || !mask1 || !mask2) {
        return {{}, kInputsMissingText};
    }
    const unsigned width = std::max(Width(layer1), Width(layer2));
    const unsigned height = std::max(Height(layer1), Height(layer2));
    const auto stop = [&](MergeStep step) {
        return ReferenceResult{{}, MergeFailureText(step, width, height)};
    };
    const auto rescale = [&](const FIBITMAP* source) {
        return Rescale(source, static_cast<int>(width), static_cast<int>(height), FILTER_BICUBIC);
    };
    const Bitmap wide1 = LayerTo32Bits(layer1);
    if (!wide1) {
        return stop(MergeStep::ConvertLayer1);
    }
    const Bitmap wide2 = LayerTo32Bits(layer2);
    if (!wide2) {
        return stop(MergeStep::ConvertLayer2);
    }
    const Bitmap scaled1 = rescale(wide1.get());
    if (!scaled1) {
        return stop(MergeStep::RescaleLayer1);
    }
    const Bitmap scaled2 = rescale(wide2.get());
    if (!scaled2) {
        return stop(MergeStep::RescaleLayer2);
    }
    Bitmap alpha1 = rescale(mask1);
    if (!alpha1) {
        return stop(MergeStep::RescaleMask1);
    }
    Bitmap alpha2 = rescale(mask2);
    if (!alpha2) {
        return stop(MergeStep::RescaleMask2);
    }
    if (!(alpha1 = GreyMask(std::move(alpha1)))) {
        return stop(MergeStep::GreyMask1);
    }
    if (!(alpha2 = GreyMask(std::move(alpha2)))) {
        return stop(MergeStep::GreyMask2);
    }
    const Bitmap canvas(
        FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24, 0, 0, 0));
    if (!canvas) {
        return stop(MergeStep::Canvas);
    }
    if (!FreeImage_SetChannel(scaled1.get(), alpha1.get(), FICC_ALPHA)) {
        return stop(MergeStep::AlphaLayer1);
    }
    if (!FreeImage_SetChannel(scaled2.get(), alpha2.get(), FICC_ALPHA)) {
        return stop(MergeStep::AlphaLayer2);
    }
    const Bitmap first(FreeImage_Composite(scaled1.get(), FALSE, nullptr, canvas.get()));
    if (!first) {
        return stop(MergeStep::CompositeLayer1);
    }
    Bitmap result(FreeImage_Composite(scaled2.get(), FALSE, nullptr, first.get()));
    if (!result) {
        return stop(MergeStep::CompositeLayer2);
    }
    return {std::move(result), {}};
}

}  // namespace orrisbay::slots::testing
