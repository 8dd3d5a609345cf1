#pragma once

#include <cstddef>
#include <vector>

namespace orrisbay::slots {

// The weights with which one axis of a bitmap is resampled from `source` to
// `target` samples by the image library's bicubic filter (Mitchell-Netravali,
// B = C = 1/3). They are computed step for step as the library computes them,
// so that sums taken in the same order give the same bytes.
//
// Output sample u is the sum, over t in [0, Count(u)), of
// Weights(u)[t] * input[Left(u) + t], added in that order.
class FilterTaps {
  public:
    FilterTaps(unsigned target, unsigned source);

    unsigned Outputs() const { return static_cast<unsigned>(left_.size()); }
    unsigned Left(unsigned u) const { return left_[u]; }
    unsigned Count(unsigned u) const { return count_[u]; }
    const double* Weights(unsigned u) const { return &weights_[u * stride_]; }

    // Flat views for the vector kernels: Weights(u) starts at u * Stride().
    const unsigned* LeftData() const { return left_.data(); }
    const unsigned* CountData() const { return count_.data(); }
    const double* WeightData() const { return weights_.data(); }
    std::size_t Stride() const { return stride_; }

  private:
    std::vector<unsigned> left_;
    std::vector<unsigned> count_;
    std::vector<double> weights_;
    std::size_t stride_ = 0;
};

}  // namespace orrisbay::slots
