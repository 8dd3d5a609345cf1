#pragma once

#include <FreeImage.h>

#include <string>

#include "imageio/freeimage_base.h"

namespace orrisbay::slots::testing {

struct ReferenceResult {
    freeimage_base::Bitmap result;  // empty when a step failed
    std::string failure;            // the text of the first failed step, as the table says it
};

// The merge of four input slots as the plain sequence of library calls, one
// whole bitmap after another: every layer to 32 bits, all four to the common
// size, the masks to greyscale and in as alpha, layer 1 over a black canvas
// and layer 2 over that. The program's banded merge must match it to the byte.
ReferenceResult MergeStepByStep(const FIBITMAP* layer1, const FIBITMAP* layer2,
                                const FIBITMAP* mask1, const FIBITMAP* mask2);

}  // namespace orrisbay::slots::testing
