#pragma once

namespace orrisbay::cli {

// Sets the heap up for a command that makes a few very large bitmaps one
// after another and then ends: see heap_policy.cpp. Call first in main.
void SetUpHeapForLargePictures();

}  // namespace orrisbay::cli
