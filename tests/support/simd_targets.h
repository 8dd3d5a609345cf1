#pragma once

#include <hwy/targets.h>

#include <cstdint>
#include <vector>

namespace orrisbay::testing {

// Every instruction set the pixel kernels are built for that this processor
// runs, the plain one without vector instructions included.
inline std::vector<std::int64_t> KernelTargets() {
    return hwy::SupportedAndGeneratedTargets();
}

// Makes the kernels' dispatch pick `target` while it lives.
class UseTarget {
  public:
    explicit UseTarget(std::int64_t target) { hwy::SetSupportedTargetsForTest(target); }
    ~UseTarget() { hwy::SetSupportedTargetsForTest(0); }
    UseTarget(const UseTarget&) = delete;
    UseTarget& operator=(const UseTarget&) = delete;
};

}  // namespace orrisbay::testing
