#pragma once

namespace orrisbay::cli {

// Sets the heap up for a command that makes a few very large bitmaps one
// after another: freed memory is kept for the next bitmap, and large blocks
// come in transparent huge pages. The C library reads the setting for the
// latter (glibc.malloc.hugetlb=1) only when a program starts, so unless the
// user has set it, a program linked with this starts itself once more with
// it, before the libraries' initialisers run; this puts the environment back
// as it was, so that nothing the command runs inherits it. Not where it would
// escape a tool that watches the program (valgrind), where a sanitizer
// brings its own allocator, or in a virtual machine whose host takes back
// the memory its guest frees, where huge pages are the slower. Call first in
// main.
void SetUpHeapForLargePictures();

}  // namespace orrisbay::cli
