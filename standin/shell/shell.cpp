#include "shell.h"

#include <cstring>
#include <new>
#include <vector>

#include "error.h"
#include "host.h"
#include "host_tcl.h"
#include "subcommands.h"

namespace standin {

namespace {

// The standin command: finds the subcommand and runs it.
int standin_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    const std::string name = objc < 2 ? "" : Tcl_GetString(objv[1]);
    return run_command_body(interp, ("standin " + name).c_str(), [&]() -> Tcl_Obj * {
        if (objc < 2) throw Error("usage: standin " + subcommand_names());
        const Subcommand *sub = find_subcommand(name);
        if (sub == nullptr) throw Error("unknown subcommand " + in_quotes(name) + ": must be " + subcommand_names());
        Args args{interp, objc - 2, objv + 2};
        return sub->run(*static_cast<Shell *>(data), args);
    });
}

}  // namespace

Shell::Shell() : interp_(Tcl_CreateInterp())
{
    if (Tcl_Init(interp_) != TCL_OK) {
        // Scripts that need no library packages still run.
        Tcl_ResetResult(interp_);
    }
    Tcl_CreateObjCommand(interp_, "standin", standin_command, this, nullptr);
    connect_host(interp_);
}

Shell::~Shell()
{
    disconnect_host();
    Tcl_DeleteInterp(interp_);
}

void Shell::load(const std::string &dir, bool initialise)
{
    plugin_ = load_plugin(dir);
    if (initialise) init_plugin(plugin_);
}

std::string error_info(Tcl_Interp *interp)
{
    const char *info = Tcl_GetVar(interp, "errorInfo", TCL_GLOBAL_ONLY);
    return info ? info : Tcl_GetStringResult(interp);
}

int run_command_body(Tcl_Interp *interp, const char *name, const std::function<Tcl_Obj *()> &body)
{
    try {
        Tcl_Obj *result = body();
        Tcl_SetObjResult(interp, result != nullptr ? result : Tcl_NewObj());
        return TCL_OK;
    } catch (const std::bad_alloc &) {  // the last resort: the command did not fit in memory
        Tcl_SetObjResult(interp, Tcl_NewStringObj((std::string("out of memory in ") + name).c_str(), -1));
        return TCL_ERROR;
    } catch (const std::exception &e) {  // Error, and ac::Error from model files
        Tcl_SetObjResult(interp, Tcl_NewStringObj(e.what(), -1));
        return TCL_ERROR;
    }
}

void Shell::eval(const std::string &script)
{
    if (Tcl_EvalEx(interp_, script.c_str(), -1, TCL_EVAL_GLOBAL) != TCL_OK) throw ScriptError(error_info(interp_));
}

void Shell::eval_file(const std::string &path)
{
    if (Tcl_EvalFile(interp_, path.c_str()) != TCL_OK) throw ScriptError(error_info(interp_));
}

}  // namespace standin
