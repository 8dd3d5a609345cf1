#pragma once

#include <atomic>
#include <optional>
#include <string>

namespace orrisbay::slots {

// The steps of a merge that can fail, in the order the merge is written.
enum class MergeStep {
    ConvertLayer1,
    ConvertLayer2,
    RescaleLayer1,
    RescaleLayer2,
    RescaleMask1,
    RescaleMask2,
    GreyMask1,
    GreyMask2,
    RescaleHeight1,
    RescaleHeight2,
    GreyHeight1,
    GreyHeight2,
    HeightMask,
    Canvas,
    AlphaLayer1,
    AlphaLayer2,
    CompositeLayer1,
    CompositeLayer2,
};

// The step of the same kind for layer or mask 1 (`which` 0) or 2 (`which` 1).
MergeStep ForInput(MergeStep firstOfPair, int which);

// "Merge stopped: ..." for a step that failed on a width x height texture.
std::string MergeFailureText(MergeStep step, unsigned width, unsigned height);

// Which step failed first in written order, among steps that may run at the
// same time on several threads.
class MergeProgress {
  public:
    void Fail(MergeStep step);

    // True when a step before `step` has failed already: whatever `step` does
    // cannot change the outcome, so it need not run.
    bool Settled(MergeStep step) const;

    std::optional<MergeStep> FirstFailure() const;

  private:
    static constexpr int kNone = 1 << 30;
    std::atomic<int> first_{kNone};
};

}  // namespace orrisbay::slots
