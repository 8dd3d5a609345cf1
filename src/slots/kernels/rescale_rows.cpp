// Compiled once per instruction set by the vector library's foreach_target;
// the dispatching functions at the end are compiled once. Multiplies and adds
// must not be fused: this file is built with -ffp-contract=off.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "slots/kernels/rescale_rows.cpp"
#include "slots/kernels/rescale_rows.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <utility>

#include "slots/kernels/row_transpose.h"

HWY_BEFORE_NAMESPACE();
namespace orrisbay::slots::simd {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// Bytes widened to doubles, lane for lane.
template <class D>
HWY_INLINE hn::Vec<D> LoadBytes(D d, const BYTE* bytes) {
    const hn::Rebind<uint8_t, D> d8;
    const hn::Rebind<int32_t, D> d32;
    return hn::PromoteTo(d, hn::PromoteTo(d32, hn::LoadU(d8, bytes)));
}

// sum + weight * bytes: a multiply, then an add, never fused.
template <class D>
HWY_INLINE hn::Vec<D> AddProduct(D d, hn::Vec<D> sum, hn::Vec<D> weight, const BYTE* bytes) {
    return hn::Add(sum, hn::Mul(weight, LoadBytes(d, bytes)));
}

// (BYTE)clamp((int)(sum + 0.5), 0, 255): truncated toward zero, then
// saturated to a byte.
template <class D>
HWY_INLINE void StoreRounded(D d, hn::Vec<D> sum, BYTE* bytes) {
    const hn::Rebind<uint8_t, D> d8;
    const hn::Rebind<int32_t, D> d32;
    const auto whole = hn::DemoteTo(d32, hn::Add(sum, hn::Set(d, 0.5)));
    hn::StoreU(hn::DemoteTo(d8, whole), d8, bytes);
}

#if HWY_TARGET == HWY_SCALAR

void TransposeRows(const BYTE* first, std::ptrdiff_t pitch, unsigned rows, std::size_t bytes,
                   BYTE* out) {
    slots::TransposeRows(first, pitch, rows, bytes, out);
}

void UntransposeRows(const BYTE* in, std::size_t bytes, unsigned rows, BYTE* first,
                     std::ptrdiff_t pitch) {
    slots::UntransposeRows(in, bytes, rows, first, pitch);
}

#else

// The lanes of `lo` and `hi` (seen as lanes of `d`) interleaved: the lower
// and the upper half of the result, seen as lanes of `to`.
template <class D, class To, class V>
HWY_INLINE auto Zip(D d, To to, V lo, V hi) {
    return std::pair{
        hn::BitCast(to, hn::InterleaveLower(d, hn::BitCast(d, lo), hn::BitCast(d, hi))),
        hn::BitCast(to, hn::InterleaveUpper(d, hn::BitCast(d, lo), hn::BitCast(d, hi)))};
}

// Zip undone: the even and the odd lanes of `lo` followed by `hi`.
template <class D, class To, class V>
HWY_INLINE auto Unzip(D d, To to, V lo, V hi) {
    return std::pair{hn::BitCast(to, hn::ConcatEven(d, hn::BitCast(d, hi), hn::BitCast(d, lo))),
                     hn::BitCast(to, hn::ConcatOdd(d, hn::BitCast(d, hi), hn::BitCast(d, lo)))};
}

// 16 columns of 8 rows at a time, in three rounds of interleaving: bytes of
// row pairs, then pairs of those, then quadruples.
void TransposeRows(const BYTE* first, std::ptrdiff_t pitch, unsigned rows, std::size_t bytes,
                   BYTE* out) {
    static_assert(kGroupRows == 8);
    const hn::FixedTag<uint8_t, 16> d8;
    const hn::Repartition<uint16_t, decltype(d8)> d16;
    const hn::Repartition<uint32_t, decltype(d8)> d32;
    std::size_t s = 0;
    for (; s + 16 <= bytes; s += 16) {
        const auto row = [&](unsigned r) {
            return r < rows ? hn::LoadU(d8, first + r * pitch + s) : hn::Zero(d8);
        };
        const auto [a0, a1] = Zip(d8, d16, row(0), row(1));
        const auto [a2, a3] = Zip(d8, d16, row(2), row(3));
        const auto [a4, a5] = Zip(d8, d16, row(4), row(5));
        const auto [a6, a7] = Zip(d8, d16, row(6), row(7));
        const auto [b0, b1] = Zip(d16, d32, a0, a2);
        const auto [b2, b3] = Zip(d16, d32, a1, a3);
        const auto [b4, b5] = Zip(d16, d32, a4, a6);
        const auto [b6, b7] = Zip(d16, d32, a5, a7);
        const auto [c0, c1] = Zip(d32, d8, b0, b4);
        const auto [c2, c3] = Zip(d32, d8, b1, b5);
        const auto [c4, c5] = Zip(d32, d8, b2, b6);
        const auto [c6, c7] = Zip(d32, d8, b3, b7);
        BYTE* block = out + s * kGroupRows;
        hn::StoreU(c0, d8, block);
        hn::StoreU(c1, d8, block + 16);
        hn::StoreU(c2, d8, block + 32);
        hn::StoreU(c3, d8, block + 48);
        hn::StoreU(c4, d8, block + 64);
        hn::StoreU(c5, d8, block + 80);
        hn::StoreU(c6, d8, block + 96);
        hn::StoreU(c7, d8, block + 112);
    }
    slots::TransposeRows(first + s, pitch, rows, bytes - s, out + s * kGroupRows);
}

// The rounds of TransposeRows undone in reverse order.
void UntransposeRows(const BYTE* in, std::size_t bytes, unsigned rows, BYTE* first,
                     std::ptrdiff_t pitch) {
    const hn::FixedTag<uint8_t, 16> d8;
    const hn::Repartition<uint16_t, decltype(d8)> d16;
    const hn::Repartition<uint32_t, decltype(d8)> d32;
    std::size_t s = 0;
    for (; s + 16 <= bytes; s += 16) {
        const BYTE* block = in + s * kGroupRows;
        const auto column = [&](unsigned k) { return hn::LoadU(d8, block + 16 * k); };
        const auto [b0, b4] = Unzip(d32, d16, column(0), column(1));
        const auto [b1, b5] = Unzip(d32, d16, column(2), column(3));
        const auto [b2, b6] = Unzip(d32, d16, column(4), column(5));
        const auto [b3, b7] = Unzip(d32, d16, column(6), column(7));
        const auto [a0, a2] = Unzip(d16, d8, b0, b1);
        const auto [a1, a3] = Unzip(d16, d8, b2, b3);
        const auto [a4, a6] = Unzip(d16, d8, b4, b5);
        const auto [a5, a7] = Unzip(d16, d8, b6, b7);
        const auto store = [&](unsigned r, auto bytesOfRow) {
            if (r < rows) {
                hn::StoreU(bytesOfRow, d8, first + r * pitch + s);
            }
        };
        const auto [r0, r1] = Unzip(d8, d8, a0, a1);
        store(0, r0);
        store(1, r1);
        const auto [r2, r3] = Unzip(d8, d8, a2, a3);
        store(2, r2);
        store(3, r3);
        const auto [r4, r5] = Unzip(d8, d8, a4, a5);
        store(4, r4);
        store(5, r5);
        const auto [r6, r7] = Unzip(d8, d8, a6, a7);
        store(6, r6);
        store(7, r7);
    }
    slots::UntransposeRows(in + s * kGroupRows, bytes - s, rows, first + s, pitch);
}

#endif  // HWY_TARGET == HWY_SCALAR

template <class D>
HWY_INLINE void WeighRowLanes(D d, const BYTE* first, std::ptrdiff_t pitch, const double* weights,
                              unsigned taps, BYTE* out) {
    auto sum = hn::Zero(d);
    for (unsigned t = 0; t < taps; ++t, first += pitch) {
        sum = AddProduct(d, sum, hn::Set(d, weights[t]), first);
    }
    StoreRounded(d, sum, out);
}

void WeighRows(const BYTE* first, std::ptrdiff_t pitch, const double* weights, unsigned taps,
               std::size_t bytes, BYTE* out) {
    const hn::ScalableTag<double> d;
    const std::size_t n = hn::Lanes(d);
    std::size_t b = 0;
    // Four vectors at a time keep four independent sums under way.
    for (; b + 4 * n <= bytes; b += 4 * n) {
        auto s0 = hn::Zero(d);
        auto s1 = s0;
        auto s2 = s0;
        auto s3 = s0;
        const BYTE* row = first + b;
        for (unsigned t = 0; t < taps; ++t, row += pitch) {
            const auto weight = hn::Set(d, weights[t]);
            s0 = AddProduct(d, s0, weight, row);
            s1 = AddProduct(d, s1, weight, row + n);
            s2 = AddProduct(d, s2, weight, row + 2 * n);
            s3 = AddProduct(d, s3, weight, row + 3 * n);
        }
        StoreRounded(d, s0, out + b);
        StoreRounded(d, s1, out + b + n);
        StoreRounded(d, s2, out + b + 2 * n);
        StoreRounded(d, s3, out + b + 3 * n);
    }
    for (; b + n <= bytes; b += n) {
        WeighRowLanes(d, first + b, pitch, weights, taps, out + b);
    }
    const hn::CappedTag<double, 1> d1;
    for (; b < bytes; ++b) {
        WeighRowLanes(d1, first + b, pitch, weights, taps, out + b);
    }
}

// Samples of kGroupRows rows, one chain of sums per sample: the products of
// `taps` taps, the t-th weight at weights[t] and the t-th input at
// first + t * step.
struct Chain {
    const double* weights;
    const BYTE* first;
    BYTE* out;
};

template <class D>
HWY_INLINE void WeighChain(D d, const Chain& chain, unsigned taps, std::size_t step) {
    const std::size_t n = hn::Lanes(d);
    for (std::size_t lane = 0; lane < kGroupRows; lane += n) {
        auto sum = hn::Zero(d);
        const BYTE* sample = chain.first + lane;
        for (unsigned t = 0; t < taps; ++t, sample += step) {
            sum = AddProduct(d, sum, hn::Set(d, chain.weights[t]), sample);
        }
        StoreRounded(d, sum, chain.out + lane);
    }
}

// Four chains side by side, so that four sums are under way at once. Each
// runs to the longest one's count: the weights past a chain's own count are
// zero, and adding a zero product leaves a sum as it is.
template <class D>
HWY_INLINE void WeighFourChains(D d, const Chain* chains, unsigned taps, std::size_t step) {
    const std::size_t n = hn::Lanes(d);
    for (std::size_t lane = 0; lane < kGroupRows; lane += n) {
        auto s0 = hn::Zero(d);
        auto s1 = s0;
        auto s2 = s0;
        auto s3 = s0;
        for (unsigned t = 0; t < taps; ++t) {
            const std::size_t at = t * step + lane;
            s0 = AddProduct(d, s0, hn::Set(d, chains[0].weights[t]), chains[0].first + at);
            s1 = AddProduct(d, s1, hn::Set(d, chains[1].weights[t]), chains[1].first + at);
            s2 = AddProduct(d, s2, hn::Set(d, chains[2].weights[t]), chains[2].first + at);
            s3 = AddProduct(d, s3, hn::Set(d, chains[3].weights[t]), chains[3].first + at);
        }
        StoreRounded(d, s0, chains[0].out + lane);
        StoreRounded(d, s1, chains[1].out + lane);
        StoreRounded(d, s2, chains[2].out + lane);
        StoreRounded(d, s3, chains[3].out + lane);
    }
}

void WeighColumns(const BYTE* transposed, unsigned channels, const TapView& taps, unsigned outputs,
                  BYTE* out) {
    const hn::CappedTag<double, kGroupRows> d;
    const std::size_t step = std::size_t{channels} * kGroupRows;  // one pixel further
    const std::size_t samples = std::size_t{outputs} * channels;
    const auto chain = [&](std::size_t sample) {
        const std::size_t x = sample / channels;
        const std::size_t channel = sample % channels;
        return Chain{taps.weights + x * taps.stride,
                     transposed + taps.left[x] * step + channel * kGroupRows,
                     out + sample * kGroupRows};
    };
    std::size_t sample = 0;
    for (; sample + 4 <= samples; sample += 4) {
        const Chain chains[] = {chain(sample), chain(sample + 1), chain(sample + 2),
                                chain(sample + 3)};
        unsigned most = 0;
        for (std::size_t i = sample; i < sample + 4; ++i) {
            most = std::max(most, taps.count[i / channels]);
        }
        WeighFourChains(d, chains, most, step);
    }
    for (; sample < samples; ++sample) {
        WeighChain(d, chain(sample), taps.count[sample / channels], step);
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace orrisbay::slots::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orrisbay::slots::simd {

HWY_EXPORT(TransposeRows);
HWY_EXPORT(UntransposeRows);
HWY_EXPORT(WeighRows);
HWY_EXPORT(WeighColumns);
void TransposeRows(const BYTE* first, std::ptrdiff_t pitch, unsigned rows, std::size_t bytes,
                   BYTE* out) {
    HWY_DYNAMIC_DISPATCH(TransposeRows)(first, pitch, rows, bytes, out);
}

void UntransposeRows(const BYTE* in, std::size_t bytes, unsigned rows, BYTE* first,
                     std::ptrdiff_t pitch) {
    HWY_DYNAMIC_DISPATCH(UntransposeRows)(in, bytes, rows, first, pitch);
}

void WeighRows(const BYTE* first, std::ptrdiff_t pitch, const double* weights, unsigned taps,
               std::size_t bytes, BYTE* out) {
    HWY_DYNAMIC_DISPATCH(WeighRows)(first, pitch, weights, taps, bytes, out);
}

void WeighColumns(const BYTE* transposed, unsigned channels, const TapView& taps, unsigned outputs,
                  BYTE* out) {
    HWY_DYNAMIC_DISPATCH(WeighColumns)(transposed, channels, taps, outputs, out);
}

}  // namespace orrisbay::slots::simd
#endif  // HWY_ONCE
