#pragma once

#include <FreeImage.h>

#include "imageio/freeimage_base.h"
#include "slots/kernels/row_bands.h"

namespace orrisbay::slots {

// The scaled layers of a merge and their masks, all of one size.
struct MaskedLayers {
    const FIBITMAP* layer1;
    const FIBITMAP* mask1;
    const FIBITMAP* layer2;
    const FIBITMAP* mask2;
};

// True for a layer the kernel composites: a standard bitmap of 32 bits, or of
// 24 bits standing for its 32-bit copy, not marked CMYK.
bool CompositeKernelTakesLayer(const FIBITMAP* layer);

// True when the library would take each mask as its layer's alpha channel and
// composite the layers (24-bit layers once made 32-bit): layers the kernel
// takes and 8-bit greyscale masks, all of the same width and height.
bool CompositeKernelHandles(const MaskedLayers& inputs);

// Rows `rows` of the 24-bit `result` (the inputs' size): layer 1 through mask
// 1 over black, then layer 2 through mask 2 over that, byte for byte what
// FreeImage_ConvertTo32Bits of each layer, FreeImage_SetChannel of its mask
// as alpha and FreeImage_Composite of layer 1 on a black canvas and of layer
// 2 on that composite give. The layers themselves are not changed.
void CompositeMaskedRows(const MaskedLayers& inputs, FIBITMAP* result, RowRange rows);

// Fills the whole 24-bit `result` (the inputs' size) by CompositeMaskedRows,
// in bands of rows on up to `threads` threads. Precondition: the inputs are
// handled.
void CompositeMaskedLayersInto(const MaskedLayers& inputs, FIBITMAP* result, unsigned threads);

// The whole 24-bit result, in bands of rows on up to `threads` threads. Empty
// when the inputs are not handled or memory runs out.
freeimage_base::Bitmap CompositeMaskedLayers(const MaskedLayers& inputs, unsigned threads);

}  // namespace orrisbay::slots
