#pragma once

#include <cstdint>

namespace orrisbay::cli {

// Has the heap fault in `bytes` at once, on `threads` threads, for the
// pictures about to be decoded, and keeps them for those pictures: the kernel
// fills a whole range of pages several times faster than it answers one
// fault per page, which is most of a very large blend's time. Does nothing
// below 64 MiB, under a sanitizer, or where the heap would give a freed block
// of that size straight back to the system (see SetUpHeapForLargePictures).
void FaultInAhead(std::uint64_t bytes, unsigned threads);

}  // namespace orrisbay::cli
