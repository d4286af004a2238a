// The tick for unit tests: whatever the test sets.
#include <cstdint>

uint32_t fixed_tick_value = 0;

uint32_t rilo_tick(void)
{
    return fixed_tick_value;
}
