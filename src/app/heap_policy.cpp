#include "app/heap_policy.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace orrisbay::app {

void ReturnFreedPicturesToTheSystem() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);  // the C library's own starting value, now fixed
    mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace orrisbay::app
