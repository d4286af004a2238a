#include "shell.h"

#include <cstring>
#include <new>
#include <vector>

#include "error.h"
#include "host.h"
#include "subcommands.h"

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
    if (objc == 2 && std::strcmp(Tcl_GetString(objv[1]), "remake_subdivisions") == 0) {
        host().count_remake_subdivisions();
        return TCL_OK;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj("usage: ac3d remake_subdivisions", -1));
    return TCL_ERROR;
}

// The standin command: its subcommands' errors become Tcl errors here, and
// only here.
int standin_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    const std::string name = objc < 2 ? "" : Tcl_GetString(objv[1]);
    try {
        if (objc < 2) throw Error("usage: standin " + subcommand_names());
        const Subcommand *sub = find_subcommand(name);
        if (sub == nullptr) throw Error("unknown subcommand \"" + name + "\": must be " + subcommand_names());
        Args args{interp, objc - 2, objv + 2};
        Tcl_Obj *result = sub->run(*static_cast<Shell *>(data), args);
        Tcl_SetObjResult(interp, result != nullptr ? result : Tcl_NewObj());
        return TCL_OK;
    } catch (const std::bad_alloc &) {  // the last resort: the subcommand did not fit in memory
        Tcl_SetObjResult(interp, Tcl_NewStringObj(("out of memory in standin " + name).c_str(), -1));
        return TCL_ERROR;
    } catch (const std::exception &e) {  // Error, and ac::Error from model files
        Tcl_SetObjResult(interp, Tcl_NewStringObj(e.what(), -1));
        return TCL_ERROR;
    }
}

}  // namespace

Shell::Shell() : interp_(Tcl_CreateInterp())
{
    if (Tcl_Init(interp_) != TCL_OK) {
        // Scripts that need no library packages still run.
        Tcl_ResetResult(interp_);
    }
    Tcl_CreateObjCommand(interp_, "standin", standin_command, this, nullptr);
    Tcl_CreateObjCommand(interp_, "ac3d", ac3d_command, nullptr, nullptr);
    Host &h = host();
    h.eval = [this](const std::string &text, std::string &error) {
        // A request made while a command runs must not disturb that command's result.
        Tcl_InterpState state = Tcl_SaveInterpState(interp_, TCL_OK);
        const bool ok = Tcl_EvalEx(interp_, text.c_str(), -1, TCL_EVAL_GLOBAL) == TCL_OK;
        if (!ok) error = Tcl_GetStringResult(interp_);
        Tcl_RestoreInterpState(interp_, state);
        return ok;
    };
    h.on_command = [this](RegisteredCommand &command) {
        Tcl_CreateObjCommand(interp_, command.name.c_str(), call_plugin_command, &command, nullptr);
    };
}

Shell::~Shell()
{
    Host &h = host();
    h.eval = nullptr;
    h.on_command = nullptr;
    h.on_message = nullptr;
    Tcl_DeleteInterp(interp_);
}

void Shell::load(const std::string &dir, bool initialise)
{
    plugin_ = load_plugin(dir);
    if (initialise) init_plugin(plugin_);
}

namespace {

std::string error_info(Tcl_Interp *interp)
{
    const char *info = Tcl_GetVar(interp, "errorInfo", TCL_GLOBAL_ONLY);
    return info ? info : Tcl_GetStringResult(interp);
}

}  // namespace

bool Shell::eval(const std::string &script, std::string &error)
{
    if (Tcl_EvalEx(interp_, script.c_str(), -1, TCL_EVAL_GLOBAL) == TCL_OK) return true;
    error = error_info(interp_);
    return false;
}

bool Shell::eval_file(const std::string &path, std::string &error)
{
    if (Tcl_EvalFile(interp_, path.c_str()) == TCL_OK) return true;
    error = error_info(interp_);
    return false;
}

}  // namespace standin
