#include "busy.h"

#include <cstdio>
#include <vector>

#include "error.h"
#include "host.h"

std::optional<Failure> eval_keeping_result(Tcl_Interp *interp, std::initializer_list<Tcl_Obj *> words)
{
    Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
    const std::vector<Tcl_Obj *> objv(words);
    for (Tcl_Obj *word : objv) Tcl_IncrRefCount(word);
    std::optional<Failure> failed;
    if (Tcl_EvalObjv(interp, static_cast<int>(objv.size()), objv.data(), TCL_EVAL_GLOBAL) != TCL_OK) {
        const char *code = Tcl_GetVar(interp, "errorCode", TCL_GLOBAL_ONLY);
        failed = Failure{Tcl_GetStringResult(interp), code != nullptr ? code : ""};
    }
    for (Tcl_Obj *word : objv) Tcl_DecrRefCount(word);
    Tcl_RestoreInterpState(interp, state);
    return failed;
}

void call_keeping_result(Tcl_Interp *interp, std::initializer_list<Tcl_Obj *> words, const char *what)
{
    const std::optional<Failure> failed = eval_keeping_result(interp, words);
    if (!failed) return;
    if (failed->code == "STANDIN CANCEL") throw standin::Error("cancelled");
    std::fprintf(stderr, "standin: cannot %s: %s\n", what, failed->text.c_str());
}

void watch_progress(Tcl_Interp *interp)
{
    standin::host().guard_files = true;
    standin::host().on_progress = [interp](const char *doing, uint64_t done, uint64_t total) {
        call_keeping_result(interp,
                            {Tcl_NewStringObj("::standin::gui::progress", -1), Tcl_NewStringObj(doing, -1),
                             Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(done)),
                             Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(total))},
                            "show the progress");
    };
}
