// The host's side of a Tcl interpreter, as the modeller wires it: texts the
// plug-in hands to tcl_command are evaluated in it, each command the
// plug-in registers becomes a Tcl command, and "ac3d" answers the requests
// the plug-in makes of the modeller.
#ifndef RILO_STANDIN_HOST_TCL_H
#define RILO_STANDIN_HOST_TCL_H

#include <tcl.h>

namespace standin {

void connect_host(Tcl_Interp *interp);
// Undoes connect_host before the interpreter goes.
void disconnect_host();

}  // namespace standin

#endif
