#include "shell.h"

#include <cstring>
#include <new>
#include <vector>

#include "acfile.h"
#include "error.h"
#include "host.h"
#include "host_tcl.h"
#include "subcommands.h"

namespace standin {

namespace {

// The standin command: its subcommands, by topic.
int standin_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const TableCommand command{
        "standin", {scene_subcommands(), session_subcommands(), file_subcommands()}, Listing::alphabetical};
    return run_subcommand(command, data, interp, objc, objv);
}

// The error's code (errorCode) by its kind; docs/standin.md lists them.
void fail(Tcl_Interp *interp, const std::string &message, const char *kind)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message.c_str(), -1));
    Tcl_SetErrorCode(interp, "STANDIN", kind, nullptr);
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
    // The error's own options, not the errorInfo variable: a failure that
    // adds no account (a script file that cannot be read) leaves that as an
    // earlier error set it.
    Tcl_Obj *options = Tcl_GetReturnOptions(interp, TCL_ERROR);
    Tcl_Obj *key = Tcl_NewStringObj("-errorinfo", -1);
    Tcl_IncrRefCount(options);
    Tcl_IncrRefCount(key);
    Tcl_Obj *info = nullptr;
    const std::string text = Tcl_DictObjGet(nullptr, options, key, &info) == TCL_OK && info != nullptr
                                 ? Tcl_GetString(info)
                                 : Tcl_GetStringResult(interp);
    Tcl_DecrRefCount(key);
    Tcl_DecrRefCount(options);
    return text;
}

int run_command_body(Tcl_Interp *interp, const char *name, const std::function<Tcl_Obj *()> &body)
{
    try {
        Tcl_Obj *result = body();
        Tcl_SetObjResult(interp, result != nullptr ? result : Tcl_NewObj());
        return TCL_OK;
    } catch (const std::bad_alloc &) {  // the last resort: the command did not fit in memory
        fail(interp, std::string("out of memory in ") + name, "ERROR");
    } catch (const UsageError &e) {
        fail(interp, e.what(), "USAGE");
    } catch (const ScriptError &e) {
        fail(interp, e.what(), "SCRIPT");
    } catch (const Error &e) {
        fail(interp, e.what(), "REFUSED");
    } catch (const ac::Error &e) {
        fail(interp, e.what(), "MODEL");
    } catch (const std::exception &e) {
        fail(interp, e.what(), "ERROR");
    }
    return TCL_ERROR;
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
