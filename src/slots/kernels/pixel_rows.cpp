// Compiled once per instruction set by the vector library's foreach_target;
// the dispatching functions at the end are compiled once. Multiplies and adds
// must not be fused: this file is built with -ffp-contract=off.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "slots/kernels/pixel_rows.cpp"
#include "slots/kernels/pixel_rows.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace orrisbay::slots::simd {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// ((0.2126 red + 0.7152 green) + 0.0722 blue) + 0.5 in float, truncated.
template <class D>
HWY_INLINE void GreyLanes(D d, const BYTE* pixels, unsigned bytesPerPixel, BYTE* grey) {
    const hn::Rebind<uint8_t, D> d8;
    const hn::Rebind<int32_t, D> d32;
    hn::Vec<decltype(d8)> blue, green, red, alpha;
    if (bytesPerPixel == 4) {
        hn::LoadInterleaved4(d8, pixels, blue, green, red, alpha);
    } else {
        hn::LoadInterleaved3(d8, pixels, blue, green, red);
    }
    const auto level = [&](auto bytes) { return hn::ConvertTo(d, hn::PromoteTo(d32, bytes)); };
    auto sum = hn::Mul(hn::Set(d, 0.2126F), level(red));
    sum = hn::Add(sum, hn::Mul(hn::Set(d, 0.7152F), level(green)));
    sum = hn::Add(sum, hn::Mul(hn::Set(d, 0.0722F), level(blue)));
    sum = hn::Add(sum, hn::Set(d, 0.5F));
    hn::StoreU(hn::DemoteTo(d8, hn::ConvertTo(d32, sum)), d8, grey);
}

void GreyRow(const BYTE* pixels, unsigned bytesPerPixel, std::size_t width, BYTE* grey) {
    const hn::ScalableTag<float> d;
    const std::size_t n = hn::Lanes(d);
    std::size_t x = 0;
    for (; x + n <= width; x += n) {
        GreyLanes(d, pixels + x * bytesPerPixel, bytesPerPixel, grey + x);
    }
    const hn::CappedTag<float, 1> d1;
    for (; x < width; ++x) {
        GreyLanes(d1, pixels + x * bytesPerPixel, bytesPerPixel, grey + x);
    }
}

// One channel of the library's composite: alpha 0 keeps the background, 255
// takes the foreground, anything between blends and keeps the high byte.
template <class D>
HWY_INLINE hn::Vec<D> Over(D d, hn::Vec<D> alpha, hn::Vec<D> fore, hn::Vec<D> back) {
    const auto opaque = hn::Set(d, 255);
    const auto blend =
        hn::ShiftRight<8>(hn::Add(hn::Mul(alpha, fore), hn::Mul(hn::Sub(opaque, alpha), back)));
    return hn::IfThenElse(hn::Eq(alpha, hn::Zero(d)), back,
                          hn::IfThenElse(hn::Eq(alpha, opaque), fore, blend));
}

// The blue, green and red of `layer`'s pixels: 3 bytes each, or 4 whose
// last (alpha) the mask replaces.
template <unsigned kBytes, class D8>
HWY_INLINE void LoadColours(D8 d8, const BYTE* layer, hn::Vec<D8>& blue, hn::Vec<D8>& green,
                            hn::Vec<D8>& red) {
    if constexpr (kBytes == 4) {
        hn::Vec<D8> alpha;
        hn::LoadInterleaved4(d8, layer, blue, green, red, alpha);
    } else {
        hn::LoadInterleaved3(d8, layer, blue, green, red);
    }
}

template <unsigned kBytes1, unsigned kBytes2, class D>
HWY_INLINE void CompositeLanes(D d, const BYTE* layer1, const BYTE* mask1, const BYTE* layer2,
                               const BYTE* mask2, BYTE* result) {
    const hn::Rebind<uint8_t, D> d8;
    const hn::Rebind<int16_t, D> d16;
    hn::Vec<decltype(d8)> b1, g1, r1, b2, g2, r2;
    LoadColours<kBytes1>(d8, layer1, b1, g1, r1);
    LoadColours<kBytes2>(d8, layer2, b2, g2, r2);
    const auto wide = [&](auto bytes) { return hn::PromoteTo(d, bytes); };
    const auto alpha1 = wide(hn::LoadU(d8, mask1));
    const auto alpha2 = wide(hn::LoadU(d8, mask2));
    const auto channel = [&](auto first, auto second) {
        const auto over = Over(d, alpha2, wide(second), Over(d, alpha1, wide(first), hn::Zero(d)));
        return hn::DemoteTo(d8, hn::BitCast(d16, over));  // every lane is 0..255
    };
    hn::StoreInterleaved3(channel(b1, b2), channel(g1, g2), channel(r1, r2), d8, result);
}

template <unsigned kBytes1, unsigned kBytes2>
void CompositeRowOf(const BYTE* layer1, const BYTE* mask1, const BYTE* layer2, const BYTE* mask2,
                    std::size_t width, BYTE* result) {
    const hn::ScalableTag<uint16_t> d;
    const std::size_t n = hn::Lanes(d);
    std::size_t x = 0;
    for (; x + n <= width; x += n) {
        CompositeLanes<kBytes1, kBytes2>(d, layer1 + kBytes1 * x, mask1 + x, layer2 + kBytes2 * x,
                                         mask2 + x, result + 3 * x);
    }
    const hn::CappedTag<uint16_t, 1> d1;
    for (; x < width; ++x) {
        CompositeLanes<kBytes1, kBytes2>(d1, layer1 + kBytes1 * x, mask1 + x, layer2 + kBytes2 * x,
                                         mask2 + x, result + 3 * x);
    }
}

void CompositeRow(const CompositeSources& row, std::size_t width, BYTE* result) {
    const auto run = row.layer1Bytes == 4
                         ? (row.layer2Bytes == 4 ? CompositeRowOf<4, 4> : CompositeRowOf<4, 3>)
                         : (row.layer2Bytes == 4 ? CompositeRowOf<3, 4> : CompositeRowOf<3, 3>);
    run(row.layer1, row.mask1, row.layer2, row.mask2, width, result);
}

const char* TargetName() {
    return hwy::TargetName(HWY_TARGET);
}

}  // namespace HWY_NAMESPACE
}  // namespace orrisbay::slots::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orrisbay::slots::simd {

HWY_EXPORT(GreyRow);
HWY_EXPORT(CompositeRow);
HWY_EXPORT(TargetName);

void GreyRow(const BYTE* pixels, unsigned bytesPerPixel, std::size_t width, BYTE* grey) {
    HWY_DYNAMIC_DISPATCH(GreyRow)(pixels, bytesPerPixel, width, grey);
}

void CompositeRow(const CompositeSources& row, std::size_t width, BYTE* result) {
    HWY_DYNAMIC_DISPATCH(CompositeRow)(row, width, result);
}

const char* TargetName() {
    return HWY_DYNAMIC_DISPATCH(TargetName)();
}

}  // namespace orrisbay::slots::simd
#endif  // HWY_ONCE
