// The procedure behind the Tcl command pjtrilo_go.
#include "rilo.h"

extern "C" void *sine_deform_command(int argc, char **argv)
{
    SineParams params;
    if (!read_sine_params(argc, argv, &params)) return nullptr;
    List *vertices = gather_selected_vertices();
    if (vertices == nullptr) return nullptr;
    WavePlan plan;
    if (!plan_wave(&params, vertices, &plan)) {
        list_free(&vertices);
        return nullptr;
    }
    // One undo step, saved before any coordinate changes; the host keeps the list.
    add_undoable_vertex_positions("rilo", vertices);
    displace_vertices(&params, &plan, vertices);
    return nullptr;
}
