// The procedure behind the Tcl command pjtrilo_go.
#include "rilo.h"

extern "C" void *sine_deform_command(int argc, char **argv)
{
    SineParams params;
    if (!read_sine_params(argc, argv, &params)) return nullptr;
    List *vertices = gather_selected_vertices();
    if (vertices == nullptr) return nullptr;
    displace_vertices(&params, vertices);
    return nullptr;
}
