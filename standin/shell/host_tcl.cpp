#include "host_tcl.h"

#include <string>
#include <vector>

#include "host.h"

namespace standin {

namespace {

// A plug-in's command as a Tcl command, called as the modeller calls it.
int call_plugin_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    std::vector<std::string> params;
    for (int i = 1; i < objc; ++i) params.emplace_back(Tcl_GetString(objv[i]));
    Tcl_ResetResult(interp);
    invoke_command(*static_cast<RegisteredCommand *>(data), params);
    return TCL_OK;
}

int ac3d_command(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc == 2 && ac3d_request(Tcl_GetString(objv[1]))) return TCL_OK;
    const std::string usage = "usage: ac3d " + std::string(kAc3dRequest);
    Tcl_SetObjResult(interp, Tcl_NewStringObj(usage.c_str(), -1));
    return TCL_ERROR;
}

}  // namespace

void connect_host(Tcl_Interp *interp)
{
    Tcl_CreateObjCommand(interp, "ac3d", ac3d_command, nullptr, nullptr);
    Host &h = host();
    h.eval = [interp](const std::string &text, std::string &error) {
        // A request made while a command runs must not disturb that command's result.
        Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
        const bool ok = Tcl_EvalEx(interp, text.c_str(), -1, TCL_EVAL_GLOBAL) == TCL_OK;
        if (!ok) error = Tcl_GetStringResult(interp);
        Tcl_RestoreInterpState(interp, state);
        return ok;
    };
    h.on_command = [interp](RegisteredCommand &command) {
        Tcl_CreateObjCommand(interp, command.name.c_str(), call_plugin_command, &command, nullptr);
    };
}

void disconnect_host()
{
    Host &h = host();
    h.eval = nullptr;
    h.on_command = nullptr;
    h.on_message = nullptr;
    h.on_progress = nullptr;
    h.on_change = nullptr;
    h.on_work = nullptr;
}

}  // namespace standin
