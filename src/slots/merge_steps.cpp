#include "slots/merge_steps.h"

namespace orrisbay::slots {

MergeStep ForInput(MergeStep firstOfPair, int which) {
    return static_cast<MergeStep>(static_cast<int>(firstOfPair) + which);
}

std::string MergeFailureText(MergeStep step, unsigned width, unsigned height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    const auto why = [&]() -> std::string {
        switch (step) {
            case MergeStep::ConvertLayer1:
                return "layer 1 could not be converted to 32 bits";
            case MergeStep::ConvertLayer2:
                return "layer 2 could not be converted to 32 bits";
            case MergeStep::RescaleLayer1:
                return "layer 1 could not be rescaled to " + size;
            case MergeStep::RescaleLayer2:
                return "layer 2 could not be rescaled to " + size;
            case MergeStep::RescaleMask1:
                return "mask 1 could not be rescaled to " + size;
            case MergeStep::RescaleMask2:
                return "mask 2 could not be rescaled to " + size;
            case MergeStep::GreyMask1:
                return "mask 1 could not be turned into 8-bit greyscale";
            case MergeStep::GreyMask2:
                return "mask 2 could not be turned into 8-bit greyscale";
            case MergeStep::RescaleHeight1:
                return "height map 1 could not be rescaled to " + size;
            case MergeStep::RescaleHeight2:
                return "height map 2 could not be rescaled to " + size;
            case MergeStep::GreyHeight1:
                return "height map 1 could not be turned into 8-bit greyscale";
            case MergeStep::GreyHeight2:
                return "height map 2 could not be turned into 8-bit greyscale";
            case MergeStep::HeightMask:
                return "mask 2 could not be height-blended";
            case MergeStep::Canvas:
                return "the " + size + " canvas could not be allocated";
            case MergeStep::AlphaLayer1:
                return "mask 1 could not be set as the alpha channel of layer 1";
            case MergeStep::AlphaLayer2:
                return "mask 2 could not be set as the alpha channel of layer 2";
            case MergeStep::CompositeLayer1:
                return "layer 1 could not be composited onto the canvas";
            case MergeStep::CompositeLayer2:
                return "layer 2 could not be composited over layer 1";
        }
        return "an unknown step failed";
    };
    return "Merge stopped: " + why() + ".";
}

void MergeProgress::Fail(MergeStep step) {
    const int failed = static_cast<int>(step);
    int first = first_.load();
    while (failed < first && !first_.compare_exchange_weak(first, failed)) {
    }
}

bool MergeProgress::Settled(MergeStep step) const {
    return first_.load() < static_cast<int>(step);
}

std::optional<MergeStep> MergeProgress::FirstFailure() const {
    const int first = first_.load();
    if (first == kNone) {
        return std::nullopt;
    }
    return static_cast<MergeStep>(first);
}

}  // namespace orrisbay::slots
