// The pjtrilo_go command: parameters, the phase draw, gathering and displacement.
#ifndef RILO_COMMAND_RILO_H
#define RILO_COMMAND_RILO_H

#include <cstdint>

#include "ac3d.h"

// The parsed parameters of one invocation.
struct SineParams {
    char frequency_axis;  // 'x', 'y' or 'z'
    char amplitude_axis;  // 'x', 'y' or 'z', never the frequency axis
    float frequency;
    float amplitude;
    bool random_phase;
    float offset;         // phase offset as a fraction of a cycle
    uint32_t phase_seed;  // only meaningful with random_phase
    bool additive;
    bool freq_units;  // true: cycles per model unit; false: cycles across the selection
};

// 0.01 rounded to single precision: the scale of the offset parameter.
constexpr float kOffsetScale = 0.01f;

// The reseeded phase draw: a whole number from 0 to 99 that depends on the seed alone.
uint32_t draw_percent(uint32_t seed);

// Reads a decimal number the way "%g" formatted input does: leading white
// space, an optional sign, digits with an optional point, and an exponent
// only when it is complete.  Trailing characters are ignored.  Fails when no
// digit is found or when the value does not fit single precision.
bool read_number(const char *text, float *value);

// The first phase of the command: checks the parameters in order, fills
// *params and writes the trace.  On failure shows one message and returns false.
bool read_sine_params(int argc, char **argv, SineParams *params);

// Appends the vertices of the object and of all its descendants, pre-order.
// Returns false when memory ran out part way.
bool collect_object_vertices(Object *object, List **vertices);

// Builds the vertex list of the current selection.  Returns null (after
// showing a message) when nothing is selected.
List *gather_selected_vertices(void);

// What the wave starts from: the extent scan's results and the frequency and
// offset rescaled for the selection.
struct WavePlan {
    float lo_F;       // smallest coordinate along the frequency axis
    float base;       // amplitude-axis coordinate of the vertex at lo_F
    float frequency;  // cycles per model unit
    float offset;     // phase offset before any random draw
};

// Scans the listed vertices and rescales the parameters.  Shows a message and
// returns false when the result would not fit single precision.
bool plan_wave(const SineParams *params, List *vertices, WavePlan *plan);

// Moves every listed vertex and refreshes the host.
void displace_vertices(const SineParams *params, const WavePlan *plan, List *vertices);

// Milliseconds since an arbitrary origin, 32 bits wide; seeds random phases.
uint32_t rilo_tick(void);

extern "C" void *sine_deform_command(int argc, char **argv);

#endif
