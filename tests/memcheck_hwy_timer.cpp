// Preloaded into the tests valgrind runs (memcheck:*), never into anything
// shipped. libhwy, which FFmpeg's JPEG XL decoder pulls in, measures its
// timer with RDTSCP while it is loaded. Some virtual machines hide RDTSCP
// from CPUID although the CPU runs it, and valgrind emulates only what CPUID
// reports, so every test that links FFmpeg died with "illegal instruction"
// before any of our code ran. This definition takes the place of libhwy's
// exported one; nothing the tests run uses libhwy's timers.
#include <cstdint>

namespace hwy::platform {
uint64_t TimerResolution()
{
    return 1;
}
} // namespace hwy::platform
