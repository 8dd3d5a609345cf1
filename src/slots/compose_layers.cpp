// The merge of the four input slots into the 24-bit texture in slot 19.
//
// Scratch slots: 4 and 5 the layers at 32 bits; 6 and 7 those layers at the
// common size, receiving the masks as alpha; 8 and 9 the masks at the common
// size; 10 the black canvas; 11 layer 1 over the canvas.

#include <algorithm>

#include "slots/pixel_conversions.h"
#include "slots/rescale.h"
#include "slots/slot_table.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

namespace {

constexpr int kLayer1Wide = 4;
constexpr int kLayer2Wide = 5;
constexpr int kLayer1Scaled = 6;
constexpr int kLayer2Scaled = 7;
constexpr int kMask1Scaled = 8;
constexpr int kMask2Scaled = 9;
constexpr int kCanvas = 10;
constexpr int kFirstComposite = 11;

// The channel number of alpha in FreeImage_SetChannel.
constexpr FREE_IMAGE_COLOR_CHANNEL kAlphaChannel = FICC_ALPHA;

std::string SizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

void SlotTable::ComposeLayers() {
    ClearSlot(kResult);
    std::string failure;
    if (!RunMergeSteps(failure)) {
        AbandonMerge(failure);
        return;
    }
    ClearScratchSlots();
    view_.ShowPreview(Entry(kResult).get());
}

bool SlotTable::RunMergeSteps(std::string& failure) {
    const auto stop = [&failure](const std::string& why) {
        failure = "Merge stopped: " + why + ".";
        return false;
    };
    if (!InputsFilled()) {
        return stop("not all four inputs hold an image");
    }

    // The layers alone decide the size; each side independently.
    auto* layer1 = const_cast<FIBITMAP*>(Slot(kLayer1));
    auto* layer2 = const_cast<FIBITMAP*>(Slot(kLayer2));
    const auto width =
        static_cast<int>(std::max(FreeImage_GetWidth(layer1), FreeImage_GetWidth(layer2)));
    const auto height =
        static_cast<int>(std::max(FreeImage_GetHeight(layer1), FreeImage_GetHeight(layer2)));
    const std::string size = SizeText(width, height);

    Entry(kLayer1Wide) = LayerTo32Bits(layer1);
    if (!Entry(kLayer1Wide)) {
        return stop("layer 1 could not be converted to 32 bits");
    }
    Entry(kLayer2Wide) = LayerTo32Bits(layer2);
    if (!Entry(kLayer2Wide)) {
        return stop("layer 2 could not be converted to 32 bits");
    }

    if (!RescaleInto(kLayer1Scaled, kLayer1Wide, width, height)) {
        return stop("layer 1 could not be rescaled to " + size);
    }
    if (!RescaleInto(kLayer2Scaled, kLayer2Wide, width, height)) {
        return stop("layer 2 could not be rescaled to " + size);
    }
    if (!RescaleInto(kMask1Scaled, kMask1, width, height)) {
        return stop("mask 1 could not be rescaled to " + size);
    }
    if (!RescaleInto(kMask2Scaled, kMask2, width, height)) {
        return stop("mask 2 could not be rescaled to " + size);
    }
    if (!MakeMaskGreyscale(kMask1Scaled)) {
        return stop("mask 1 could not be turned into 8-bit greyscale");
    }
    if (!MakeMaskGreyscale(kMask2Scaled)) {
        return stop("mask 2 could not be turned into 8-bit greyscale");
    }

    Entry(kCanvas).reset(FreeImage_Allocate(width, height, 24, 0, 0, 0));
    if (!Entry(kCanvas)) {
        return stop("the " + size + " canvas could not be allocated");
    }

    if (!FreeImage_SetChannel(Entry(kLayer1Scaled).get(), Entry(kMask1Scaled).get(),
                              kAlphaChannel)) {
        return stop("mask 1 could not be set as the alpha channel of layer 1");
    }
    if (!FreeImage_SetChannel(Entry(kLayer2Scaled).get(), Entry(kMask2Scaled).get(),
                              kAlphaChannel)) {
        return stop("mask 2 could not be set as the alpha channel of layer 2");
    }

    Entry(kFirstComposite)
        .reset(
            FreeImage_Composite(Entry(kLayer1Scaled).get(), FALSE, nullptr, Entry(kCanvas).get()));
    if (!Entry(kFirstComposite)) {
        return stop("layer 1 could not be composited onto the canvas");
    }
    Entry(kResult).reset(FreeImage_Composite(Entry(kLayer2Scaled).get(), FALSE, nullptr,
                                             Entry(kFirstComposite).get()));
    if (!Entry(kResult)) {
        return stop("layer 2 could not be composited over layer 1");
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
