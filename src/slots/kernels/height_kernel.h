#pragma once

#include <FreeImage.h>

#include "imageio/freeimage_base.h"
#include "slots/kernels/composite_kernel.h"
#include "slots/merge_options.h"

namespace orrisbay::slots {

// Where each layer's height comes from: an 8-bit greyscale height map of the
// layers' size, or (null) the layer's own brightness.
struct HeightMaps {
    const FIBITMAP* height1 = nullptr;
    const FIBITMAP* height2 = nullptr;
};

// True when HeightBlendedMask can read the inputs: layers of 24 or 32 bits,
// 8-bit greyscale masks and height maps, all of one size. Mask 1 is not read.
bool HeightKernelReads(const MaskedLayers& inputs, const HeightMaps& maps);

// Mask 2 remade by height blending (see simd::HeightMaskRow), in bands of
// rows on up to `threads` threads: 8-bit greyscale of the inputs' size. Empty
// when the inputs cannot be read or memory runs out.
freeimage_base::Bitmap HeightBlendedMask(const MaskedLayers& inputs, const HeightMaps& maps,
                                         const HeightBlend& blend, unsigned threads);

// Fills the whole 24-bit `result` as CompositeMaskedLayersInto does, with
// layer 2 composited through its height-blended mask, made row by row in the
// same bands. Precondition: CompositeKernelHandles(inputs) and
// HeightKernelReads(inputs, maps). False when memory ran out.
bool CompositeHeightBlendedInto(const MaskedLayers& inputs, const HeightMaps& maps,
                                const HeightBlend& blend, FIBITMAP* result, unsigned threads);

}  // namespace orrisbay::slots
