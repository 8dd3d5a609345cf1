// Highway measures its timer's resolution when the library is loaded, with
// the RDTSCP instruction. Some virtual machines run RDTSCP but leave it out of
// what CPUID reports, and valgrind, which goes by CPUID, stops the program at
// that instruction before main. The memcheck driver never uses Highway's
// timers, so it answers the measurement itself: the library's call resolves
// to this definition in the executable, and the session runs under valgrind
// on every machine.
#include <cstdint>

namespace hwy::platform {

std::uint64_t TimerResolution() {
    return 1;
}

}  // namespace hwy::platform
