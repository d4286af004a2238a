// standin: a stand-in for the modeller that loads the rilo plug-in and runs Tcl.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "gui.h"
#include "host.h"
#include "shell.h"

namespace {

const char kUsage[] =
    "usage: standin [--gui] [--plugins DIR] [--no-init] [-c TCL] [SCRIPT.tcl ...] [-- ARG ...]\n"
    "       standin [--plugins DIR] apply IN.ac OUT.ac OPTION ...\n"
    "  --gui          open the main window (Tk) and run its event loop after the scripts\n"
    "  --plugins DIR  load rilo.p from DIR (default: the folder of this program)\n"
    "  --no-init      load the plug-in but leave its initialisation to \"standin init\"\n"
    "  -c TCL         evaluate TCL (may be repeated; runs in order with the scripts)\n"
    "  SCRIPT.tcl     evaluate a script file\n"
    "  -- ARG ...     the rest of the line becomes the scripts' argv\n"
    "  apply          run the waveform on a model file; \"standin apply\" alone lists the options\n"
    "With neither -c nor a script, Tcl is read from standard input (not with --gui).\n";

struct Step {
    bool inline_text;
    std::string text;
    bool brief_error = false;  // report only the message, not where Tcl was
};

// Reads Tcl from standard input, one complete command at a time, with a
// prompt when it is a terminal.
int read_eval_print(Shell &shell)
{
    const bool terminal = isatty(STDIN_FILENO) != 0;
    std::string pending, line;
    int status = 0;
    if (terminal) std::cout << "% " << std::flush;
    while (std::getline(std::cin, line)) {
        pending += line + "\n";
        if (!Tcl_CommandComplete(pending.c_str())) continue;
        std::string error;
        if (shell.eval(pending, error)) {
            const char *result = Tcl_GetStringResult(shell.interp());
            if (terminal && *result != '\0') std::cout << result << "\n";
        } else {
            std::cerr << error << "\n";
            status = 1;
            if (!terminal) return status;
        }
        pending.clear();
        if (terminal) std::cout << "% " << std::flush;
    }
    return status;
}

}  // namespace

int main(int argc, char **argv)
{
    std::string plugin_dir = default_plugin_dir();
    std::vector<Step> steps;
    bool gui = false;
    bool initialise = true;
    std::vector<std::string> script_args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            script_args.assign(argv + i + 1, argv + argc);
            break;
        }
        if ((arg == "--plugins" || arg == "-c") && i + 1 < argc) {
            if (arg == "--plugins") {
                plugin_dir = argv[++i];
            } else {
                steps.push_back({true, argv[++i]});
            }
        } else if (arg == "--gui") {
            gui = true;
        } else if (arg == "--no-init") {
            initialise = false;
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "apply" && steps.empty()) {
            // The rest of the line is the apply subcommand's words.
            std::vector<const char *> words{"standin"};
            words.insert(words.end(), argv + i, argv + argc);
            char *command = Tcl_Merge(static_cast<int>(words.size()), words.data());
            steps.push_back({true, command, true});
            Tcl_Free(command);
            break;
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "standin: unknown option " << arg << "\n" << kUsage;
            return 2;
        } else {
            steps.push_back({false, arg});
        }
    }

    Tcl_FindExecutable(argv[0]);
    Shell shell;
    Tcl_Obj *args = Tcl_NewListObj(0, nullptr);
    for (const auto &a : script_args) Tcl_ListObjAppendElement(nullptr, args, Tcl_NewStringObj(a.c_str(), -1));
    Tcl_SetVar2Ex(shell.interp(), "argv", nullptr, args, TCL_GLOBAL_ONLY);
    Tcl_SetVar2Ex(shell.interp(), "argc", nullptr, Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(script_args.size())),
                  TCL_GLOBAL_ONLY);
    std::string error;
    if (gui && !gui_start(shell, error)) {
        std::cerr << "standin: " << error << "\n";
        return 2;
    }
    if (!shell.load(plugin_dir, initialise, error)) {
        std::cerr << "standin: " << error << "\n";
        return 2;
    }
    if (gui && !gui_build_main_window(shell, error)) {
        std::cerr << "standin: " << error << "\n";
        return 2;
    }
    if (steps.empty() && !gui) return read_eval_print(shell);
    for (const Step &step : steps) {
        const bool ok = step.inline_text ? shell.eval(step.text, error) : shell.eval_file(step.text, error);
        if (!ok) {
            std::cerr << (step.brief_error ? "standin: " + std::string(Tcl_GetStringResult(shell.interp())) : error)
                      << "\n";
            return 1;
        }
        const char *result = Tcl_GetStringResult(shell.interp());
        if (step.inline_text && *result != '\0') std::cout << result << "\n";
    }
    if (gui) gui_run();
    return 0;
}
