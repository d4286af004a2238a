// The stand-in's Tcl interpreter: the modeller's scripting side and the
// "standin" command that scripts and tests use to drive the scene.
#ifndef RILO_STANDIN_SHELL_H
#define RILO_STANDIN_SHELL_H

#include <tcl.h>

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
    // Evaluates Tcl text or a file at global level; false with the error
    // text (Tcl's errorInfo), which is for a script's author rather than an
    // Error of the stand-in.
    bool eval(const std::string &script, std::string &error);
    bool eval_file(const std::string &path, std::string &error);
    LoadedPlugin &plugin() { return plugin_; }

private:
    Tcl_Interp *interp_;
    LoadedPlugin plugin_;
};

}  // namespace standin

#endif
