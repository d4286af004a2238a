// Deliberate faults for test builds of the module, switched in by the
// linker's --wrap: the real command, with one host call left out.
#include "ac3d.h"

extern "C" {

// Never releases a selection list.
void __wrap_list_free(List **) {}

// Never saves the undo step.
void __wrap_add_undoable_vertex_positions(const char *, List *) {}
}
