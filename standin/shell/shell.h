// The stand-in's Tcl interpreter: the modeller's scripting side and the
// "standin" command that scripts and tests use to drive the scene.
#ifndef RILO_STANDIN_SHELL_H
#define RILO_STANDIN_SHELL_H

#include <tcl.h>

#include <functional>
#include <string>

#include "plugin_loader.h"

namespace standin {

class Shell {
public:
    Shell();
    ~Shell();
    Shell(const Shell &) = delete;
    Shell &operator=(const Shell &) = delete;

    Tcl_Interp *interp() const { return interp_; }
    // Loads the plug-in in DIR and, if asked, initialises it; throws Error
    // when it cannot be loaded.
    void load(const std::string &dir, bool initialise);
    // Evaluates Tcl text or a file at global level; throws ScriptError with
    // Tcl's account of a failure, which is for the script's author.
    void eval(const std::string &script);
    void eval_file(const std::string &path);
    LoadedPlugin &plugin() { return plugin_; }

private:
    Tcl_Interp *interp_;
    LoadedPlugin plugin_;
};

// Tcl's account of the error INTERP last met: errorInfo, or else the result.
std::string error_info(Tcl_Interp *interp);

// Runs the body of the Tcl command NAME and sets its result (an empty one
// for null).  The stand-in's and the model library's errors become the Tcl
// error here, and only here, with an error code by their kind: STANDIN
// USAGE, SCRIPT, REFUSED, MODEL or ERROR (docs/standin.md says which is which).
int run_command_body(Tcl_Interp *interp, const char *name, const std::function<Tcl_Obj *()> &body);

}  // namespace standin

#endif
