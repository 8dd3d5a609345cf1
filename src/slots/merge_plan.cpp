#include "slots/merge_plan.h"

#include "imageio/freeimage_base.h"
#include "slots/kernels/composite_kernel.h"
#include "slots/kernels/exact_rescale.h"

namespace orrisbay::slots {

bool LayerReadAsItIs(const FIBITMAP* layer) {
    return CompositeKernelTakesLayer(layer);
}

bool KeepsItsSize(const FIBITMAP* bitmap, unsigned width, unsigned height) {
    return freeimage_base::Width(bitmap) == width && freeimage_base::Height(bitmap) == height &&
           RescaleKernelHandles(bitmap);
}

bool MaskLeftToLibrary(const FIBITMAP* mask) {
    return !RescaleKernelHandles(mask);
}

}  // namespace orrisbay::slots
