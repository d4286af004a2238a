// standin: a stand-in for the modeller that loads the rilo plug-in and runs Tcl.
#include <unistd.h>

#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "apply.h"
#include "error.h"
#include "gui.h"
#include "host.h"
#include "shell.h"

namespace {

using standin::Error;
using standin::Shell;

const char kUsage[] =
    "usage: standin [--gui] [--plugins DIR] [--no-init] [-c TCL] [SCRIPT.tcl ...] [-- ARG ...]\n"
    "       standin --gui [OPTION ...] MODEL.ac [SCRIPT.tcl ...]\n"
    "       standin [--plugins DIR] apply IN.ac OUT.ac OPTION ...\n"
    "  --gui          open the main window (Tk) and run its event loop after the scripts\n"
    "  --plugins DIR  load rilo.p from DIR (default: this program's folder, or ../lib/rilo)\n"
    "  --no-init      load the plug-in but leave its initialisation to \"standin init\"\n"
    "  -c TCL         evaluate TCL (may be repeated; runs in order with the scripts)\n"
    "  SCRIPT.tcl     evaluate a script file\n"
    "  -- ARG ...     the rest of the line becomes the scripts' argv\n"
    "  apply          run the waveform on a model file; \"standin apply\" alone lists the options\n"
    "With neither -c nor a script, Tcl is read from standard input (not with --gui).\n";

// Exit statuses: the stand-in could not start (or was called wrongly), or
// what it was asked to do failed.
constexpr int kCannotStart = 2;
constexpr int kFailed = 1;

struct Step {
    bool inline_text;  // -c TCL, or else a script file
    std::string text;
};

struct CommandLine {
    std::string plugin_dir = standin::default_plugin_dir();
    std::vector<Step> steps;
    bool gui = false;
    bool initialise = true;
    bool help = false;
    std::vector<std::string> script_args;
    std::optional<std::vector<std::string>> apply;  // the words after "apply"
};

CommandLine parse_command_line(int argc, char **argv)
{
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            line.script_args.assign(argv + i + 1, argv + argc);
            break;
        }
        if (arg == "--plugins" && i + 1 < argc) {
            line.plugin_dir = argv[++i];
        } else if (arg == "-c" && i + 1 < argc) {
            line.steps.push_back({true, argv[++i]});
        } else if (arg == "--gui") {
            line.gui = true;
        } else if (arg == "--no-init") {
            line.initialise = false;
        } else if (arg == "-h" || arg == "--help") {
            line.help = true;
            break;
        } else if (arg == "apply" && line.steps.empty()) {
            line.apply.emplace(argv + i + 1, argv + argc);  // the rest of the line is the job's
            break;
        } else if (!arg.empty() && arg[0] == '-') {
            const std::string usage(kUsage, sizeof kUsage - 2);  // printed with its own final newline
            throw Error("unknown option " + arg + "\n" + usage);
        } else {
            line.steps.push_back({false, arg});
        }
    }
    // With the window, a model file is opened in it rather than run.
    for (Step &step : line.steps) {
        if (line.gui && !step.inline_text && step.text.size() > 3 && step.text.ends_with(".ac")) {
            const char *words[] = {"::standin::gui::open_model", step.text.c_str()};
            char *command = Tcl_Merge(2, words);
            step = {true, command};
            Tcl_Free(command);
        }
    }
    return line;
}

void set_script_args(Shell &shell, const std::vector<std::string> &script_args)
{
    Tcl_Obj *args = Tcl_NewListObj(0, nullptr);
    for (const auto &a : script_args) Tcl_ListObjAppendElement(nullptr, args, Tcl_NewStringObj(a.c_str(), -1));
    Tcl_SetVar2Ex(shell.interp(), "argv", nullptr, args, TCL_GLOBAL_ONLY);
    Tcl_SetVar2Ex(shell.interp(), "argc", nullptr, Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(script_args.size())),
                  TCL_GLOBAL_ONLY);
}

// Tk before the plug-in, so that its script finds Tk as in the modeller.
void start(Shell &shell, const CommandLine &line)
{
    std::string error;
    if (line.gui && !gui_start(shell, error)) throw Error(error);
    shell.load(line.plugin_dir, line.initialise);
    if (line.gui && !gui_build_main_window(shell, error)) throw Error(error);
}

// Runs the -c texts and scripts in order, printing each text's non-empty
// result; a failure prints Tcl's account of it and stops.
bool run_steps(Shell &shell, const std::vector<Step> &steps)
{
    for (const Step &step : steps) {
        std::string error;
        if (!(step.inline_text ? shell.eval(step.text, error) : shell.eval_file(step.text, error))) {
            std::cerr << error << "\n";
            return false;
        }
        const char *result = Tcl_GetStringResult(shell.interp());
        if (step.inline_text && *result != '\0') std::cout << result << "\n";
    }
    return true;
}

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
            status = kFailed;
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
    int failure = kCannotStart;
    std::string doing = "starting";
    try {
        const CommandLine line = parse_command_line(argc, argv);
        if (line.help) {
            std::cout << kUsage;
            return 0;
        }
        Tcl_FindExecutable(argv[0]);
        Shell shell;
        set_script_args(shell, line.script_args);
        start(shell, line);
        failure = kFailed;
        doing = !line.apply ? "running the scripts" : line.apply->empty() ? "running apply" : "running apply on " + line.apply->front();
        if (line.apply) {
            std::cout << apply_to_file(standin::host(), standin::parse_apply_options(*line.apply)) << "\n";
        } else if (line.steps.empty() && !line.gui) {
            return read_eval_print(shell);
        } else if (!run_steps(shell, line.steps)) {
            return kFailed;
        }
        if (line.gui) gui_run();
        return 0;
    } catch (const std::bad_alloc &) {  // the last resort: what it was doing did not fit in memory
        std::cerr << "standin: out of memory while " << doing << "\n";
        return failure;
    } catch (const std::exception &e) {  // standin::Error, and ac::Error from model files
        std::cerr << "standin: " << e.what() << "\n";
        return failure;
    }
}
