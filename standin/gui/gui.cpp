#include "gui.h"

#include <tk.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "acfile.h"
#include "busy.h"
#include "error.h"
#include "host.h"
#include "plugin_loader.h"
#include "shell.h"
#include "view_command.h"

using standin::Error;
using standin::host;

namespace {

// The main window's script: window.tcl beside the plug-in the stand-in
// loads by default (the build folder, or lib/rilo of an installation), or the file
// named by STANDIN_WINDOW_SCRIPT while the window is being worked on.
std::string window_script_path()
{
    const char *chosen = std::getenv("STANDIN_WINDOW_SCRIPT");
    if (chosen != nullptr && *chosen != '\0') return chosen;
    return standin::default_plugin_dir() + "/window.tcl";
}

// Hands a message to ::standin::gui::message without disturbing the
// result of the command that is running.
void show_message(Tcl_Interp *interp, const std::string &text)
{
    call_keeping_result(interp,
                        {Tcl_NewStringObj("::standin::gui::message", -1),
                         Tcl_NewStringObj(text.c_str(), static_cast<int>(text.size()))},
                        "show the message");
}

// The window follows the host at its next idle moment, once however many
// changes were told before it.
void follow_host_when_idle(Tcl_Interp *interp)
{
    static bool pending = false;
    if (pending) return;
    pending = true;
    Tcl_DoWhenIdle(
        [](ClientData data) {
            pending = false;
            auto *interp = static_cast<Tcl_Interp *>(data);
            if (Tcl_EvalEx(interp, "::standin::gui::host_changed", -1, TCL_EVAL_GLOBAL) != TCL_OK)
                Tcl_BackgroundException(interp, TCL_ERROR);
        },
        interp);
}

// A plug-in command starts: the window shows itself busy, or refuses it
// while it loads or saves (Error).
void tell_command_starts(Tcl_Interp *interp, const std::string &name)
{
    const std::optional<Failure> refused =
        eval_keeping_result(interp, {Tcl_NewStringObj("::standin::gui::applying", -1),
                                     Tcl_NewStringObj(name.c_str(), static_cast<int>(name.size()))});
    if (refused) throw Error(refused->text);
}

// A command's work ends, however it ends: nothing may be thrown from here.
void tell_work_ended(Tcl_Interp *interp, const std::string &what)
{
    try {
        call_keeping_result(interp,
                            {Tcl_NewStringObj("::standin::gui::work_ended", -1),
                             Tcl_NewStringObj(what.c_str(), static_cast<int>(what.size()))},
                            "show the work ended");
    } catch (const Error &) {
        // A cancel asked for as the work ends has nothing left to cancel.
    }
}

// Reads the window's script; a missing file is named in the error.
void source_window_script(Tcl_Interp *interp)
{
    const std::string path = window_script_path();
    if (!std::ifstream(path)) {
        throw Error("cannot read the window script " + path + " (set STANDIN_WINDOW_SCRIPT to its path)");
    }
    if (Tcl_EvalFile(interp, path.c_str()) != TCL_OK) {
        throw Error("in the window script " + path + ": " + standin::error_info(interp));
    }
}

}  // namespace

void gui_start(Shell &shell)
{
    Tcl_Interp *interp = shell.interp();
    // Tk names the application and its window class after argv0.
    if (Tcl_GetVar(interp, "argv0", TCL_GLOBAL_ONLY) == nullptr) {
        Tcl_SetVar(interp, "argv0", "standin", TCL_GLOBAL_ONLY);
    }
    // Tk takes its own options out of argv; the scripts' arguments are not for it.
    Tcl_Obj *script_args = Tcl_GetVar2Ex(interp, "argv", nullptr, TCL_GLOBAL_ONLY);
    if (script_args != nullptr) Tcl_IncrRefCount(script_args);
    Tcl_SetVar2Ex(interp, "argv", nullptr, Tcl_NewObj(), TCL_GLOBAL_ONLY);
    const bool started = Tk_Init(interp) == TCL_OK;
    const std::string why = started ? "" : Tcl_GetStringResult(interp);
    if (script_args != nullptr) {
        Tcl_SetVar2Ex(interp, "argv", nullptr, script_args, TCL_GLOBAL_ONLY);
        Tcl_DecrRefCount(script_args);
    } else {
        Tcl_UnsetVar(interp, "argv", TCL_GLOBAL_ONLY);
    }
    if (!started) throw Error(why);
    register_view_command(interp);
    source_window_script(interp);
    host().on_message = [interp](const std::string &text) { show_message(interp, text); };
    host().on_change = [interp] { follow_host_when_idle(interp); };
    host().on_work = [interp](const std::string &what, bool running) {
        if (running) {
            tell_command_starts(interp, what);
        } else {
            tell_work_ended(interp, what);
        }
    };
    watch_progress(interp);
}

void gui_build_main_window(Shell &shell)
{
    // Its failure is the stand-in's, not a script of the user's: "standin: " and Tcl's account.
    if (Tcl_EvalEx(shell.interp(), "::standin::gui::build", -1, TCL_EVAL_GLOBAL) != TCL_OK) {
        throw Error(standin::error_info(shell.interp()));
    }
}

void gui_open_model(Shell &shell, const std::string &path)
{
    Tcl_Interp *interp = shell.interp();
    Tcl_Obj *words[] = {Tcl_NewStringObj("::standin::gui::open_at_start", -1),
                        Tcl_NewStringObj(path.c_str(), static_cast<int>(path.size()))};
    Tcl_Obj *command = Tcl_NewListObj(2, words);
    Tcl_IncrRefCount(command);
    const int status = Tcl_EvalObjEx(interp, command, TCL_EVAL_GLOBAL);
    Tcl_DecrRefCount(command);
    // The window's own line, not Tcl's account of where it was raised.
    if (status != TCL_OK) throw Error(ac::one_line(Tcl_GetStringResult(interp)));
}

void gui_run()
{
    Tk_MainLoop();
}
