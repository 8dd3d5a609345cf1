#pragma once

namespace orrisbay::app {

// The window runs for hours and holds a few large pictures at a time. Large
// blocks come straight from the system and go back to it when freed (a fixed
// threshold, instead of the C library raising it to the largest block freed
// so far and keeping later pictures in its heap), and every thread shares one
// heap, so what the merge's threads free does not stay resident in heaps of
// their own. Call before anything is allocated on other threads.
void ReturnFreedPicturesToTheSystem();

}  // namespace orrisbay::app
