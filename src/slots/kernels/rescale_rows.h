#pragma once

// Row kernels of the exact rescale, compiled for every instruction set the
// vector library offers and dispatched at run time to the best one the
// processor has. Every target, down to the plain one without vector
// instructions, gives the same bytes: each output sample adds its products in
// the image library's order, and multiplies and adds are never fused (this
// file is built with -ffp-contract=off).

#include <FreeImage.h>

#include <cstddef>

namespace orrisbay::slots::simd {

// Filter taps of one axis: for output u, Count[u] weights starting at
// Weights + u * Stride apply to inputs Left[u], Left[u] + 1, ...
struct TapView {
    const unsigned* left;
    const unsigned* count;
    const double* weights;
    std::size_t stride;
};

// Rows processed together by WeighColumns.
inline constexpr unsigned kGroupRows = 8;

// Interleaves up to kGroupRows rows of `bytes` bytes, the first at `first`
// and each next one `pitch` bytes further: byte s of row r goes to
// out[s * kGroupRows + r]. Lanes of missing rows are zero.
void TransposeRows(const BYTE* first, std::ptrdiff_t pitch, unsigned rows, std::size_t bytes,
                   BYTE* out);

// The reverse: row r < `rows` receives byte s from in[s * kGroupRows + r].
void UntransposeRows(const BYTE* in, std::size_t bytes, unsigned rows, BYTE* first,
                     std::ptrdiff_t pitch);

// out[b] = sum over t < taps of weights[t] * first[t * pitch + b], for every
// byte b < bytes of a row: one output row from `taps` input rows.
void WeighRows(const BYTE* first, std::ptrdiff_t pitch, const double* weights, unsigned taps,
               std::size_t bytes, BYTE* out);

// The same along rows, for kGroupRows rows at once. `transposed` holds the
// input samples column by column: the kGroupRows bytes of sample s (pixel
// times `channels` plus channel) start at s * kGroupRows. `out` receives
// `outputs` pixels the same way. Past its last sample `transposed` must hold
// taps.stride zero pixels, and each output's weights must be zero past its
// count up to taps.stride.
void WeighColumns(const BYTE* transposed, unsigned channels, const TapView& taps, unsigned outputs,
                  BYTE* out);

}  // namespace orrisbay::slots::simd
