#include "slots/kernels/filter_taps.h"

#include <algorithm>
#include <cmath>

namespace orrisbay::slots {

namespace {

// The Mitchell-Netravali cubic with B = C = 1/3 and support 2, with its
// coefficients and its evaluation written as the library writes them.
class MitchellFilter {
  public:
    MitchellFilter() {
        const double b = 1 / static_cast<double>(3);
        const double c = 1 / static_cast<double>(3);
        p0_ = (6 - 2 * b) / 6;
        p2_ = (-18 + 12 * b + 6 * c) / 6;
        p3_ = (12 - 9 * b - 6 * c) / 6;
        q0_ = (8 * b + 24 * c) / 6;
        q1_ = (-12 * b - 48 * c) / 6;
        q2_ = (6 * b + 30 * c) / 6;
        q3_ = (-b - 6 * c) / 6;
    }

    static constexpr double kSupport = 2;

    double operator()(double x) const {
        x = std::fabs(x);
        if (x < 1) {
            return p0_ + x * x * (p2_ + x * p3_);
        }
        if (x < 2) {
            return q0_ + x * (q1_ + x * (q2_ + x * q3_));
        }
        return 0;
    }

  private:
    double p0_, p2_, p3_;
    double q0_, q1_, q2_, q3_;
};

}  // namespace

FilterTaps::FilterTaps(unsigned target, unsigned source) {
    const MitchellFilter filter;
    const double scale = static_cast<double>(target) / static_cast<double>(source);
    // Shrinking widens the filter and flattens it by the same factor.
    const double width = scale < 1.0 ? MitchellFilter::kSupport / scale : MitchellFilter::kSupport;
    const double filterScale = scale < 1.0 ? scale : 1.0;
    stride_ = 2 * static_cast<std::size_t>(static_cast<int>(std::ceil(width))) + 1;
    left_.resize(target);
    count_.resize(target);
    weights_.assign(target * stride_, 0.0);

    const double offset = 0.5 / scale;
    for (unsigned u = 0; u < target; ++u) {
        const double center = static_cast<double>(u) / scale + offset;
        const int left = std::max(0, static_cast<int>(center - width + 0.5));
        // The window always holds right - left samples; the bound only keeps
        // a rounding surprise from writing past it.
        const int right = std::min({static_cast<int>(center + width + 0.5),
                                    static_cast<int>(source), left + static_cast<int>(stride_)});
        double* weights = &weights_[u * stride_];
        double total = 0;
        for (int i = left; i < right; ++i) {
            const double weight =
                filterScale * filter(filterScale * (static_cast<double>(i) + 0.5 - center));
            weights[i - left] = weight;
            total += weight;
        }
        int count = std::max(0, right - left);
        if (total > 0 && total != 1) {
            for (int i = 0; i < count; ++i) {
                weights[i] /= total;
            }
        }
        // Zero weights at the end add nothing; the library drops them.
        while (count > 0 && weights[count - 1] == 0) {
            --count;
        }
        left_[u] = static_cast<unsigned>(left);
        count_[u] = static_cast<unsigned>(count);
    }
}

}  // namespace orrisbay::slots
