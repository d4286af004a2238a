// The millisecond tick that seeds random phases.
#include "rilo.h"

#if defined(_WIN32)
#include <windows.h>

uint32_t rilo_tick(void)
{
    return static_cast<uint32_t>(GetTickCount());
}

#else
#include <time.h>

uint32_t rilo_tick(void)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}
#endif
