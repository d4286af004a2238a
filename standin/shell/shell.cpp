#include "shell.h"

#include <charconv>
#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

#include "host.h"
#include "subcommands.h"

namespace {

// Calls a plug-in's command procedure with the count and the strings,
// entry 0 being the command name, as the modeller does for the argv style.
int call_plugin_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    auto *command = static_cast<RegisteredCommand *>(data);
    std::vector<char *> argv(static_cast<size_t>(objc) + 1, nullptr);
    for (int i = 0; i < objc; ++i) argv[static_cast<size_t>(i)] = Tcl_GetString(objv[i]);
    Tcl_ResetResult(interp);
    host().begin_command();
    command->proc(objc, argv.data());
    host().end_command();
    return TCL_OK;
}

int ac3d_command(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc == 2 && std::strcmp(Tcl_GetString(objv[1]), "remake_subdivisions") == 0) {
        ++host().counts.remake_subdivisions;
        return TCL_OK;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj("usage: ac3d remake_subdivisions", -1));
    return TCL_ERROR;
}

int standin_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    auto *shell = static_cast<Shell *>(data);
    if (objc < 2) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(("usage: standin " + subcommand_names()).c_str(), -1));
        return TCL_ERROR;
    }
    const std::string name = Tcl_GetString(objv[1]);
    const Subcommand *sub = find_subcommand(name);
    if (sub == nullptr) {
        Tcl_SetObjResult(interp,
                         Tcl_NewStringObj(("unknown subcommand \"" + name + "\": must be " + subcommand_names()).c_str(), -1));
        return TCL_ERROR;
    }
    try {
        Args args{interp, objc - 2, objv + 2};
        Tcl_Obj *result = sub->run(*shell, args);
        Tcl_SetObjResult(interp, result != nullptr ? result : Tcl_NewObj());
        return TCL_OK;
    } catch (const std::exception &e) {
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
    add_scene_subcommands();
    add_session_subcommands();
    add_file_subcommands();
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

bool Shell::load(const std::string &dir, bool initialise, std::string &error)
{
    if (!load_plugin(dir, plugin_, error)) return false;
    if (initialise) init_plugin(plugin_);
    return true;
}

bool Shell::eval(const std::string &script, std::string &error)
{
    if (Tcl_EvalEx(interp_, script.c_str(), -1, TCL_EVAL_GLOBAL) == TCL_OK) return true;
    error = Tcl_GetVar(interp_, "errorInfo", TCL_GLOBAL_ONLY) ? Tcl_GetVar(interp_, "errorInfo", TCL_GLOBAL_ONLY)
                                                                : Tcl_GetStringResult(interp_);
    return false;
}

bool Shell::eval_file(const std::string &path, std::string &error)
{
    if (Tcl_EvalFile(interp_, path.c_str()) == TCL_OK) return true;
    const char *info = Tcl_GetVar(interp_, "errorInfo", TCL_GLOBAL_ONLY);
    error = info ? info : Tcl_GetStringResult(interp_);
    return false;
}
