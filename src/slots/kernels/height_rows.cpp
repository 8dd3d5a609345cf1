// Compiled once per instruction set by the vector library's foreach_target;
// the dispatching function at the end is compiled once. Every operation is
// rounded on its own, as the formula in double precision is: this file is
// built with -ffp-contract=off.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "slots/kernels/height_rows.cpp"
#include "slots/kernels/height_rows.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace orrisbay::slots::simd {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// Bytes as doubles, one per lane.
template <class D>
HWY_INLINE hn::Vec<D> Levels(D d, hn::Vec<hn::Rebind<uint8_t, D>> bytes) {
    return hn::PromoteTo(d, hn::PromoteTo(hn::Rebind<int32_t, D>(), bytes));
}

// The height source of each lane's pixel before the strength: a height
// map's level, or 0.2126 red + 0.7152 green + 0.0722 blue, summed left to right.
template <unsigned kBytes, class D>
HWY_INLINE hn::Vec<D> Brightness(D d, const BYTE* pixels) {
    const hn::Rebind<uint8_t, D> d8;
    if constexpr (kBytes == 1) {
        return Levels(d, hn::LoadU(d8, pixels));
    } else {
        hn::Vec<decltype(d8)> blue, green, red;
        if constexpr (kBytes == 4) {
            hn::Vec<decltype(d8)> alpha;
            hn::LoadInterleaved4(d8, pixels, blue, green, red, alpha);
        } else {
            hn::LoadInterleaved3(d8, pixels, blue, green, red);
        }
        auto sum = hn::Mul(hn::Set(d, 0.2126), Levels(d, red));
        sum = hn::Add(sum, hn::Mul(hn::Set(d, 0.7152), Levels(d, green)));
        return hn::Add(sum, hn::Mul(hn::Set(d, 0.0722), Levels(d, blue)));
    }
}

// q = 255 * b2 / (b1 + b2), worked as the formula works it, from the mask's
// level and both heights before the strength.
//
// Why b1 + b2 is never 0: the taller of t1 and t2 (both at most 2) less m is
// d in exact arithmetic, and d >= 0.01 is far above the rounding of numbers
// below 2, so that difference is positive and so is its b.
template <class D>
HWY_INLINE hn::Vec<D> Share(D d, hn::Vec<D> level, hn::Vec<D> y1, hn::Vec<D> y2,
                            const HeightBlend& blend) {
    const auto full = hn::Set(d, 255.0);
    const auto strength = hn::Set(d, blend.strength);
    const auto a = hn::Div(level, full);
    const auto h1 = hn::Div(hn::Mul(strength, y1), full);
    const auto h2 = hn::Div(hn::Mul(strength, y2), full);
    const auto t1 = hn::Add(h1, hn::Sub(hn::Set(d, 1.0), a));
    const auto t2 = hn::Add(h2, a);
    const auto m = hn::Sub(hn::Max(t1, t2), hn::Set(d, blend.depth));
    const auto b1 = hn::Max(hn::Sub(t1, m), hn::Zero(d));
    const auto b2 = hn::Max(hn::Sub(t2, m), hn::Zero(d));
    return hn::Div(hn::Mul(full, b2), hn::Add(b1, b2));
}

// Ten thousand times the height source of each lane's pixel, in whole
// numbers: 2126 red + 7152 green + 722 blue, or 10000 times a map's level.
template <unsigned kBytes, class D32>
HWY_INLINE hn::Vec<D32> WholeBrightness(D32 d32, const BYTE* pixels) {
    const hn::Rebind<uint8_t, D32> d8;
    const auto wide = [&](auto bytes) { return hn::PromoteTo(d32, bytes); };
    if constexpr (kBytes == 1) {
        return hn::Mul(hn::Set(d32, 10000), wide(hn::LoadU(d8, pixels)));
    } else {
        hn::Vec<decltype(d8)> blue, green, red;
        if constexpr (kBytes == 4) {
            hn::Vec<decltype(d8)> alpha;
            hn::LoadInterleaved4(d8, pixels, blue, green, red, alpha);
        } else {
            hn::LoadInterleaved3(d8, pixels, blue, green, red);
        }
        const auto sum = hn::Add(hn::Mul(hn::Set(d32, 2126), wide(red)),
                                 hn::Mul(hn::Set(d32, 7152), wide(green)));
        return hn::Add(sum, hn::Mul(hn::Set(d32, 722), wide(blue)));
    }
}

// The difference t2 - t1 = s (y2 - y1) / 255 + 2a - 1 of a group of pixels,
// from ten thousand times y2 - y1 in whole numbers. From it the taller
// layer's b is d and the other's d less the difference, at least 0.
template <class D>
HWY_INLINE hn::Vec<D> Difference(D d, const std::int32_t* rise, const BYTE* mask2, double scale) {
    const auto lean = hn::Sub(
        hn::Mul(hn::Set(d, 2.0 / 255.0), Levels(d, hn::LoadU(hn::Rebind<uint8_t, D>(), mask2))),
        hn::Set(d, 1.0));
    const auto risen = hn::PromoteTo(d, hn::LoadU(hn::Rebind<std::int32_t, D>(), rise));
    return hn::Add(hn::Mul(hn::Set(d, scale), risen), lean);
}

// q from the difference. It agrees with the formula's q but for their
// roundings: the difference and the formula's t1, t2 and m are each within
// 2e-15 of the exact values, so the b within 6e-15 of each other, and q
// (b1 + b2 >= d - 6e-15 > 0.0099, b2 <= b1 + b2) within 1e-9.
template <class D>
HWY_INLINE hn::Vec<D> ShareEstimate(D d, hn::Vec<D> difference, double depth) {
    const auto deep = hn::Set(d, depth);
    const auto b1 = hn::Min(deep, hn::Max(hn::Sub(deep, difference), hn::Zero(d)));
    const auto b2 = hn::Min(deep, hn::Max(hn::Add(deep, difference), hn::Zero(d)));
    return hn::Div(hn::Mul(hn::Set(d, 255.0), b2), hn::Add(b1, b2));
}

// The new levels of a group of pixels: where no estimate of q is within 1e-6
// of a half, it rounds as the formula's q does; otherwise the group is worked
// again by the formula.
template <unsigned kBytes1, unsigned kBytes2, class D>
HWY_INLINE void HeightLanes(D d, const HeightRowSources& row, const HeightBlend& blend,
                            double scale, const std::int32_t* rise, std::size_t x, BYTE* mask) {
    const hn::Rebind<uint8_t, D> d8;
    const auto level2 = hn::LoadU(d8, row.mask2 + x);
    // Solid mask levels stay as they are, which the formula also gives.
    const auto solid = hn::Or(hn::Eq(level2, hn::Zero(d8)), hn::Eq(level2, hn::Set(d8, 255)));
    if (hn::AllTrue(d8, solid)) {
        hn::StoreU(level2, d8, mask + x);
        return;
    }
    auto q = ShareEstimate(d, Difference(d, rise, row.mask2 + x, scale), blend.depth);
    auto whole = hn::Trunc(q);
    auto fraction = hn::Sub(q, whole);
    const auto half = hn::Set(d, 0.5);
    if (!hn::AllFalse(d, hn::Lt(hn::Abs(hn::Sub(fraction, half)), hn::Set(d, 1e-6)))) {
        q = Share(d, Levels(d, level2), Brightness<kBytes1>(d, row.height1 + kBytes1 * x),
                  Brightness<kBytes2>(d, row.height2 + kBytes2 * x), blend);
        whole = hn::Trunc(q);
        fraction = hn::Sub(q, whole);
    }
    // Halves away from zero (q >= 0): q - trunc(q) is exact, so this is std::round.
    const auto rounded =
        hn::IfThenElse(hn::Ge(fraction, half), hn::Add(whole, hn::Set(d, 1.0)), whole);
    hn::StoreU(hn::DemoteTo(d8, hn::DemoteTo(hn::Rebind<int32_t, D>(), rounded)), d8, mask + x);
}

// Pixels per piece of a row: a multiple of every target's lane count.
constexpr std::size_t kPiece = 256;

// Pixels [first, end) of a row in two passes: the heights' differences in
// whole numbers, as wide as 32-bit lanes go, then the levels in double
// precision. Apart, each pass's groups of pixels are independent of one
// another and the processor works on several at once, where the division's
// wait would otherwise hold up the loads and sums of the next group. The row
// and the options are copied, so that the compiler need not read them again
// after each store of mask bytes, which could alias them.
template <unsigned kBytes1, unsigned kBytes2, class D32, class D>
void HeightPiece(D32 d32, D d, const HeightRowSources& sources, const HeightBlend& options,
                 std::size_t first, std::size_t end, BYTE* mask) {
    const HeightRowSources row = sources;
    const HeightBlend blend = options;
    const double scale = blend.strength / 255.0 / 10000.0;
    HWY_ALIGN std::int32_t rise[kPiece];
    for (std::size_t x = first; x < end; x += hn::Lanes(d32)) {
        const auto difference = hn::Sub(WholeBrightness<kBytes2>(d32, row.height2 + kBytes2 * x),
                                        WholeBrightness<kBytes1>(d32, row.height1 + kBytes1 * x));
        hn::StoreU(difference, d32, rise + (x - first));
    }
    for (std::size_t x = first; x < end; x += hn::Lanes(d)) {
        HeightLanes<kBytes1, kBytes2>(d, row, blend, scale, rise + (x - first), x, mask);
    }
}

// Whole pieces while the row has as many pixels as 32-bit lanes, then the
// rest one pixel at a time.
template <unsigned kBytes1, unsigned kBytes2>
void HeightMaskRowOf(const HeightRowSources& row, const HeightBlend& blend, std::size_t width,
                     BYTE* mask) {
    const hn::ScalableTag<std::int32_t> d32;
    const hn::ScalableTag<double> d;
    const std::size_t whole = width / hn::Lanes(d32) * hn::Lanes(d32);
    std::size_t x = 0;
    for (; x < whole; x += kPiece) {
        HeightPiece<kBytes1, kBytes2>(d32, d, row, blend, x, std::min(x + kPiece, whole), mask);
    }
    const hn::CappedTag<std::int32_t, 1> d32One;
    const hn::CappedTag<double, 1> dOne;
    for (x = whole; x < width; ++x) {
        HeightPiece<kBytes1, kBytes2>(d32One, dOne, row, blend, x, x + 1, mask);
    }
}

template <unsigned kBytes1>
void HeightMaskRowFrom(const HeightRowSources& row, const HeightBlend& blend, std::size_t width,
                       BYTE* mask) {
    const auto run = row.height2Bytes == 1   ? HeightMaskRowOf<kBytes1, 1>
                     : row.height2Bytes == 3 ? HeightMaskRowOf<kBytes1, 3>
                                             : HeightMaskRowOf<kBytes1, 4>;
    run(row, blend, width, mask);
}

void HeightMaskRow(const HeightRowSources& row, const HeightBlend& blend, std::size_t width,
                   BYTE* mask) {
    const auto run = row.height1Bytes == 1   ? HeightMaskRowFrom<1>
                     : row.height1Bytes == 3 ? HeightMaskRowFrom<3>
                                             : HeightMaskRowFrom<4>;
    run(row, blend, width, mask);
}

}  // namespace HWY_NAMESPACE
}  // namespace orrisbay::slots::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orrisbay::slots::simd {

HWY_EXPORT(HeightMaskRow);

void HeightMaskRow(const HeightRowSources& row, const HeightBlend& blend, std::size_t width,
                   BYTE* mask) {
    HWY_DYNAMIC_DISPATCH(HeightMaskRow)(row, blend, width, mask);
}

}  // namespace orrisbay::slots::simd
#endif  // HWY_ONCE
