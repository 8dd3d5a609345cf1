#pragma once

#include <FreeImage.h>

#include <cstddef>

#include "slots/kernels/rescale_rows.h"

namespace orrisbay::slots {

// simd::TransposeRows and simd::UntransposeRows without vector instructions,
// eight bytes of each row at a time: for the plain target and for the last
// columns of the others.
void TransposeRows(const BYTE* first, std::ptrdiff_t pitch, unsigned rows, std::size_t bytes,
                   BYTE* out);

void UntransposeRows(const BYTE* in, std::size_t bytes, unsigned rows, BYTE* first,
                     std::ptrdiff_t pitch);

}  // namespace orrisbay::slots
