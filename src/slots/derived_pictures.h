#pragma once

#include <array>
#include <cstdint>

#include "imageio/freeimage_base.h"

namespace orrisbay::slots {

// The inputs a merge derives pictures from: slots 0..3, then the height maps
// of layers 1 and 2.
inline constexpr int kDerivedHeight1 = 4;
inline constexpr int kDerivedInputs = 6;

// What the merge made from each input at the common size, kept beside the
// slots between merges: a layer as the composite reads it (rescaled, at 32
// bits when it had to be), a mask or height map rescaled and in 8-bit grey.
// A change of one input then redoes only the steps that depend on it. An
// input that is kept without a picture is one the merge reads as it is.
// Everything goes when the common size changes.
class DerivedPictures {
  public:
    // Keeps only what was made at width x height.
    void KeepOnlyAt(unsigned width, unsigned height);
    // True when the merge's steps for `input` need not run again.
    bool Holds(int input) const { return Valid(input) && held_[Index(input)]; }
    std::array<bool, kDerivedInputs> Held() const { return held_; }
    // Hands the picture of a held input back to the merge (empty when it is
    // read as it is); it is no longer held.
    freeimage_base::Bitmap Take(int input);
    // Keeps what the merge made for `input` (nothing when it reads it as it is).
    void Keep(int input, freeimage_base::Bitmap picture);
    // Drops what was made from `input`, which has changed.
    void Forget(int input);
    void Clear();
    // The memory the kept pictures take, in bytes.
    std::uint64_t Bytes() const;

  private:
    static bool Valid(int input) { return input >= 0 && input < kDerivedInputs; }
    static std::size_t Index(int input) { return static_cast<std::size_t>(input); }

    unsigned width_ = 0;
    unsigned height_ = 0;
    std::array<freeimage_base::Bitmap, kDerivedInputs> pictures_{};
    std::array<bool, kDerivedInputs> held_{};
};

}  // namespace orrisbay::slots
