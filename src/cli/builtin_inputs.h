#pragma once

#include "imageio/freeimage_base.h"

namespace orrisbay::cli {

// The window's built-in picture for input slot 0..3 (two textures, two grey
// ramps), decoded from the copy compiled into the program; empty otherwise.
freeimage_base::Bitmap LoadBuiltinInput(int slot);

}  // namespace orrisbay::cli
