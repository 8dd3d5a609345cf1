#include "cli/heap_policy.h"

#if ORRISBAY_WITH_MIMALLOC
#include <mimalloc.h>
#elif defined(__GLIBC__)
#include <malloc.h>

#include <climits>
#endif

namespace orrisbay::cli {

void SetUpHeapForLargePictures() {
#if ORRISBAY_WITH_MIMALLOC
    // Most of a large blend's time would go to the kernel faulting in fresh
    // 4 KiB pages for the decoded pictures; mimalloc asks for transparent huge
    // pages instead, one fault per 2 MiB. A picture of more than 16 MiB has a
    // mapping of its own, given back when it is freed (a 24-bit mask once its
    // grey copy exists). The threads' heaps of small blocks are committed as
    // they fill rather than whole, so that huge pages do not make them
    // resident before they are used.
    mi_option_enable(mi_option_large_os_pages);
    mi_option_disable(mi_option_eager_commit);
#elif defined(__GLIBC__)
    // Memory freed is kept for the next bitmap, from one heap shared by all
    // threads, rather than given back to the system and faulted in again page
    // by page: the layers, the rescaled masks and the texture reuse the pages
    // of the 24-bit masks.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
}

}  // namespace orrisbay::cli
