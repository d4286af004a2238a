// Moving the gathered vertices along the amplitude axis.
//
// Every single-precision result is computed in double and rounded once, which
// gives the correctly rounded single-precision operation whatever the
// compiler's evaluation method; the chain from d to w stays in double.
#include <cfloat>
#include <cmath>

#include "rilo.h"

namespace {

// The coordinate of an axis, chosen once per command rather than per vertex.
using Axis = float Vertex::*;

Axis axis_field(char axis)
{
    switch (axis) {
    case 'x':
        return &Vertex::x;
    case 'y':
        return &Vertex::y;
    default:
        return &Vertex::z;
    }
}

float round_single(double value)
{
    return static_cast<float>(value);
}

// pi / 180 rounded to single precision.
constexpr float kDegree = static_cast<float>(3.14159265358979323846 / 180.0);

// The phase of the next owner under random phases: a fresh draw, rescaled
// by the (already rescaled) frequency when it counts cycles across the selection.
float random_offset(const SineParams &p, uint32_t seed, float frequency)
{
    float offset = round_single(static_cast<double>(draw_percent(seed)) * static_cast<double>(kOffsetScale));
    if (!p.freq_units) offset = round_single(static_cast<double>(offset) * static_cast<double>(frequency));
    return offset;
}

}  // namespace

bool plan_wave(const SineParams *params, List *vertices, WavePlan *plan)
{
    const SineParams &p = *params;
    const Axis F = axis_field(p.frequency_axis);
    const Axis A = axis_field(p.amplitude_axis);

    // Extent along the frequency axis; on ties the earliest vertex is lo.
    Vertex *lo = static_cast<Vertex *>(vertices->data);
    float lo_F = lo->*F;
    float hi_F = lo_F;
    double largest_A = 0.0;  // the largest magnitude along the amplitude axis (a not-a-number never is)
    for (List *node = vertices; node != nullptr; node = node->next) {
        Vertex *v = static_cast<Vertex *>(node->data);
        const float f = v->*F;
        if (f < lo_F) {
            lo = v;
            lo_F = f;
        }
        if (f > hi_F) hi_F = f;
        const double a = std::fabs(static_cast<double>(v->*A));
        if (a > largest_A) largest_A = a;
    }
    WavePlan w{lo_F, lo->*A, p.frequency, p.offset};
    const double extent = static_cast<double>(hi_F) - static_cast<double>(lo_F);
    if (!p.freq_units) {
        w.offset = round_single(static_cast<double>(w.offset) * static_cast<double>(w.frequency));
        w.frequency = (extent == 0.0) ? 0.0f : round_single(static_cast<double>(w.frequency) / extent);
    }

    // Distances along the frequency axis, the rescaled values and every
    // placed coordinate must stay finite in single precision; otherwise the
    // wave would write infinities or not-a-numbers into the model.
    const double reach =
        (p.additive ? largest_A : std::fabs(static_cast<double>(w.base))) + std::fabs(static_cast<double>(p.amplitude));
    if (!std::isfinite(round_single(extent)) || !std::isfinite(w.frequency) || !std::isfinite(w.offset) ||
        !(reach <= static_cast<double>(FLT_MAX))) {
        windows_message_dialog("rilo : the wave would take coordinates out of range");
        return false;
    }
    *plan = w;
    return true;
}

void displace_vertices(const SineParams *params, const WavePlan *plan, List *vertices)
{
    const SineParams &p = *params;
    const Axis F = axis_field(p.frequency_axis);
    const Axis A = axis_field(p.amplitude_axis);
    const bool additive = p.additive;
    const bool random_phase = p.random_phase;
    const float lo_F = plan->lo_F;
    const float base = plan->base;
    const float frequency = plan->frequency;
    float offset = plan->offset;

    const double amplitude = p.amplitude;
    uint32_t seed = p.phase_seed;
    Object *last_owner = nullptr;
    bool have_owner = false;
    bool subdivided = false;
    for (List *node = vertices; node != nullptr; node = node->next) {
        Vertex *v = static_cast<Vertex *>(node->data);
        Object *owner = object_of_vertex(v);
        float &a = v->*A;
        const float d = round_single(static_cast<double>(v->*F) - static_cast<double>(lo_F));
        if (!have_owner || owner != last_owner) {
            have_owner = true;
            last_owner = owner;
            if (ac_object_is_subdivided(owner)) subdivided = true;
            if (random_phase) {
                seed += 7u;  // wraps modulo 2^32
                offset = random_offset(p, seed, frequency);
            }
        }
        const double turns = static_cast<double>(d) * static_cast<double>(frequency) + static_cast<double>(offset);
        const double w = amplitude * std::sin(turns * 360.0 * static_cast<double>(kDegree));
        a = round_single((additive ? static_cast<double>(a) : static_cast<double>(base)) + w);
    }

    if (subdivided) tcl_command("ac3d remake_subdivisions");
    find_bounding_box();
    redraw_all();
    display_status();
}
