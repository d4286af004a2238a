// The ::standin::view Tcl command, through which the main window draws and
// picks the model (see view_command.cpp for its subcommands).
#ifndef RILO_STANDIN_VIEW_COMMAND_H
#define RILO_STANDIN_VIEW_COMMAND_H

#include <tcl.h>

void register_view_command(Tcl_Interp *interp);

#endif
