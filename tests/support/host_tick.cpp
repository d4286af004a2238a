// The tick for the test build of the module: asked of the stand-in, which
// lets scripts set it, so that random phases are reproducible end to end.
#include <cstdint>

extern "C" uint32_t standin_test_tick(void);

uint32_t rilo_tick(void)
{
    return standin_test_tick();
}
