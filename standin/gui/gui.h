// The stand-in's windows: Tk in the interpreter, a main window with the
// modeller's Tools menu, and the host's messages shown in message boxes.
#ifndef RILO_STANDIN_GUI_H
#define RILO_STANDIN_GUI_H

#include <string>

namespace standin {
class Shell;
}
using standin::Shell;

// Loads Tk into the interpreter, sources the window's script (window.tcl
// beside the program, or $STANDIN_WINDOW_SCRIPT) and routes the host's
// messages to it.  Call before the plug-in is loaded, so that its script
// finds Tk as it would in the modeller.  Throws Error when there is no
// display or no script.
void gui_start(Shell &shell);

// Builds the main window; its Tools menu lists the entries registered so
// far.  Throws Error when the window's script fails.
void gui_build_main_window(Shell &shell);

// Opens the model in PATH in the main window, as File > Open does; throws
// Error with the one line File > Open shows when it cannot.
void gui_open_model(Shell &shell, const std::string &path);

// Runs the event loop until the main window is closed.
void gui_run();

#endif
