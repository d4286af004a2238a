// Long loads and saves in the window: the host's progress reaches the
// window's script, which shows it and repaints the window meanwhile.
#ifndef RILO_STANDIN_BUSY_H
#define RILO_STANDIN_BUSY_H

#include <tcl.h>

#include <initializer_list>
#include <optional>
#include <string>

// How a command failed: its error's text and code.
struct Failure {
    std::string text;
    std::string code;
};

// Evaluates the command WORDS (new objects, released here) without
// disturbing the result of the command that is running; how it failed, or
// nothing.
std::optional<Failure> eval_keeping_result(Tcl_Interp *interp, std::initializer_list<Tcl_Obj *> words);

// Evaluates the command WORDS as eval_keeping_result does; a failure is
// printed on standard error, saying it could not WHAT. A failure with the
// error code STANDIN CANCEL, the user's Cancel, throws standin::Error
// instead, which stops the load or save that asked (a load changes nothing,
// a save stops before its file replaces the old one).
void call_keeping_result(Tcl_Interp *interp, std::initializer_list<Tcl_Obj *> words, const char *what);

// Hands each progress report of the host to ::standin::gui::progress, and
// has model files read into memory so the window's model outlives changes
// other programs make to its file.
void watch_progress(Tcl_Interp *interp);

#endif
