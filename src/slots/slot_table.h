#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "imageio/freeimage_base.h"
#include "slots/derived_pictures.h"
#include "slots/merge_options.h"
#include "slots/slot_view.h"

namespace orrisbay::slots {

class MergeProgress;

// Slot numbers.
inline constexpr int kLayer1 = 0;
inline constexpr int kLayer2 = 1;
inline constexpr int kMask1 = 2;
inline constexpr int kMask2 = 3;
inline constexpr int kFirstScratch = 4;
inline constexpr int kLastScratch = 11;
inline constexpr int kResult = 19;
inline constexpr int kLowerBound = 0;
inline constexpr int kUpperBound = 19;
inline constexpr int kSlotCount = kUpperBound - kLowerBound + 1;

// Scratch slots of the merge. Slots 10 and 11 stay empty: the canvas and the
// first composite are only ever made band by band. A scaled slot stays empty
// when its input already is what it would hold, and the input is read instead.
inline constexpr int kLayer1Wide = 4;
inline constexpr int kLayer2Wide = 5;
inline constexpr int kLayer1Scaled = 6;
inline constexpr int kLayer2Scaled = 7;
inline constexpr int kMask1Scaled = 8;
inline constexpr int kMask2Scaled = 9;

// What a merge reports when one of slots 0..3 is empty.
inline constexpr const char* kInputsMissingText =
    "Merge stopped: not all four inputs hold an image.";

// The alpha-mask slots.
inline constexpr std::array<int, 2> kAlphaSlots = {kMask1, kMask2};

// True when one of the elements of `list` equals `value`.
bool ArrayContains(int value, std::span<const int> list);

// A mask as an alpha slot keeps it: a 24-bit mask is replaced by its 8-bit
// greyscale copy (made on up to `threads` threads; empty when it cannot be
// made), a mask of any other depth stays as it is.
freeimage_base::Bitmap NormalisedMask(freeimage_base::Bitmap mask, unsigned threads);

// "W x H B bpp" for a bitmap; "0 x 0 0 bpp" for none.
std::string SizeCaption(const FIBITMAP* bitmap);

// New pictures for several inputs at once: slots 0..3 and the height maps of
// layers 1 and 2; an empty entry leaves its input as it is.
struct InputPictures {
    std::array<freeimage_base::Bitmap, 4> slots;
    std::array<std::optional<freeimage_base::Bitmap>, 2> heightMaps;  // an empty bitmap: none
};

// The table of 20 bitmap slots: 0 and 1 colour layers, 2 and 3 their masks,
// 4 to 11 merge scratch, 19 the merged texture. Every non-empty entry is
// owned by the table alone.
class SlotTable {
  public:
    explicit SlotTable(SlotView& view);
    ~SlotTable();

    SlotTable(const SlotTable&) = delete;
    SlotTable& operator=(const SlotTable&) = delete;

    // Takes ownership of `bitmap` for input slot 0..3 (leaving the caller's
    // handle empty), turns a 24-bit mask into 8-bit greyscale, refreshes the
    // slot's thumbnail and label, and merges when slots 0..3 are all filled.
    // An index outside 0..3 changes nothing, and the caller keeps the bitmap.
    void SetSlotImage(int index, freeimage_base::Bitmap&& bitmap);

    // Hands over the pictures of several inputs, each as SetSlotImage and
    // SetHeightMap take it (thumbnails and labels shown slot by slot), then
    // merges once: inputs whose files were saved together merge once.
    void SetInputs(InputPictures pictures);

    // Unloads the bitmap of slot 0..19, if it holds one.
    void ClearSlot(int index);

    // Clears every slot, 0 to 19 in ascending order, then the height maps.
    void ReleaseAllSlots();

    // Merges slots 0..3 into slot 19 through scratch slots 4..11 and shows the
    // result. A merge whose bitmaps would not fit in the memory available is
    // refused with a message before anything is allocated; the inputs stay.
    // Precondition: slots 0..3 filled.
    //
    // What the merge derives from each input at the common size (a layer
    // rescaled, a mask or height map rescaled and made grey) is kept beside
    // the slots afterwards, and the next merge at the same size uses it for
    // every input that has not changed since: a new mask 2 redoes mask 2's
    // steps and the composite only, with the same bytes as a full merge.
    // Scratch slots 4..11 stay empty between merges all the same.
    void ComposeLayers();

    // The memory held by the pictures kept for the next merge, and a way to
    // give it back (the next merge then makes them again).
    std::uint64_t DerivedBytes() const { return derived_.Bytes(); }
    void DropDerivedPictures() { derived_.Clear(); }

    // The bitmap in a slot (still owned by the table), or null.
    const FIBITMAP* Slot(int index) const;

    // The merged texture's alpha: how much of each pixel the two layers
    // cover, from masks 2 and 3 (see MergedCoverage). Made on request; empty
    // when there is no merged texture.
    freeimage_base::Bitmap ResultCoverage() const;

    // How many threads one merge may use; with 1 the same steps run on the
    // calling thread alone. The result is the same to the byte either way.
    // Defaults to the machine's cores; 0 means that default.
    void SetMergeThreads(unsigned threads);
    unsigned MergeThreads() const { return mergeThreads_; }

    // How the merge blends; the plain blend until set. Options that are not
    // usable are refused (false) and change nothing. New options merge again
    // at once when all four inputs are there.
    bool SetMergeOptions(const MergeOptions& options);
    const MergeOptions& Options() const { return options_; }

    // A grey height map for layer `which` (0 or 1) instead of its brightness
    // when height blending, rescaled to the common size as the masks are;
    // an empty bitmap goes back to the brightness. A 24-bit map becomes 8-bit
    // greyscale at once, as a mask does. Merges again when height blending
    // is on and all four inputs are there.
    void SetHeightMap(int which, freeimage_base::Bitmap&& map);
    const FIBITMAP* HeightMap(int which) const;

    // The memory a merge may count on, in bytes, instead of what the system
    // reports; empty asks the system again.
    void SetAvailableMemory(std::optional<std::uint64_t> bytes) { availableMemory_ = bytes; }

  private:
    freeimage_base::Bitmap& Entry(int index) { return slots_[static_cast<std::size_t>(index)]; }
    bool InputsFilled() const;
    int SlotHolding(const FIBITMAP* bitmap) const;
    void StoreInSlot(int index, freeimage_base::Bitmap incoming);
    void NormaliseMask(int index);

    struct MergeSize {
        unsigned width;
        unsigned height;
    };
    MergeSize CommonSize() const;
    std::optional<std::string> MemoryRefusal() const;
    bool RunMergeSteps(std::string& failure);
    void RunLibraryStep(std::size_t task, MergeSize size, MergeProgress& progress);
    void ConvertLayer(int which, MergeProgress& progress);
    void ScaleMaskWithLibrary(int which, MergeSize size, MergeProgress& progress);
    void AllocateResult(MergeSize size, MergeProgress& progress);
    void ScaleLayer(int which, MergeSize size, MergeProgress& progress);
    void ScaleMask(int which, MergeSize size, MergeProgress& progress);
    bool Ready(int input) const { return ready_[static_cast<std::size_t>(input)]; }
    void RestoreDerivedPictures();
    void KeepDerivedPictures();
    bool MergeInBands(MergeSize size, MergeProgress& progress);
    void MergeInBandsWithLibrary(MergeSize size, MergeProgress& progress);
    void ScaleHeightMap(int which, MergeSize size, MergeProgress& progress);
    const FIBITMAP* ScaledHeightMap(int which) const;
    void HeightBlendMask2(MergeProgress& progress);
    FIBITMAP* ScaledLayer(int which);
    FIBITMAP* ScaledMask(int which);
    bool RescaleInto(int target, int source, MergeSize size, unsigned threads);
    bool MakeMaskGreyscale(int which, unsigned threads);
    void ClearScratchSlots();
    void AbandonMerge(const std::string& failure);

    SlotView& view_;
    std::array<freeimage_base::Bitmap, kSlotCount> slots_{};
    // Height maps beside the slots, and their copies at the common size in
    // 8-bit greyscale while a merge runs (empty when the map is that already).
    std::array<freeimage_base::Bitmap, 2> heightMaps_{};
    std::array<freeimage_base::Bitmap, 2> scaledHeightMaps_{};
    // Kept between merges (see ComposeLayers); while a merge runs, which
    // inputs it found there, whose steps it skips.
    DerivedPictures derived_;
    std::array<bool, kDerivedInputs> ready_{};
    MergeOptions options_;
    unsigned mergeThreads_ = 1;
    std::optional<std::uint64_t> availableMemory_;
};

}  // namespace orrisbay::slots
