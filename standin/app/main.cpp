// standin: a stand-in for the modeller that loads the rilo plug-in and runs Tcl.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "apply.h"
#include "error.h"
#include "gui.h"
#include "host.h"
#include "rilo_version.h"
#include "shell.h"

namespace {

using standin::Error;
using standin::Shell;

// Exit statuses: what was asked failed, or the command line was wrong.
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Step {
    enum Kind { inline_text, script, model } kind;  // -c TCL, a script file, a model for the window
    std::string text;
};

struct CommandLine {
    std::string plugin_dir = standin::default_plugin_dir();
    std::vector<Step> steps;
    bool gui = false;
    bool initialise = true;
    std::vector<std::string> script_args;
    std::optional<standin::ApplyOptions> apply;
};

// The options, the scripts and the apply subcommand, with their help.
struct Parser {
    CLI::App app{"A stand-in for the modeller: loads the rilo plug-in and runs Tcl.", "standin"};
    CLI::App *apply = nullptr;
    CLI::Option *inline_text = nullptr, *scripts = nullptr;
    std::vector<std::string> texts, files;
    standin::ApplyOptions apply_options;

    explicit Parser(CommandLine &line)
    {
        app.set_version_flag("--version", "standin " RILO_VERSION);
        app.footer("With neither -c nor a script, Tcl is read from standard input (not with --gui).\n"
                   "Exit status: 0 success, 1 the job failed, 2 the command line was wrong.");
        app.add_flag("--gui", line.gui, "open the main window (Tk) and run its event loop after the scripts");
        app.add_option("--plugins", line.plugin_dir,
                       "load rilo.p from DIR (default: this program's folder, or ../lib/rilo beside it)")
            ->type_name("DIR");
        app.add_flag_callback(
            "--no-init", [&line] { line.initialise = false; },
            "load the plug-in but leave its initialisation to standin init");
        inline_text = app.add_option("-c", texts, "evaluate TCL (may be repeated; runs in order with the scripts)")
                          ->type_name("TCL")
                          ->expected(1)
                          ->allow_extra_args(false)
                          ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        scripts =
            app.add_option(
                   "SCRIPT.tcl", files,
                   "evaluate a script file (with --gui, a MODEL.ac opens in the window); -- ARG ... become its argv")
                ->type_name("");
        apply = app.add_subcommand("apply", "run the waveform on a model file (apply --help lists its options)");
        standin::define_apply_options(*apply, apply_options);
        apply->excludes(inline_text)->excludes(scripts);
    }

    // The -c texts and the scripts in the order they were given; with the
    // window, a model file is opened in it rather than run.
    std::vector<Step> steps(bool gui)
    {
        std::vector<Step> out;
        std::size_t t = 0, f = 0;
        for (const CLI::Option *o : app.parse_order()) {
            if (o == inline_text && t < texts.size()) out.push_back({Step::inline_text, texts[t++]});
            if (o == scripts && f < files.size()) out.push_back(file_step(files[f++], gui));
        }
        return out;
    }

    // With the window, a folder is no script: it is opened as a model is,
    // and refused as File > Open refuses it.
    static Step file_step(const std::string &file, bool gui)
    {
        std::error_code ignored;
        const bool model = (file.size() > 3 && file.ends_with(".ac")) || std::filesystem::is_directory(file, ignored);
        return {gui && model ? Step::model : Step::script, file};
    }
};

// Parses the command line; the words after the first "--" become the
// scripts' argv. Returns an exit status when there is nothing more to do
// (help, version, or a wrong command line).
std::optional<int> parse_command_line(int argc, char **argv, CommandLine &line)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    const auto dashes = std::find(words.begin(), words.end(), "--");
    if (dashes != words.end()) line.script_args.assign(dashes + 1, words.end());
    words.erase(dashes, words.end());
    Parser parser(line);
    try {
        parser.app.parse(std::vector<std::string>(words.rbegin(), words.rend()));
        if (parser.apply->parsed()) {
            if (line.gui) throw CLI::ValidationError("--gui", "apply runs without the window");
            // After "--", apply takes object names, not a script's argv.
            parser.apply_options.after_dashes = std::move(line.script_args);
            line.script_args.clear();
            standin::check_apply_options(parser.apply_options);
            line.apply = parser.apply_options;
        }
        line.steps = parser.steps(line.gui);
    } catch (const CLI::CallForHelp &e) {
        return parser.app.exit(e);
    } catch (const CLI::CallForVersion &e) {
        return parser.app.exit(e);
    } catch (const CLI::ParseError &e) {
        const std::string what = parser.apply->parsed() ? standin::apply_usage_message(*parser.apply, e, line.script_args) : e.what();
        const std::string help = parser.apply->parsed() ? standin::kApplyHelp : "standin --help lists the options";
        std::cerr << "standin: " << what << "\n(" << help << ")\n";
        return kUsage;
    }
    return std::nullopt;
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
    if (line.gui) gui_start(shell);
    shell.load(line.plugin_dir, line.initialise);
    if (line.gui) gui_build_main_window(shell);
}

// Runs the -c texts and scripts in order, printing each text's non-empty
// result, and opens the models named for the window; a failure throws
// (ScriptError, or Error for a model) and stops.
void run_steps(Shell &shell, const std::vector<Step> &steps)
{
    for (const Step &step : steps) {
        if (step.kind == Step::model) {
            gui_open_model(shell, step.text);
        } else if (step.kind == Step::script) {
            shell.eval_file(step.text);
        } else {
            shell.eval(step.text);
            const char *result = Tcl_GetStringResult(shell.interp());
            if (*result != '\0') std::cout << result << "\n";
        }
    }
}

// Reads Tcl from standard input, one complete command at a time, with a
// prompt when it is a terminal.  As in tclsh, argv0 is the program and
// tcl_interactive says whether a person is typing.
int read_eval_print(Shell &shell, const char *program)
{
    const bool terminal = isatty(STDIN_FILENO) != 0;
    Tcl_SetVar2Ex(shell.interp(), "argv0", nullptr, Tcl_NewStringObj(program, -1), TCL_GLOBAL_ONLY);
    Tcl_SetVar2Ex(shell.interp(), "tcl_interactive", nullptr, Tcl_NewIntObj(terminal), TCL_GLOBAL_ONLY);
    std::string pending, line;
    int status = 0;
    if (terminal) std::cout << "% " << std::flush;
    while (std::getline(std::cin, line)) {
        pending += line + "\n";
        if (!Tcl_CommandComplete(pending.c_str())) continue;
        try {
            shell.eval(pending);
            const char *result = Tcl_GetStringResult(shell.interp());
            if (terminal && *result != '\0') std::cout << result << "\n";
        } catch (const standin::ScriptError &e) {
            if (!terminal) throw;
            std::cerr << e.what() << "\n";
            status = kFailed;
        }
        pending.clear();
        if (terminal) std::cout << "% " << std::flush;
    }
    return status;
}

}  // namespace

int main(int argc, char **argv)
{
    std::string doing = "reading the command line";
    try {
        CommandLine line;
        if (const std::optional<int> status = parse_command_line(argc, argv, line)) return *status;
        Tcl_FindExecutable(argv[0]);
        Shell shell;
        set_script_args(shell, line.script_args);
        doing = "starting";
        start(shell, line);
        doing = line.apply ? "running apply on " + line.apply->in : "running the scripts";
        if (line.apply) {
            std::cout << apply_to_file(standin::host(), *line.apply) << std::endl;
            // The files are written and synced; the scene, the model and the
            // interpreter are left for the system to free with the process.
            std::fflush(nullptr);
            std::_Exit(std::ferror(stdout) ? kFailed : 0);
        } else if (line.steps.empty() && !line.gui) {
            return read_eval_print(shell, argv[0]);
        } else {
            run_steps(shell, line.steps);
        }
        if (line.gui) gui_run();
        return 0;
    } catch (const std::bad_alloc &) {  // the last resort: what it was doing did not fit in memory
        std::cerr << "standin: out of memory while " << doing << "\n";
        return kFailed;
    } catch (const standin::ScriptError &e) {  // Tcl's account, as tclsh prints it
        std::cerr << e.what() << "\n";
        return kFailed;
    } catch (const standin::UsageError &e) {
        std::cerr << "standin: " << e.what() << "\n";
        return kUsage;
    } catch (const std::exception &e) {  // standin::Error, and ac::Error from model files
        std::cerr << "standin: " << e.what() << "\n";
        return kFailed;
    }
}
