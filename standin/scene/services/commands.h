// The commands and menu items plug-ins register, and how the host runs a
// command: as the modeller does, or as the live preview.
#ifndef RILO_STANDIN_COMMANDS_H
#define RILO_STANDIN_COMMANDS_H

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "ac3d.h"

namespace standin {

struct MenuItem {
    std::string label;
    std::string command;
    std::string help;
};

struct RegisteredCommand {
    std::string name;
    ac_command_proc proc;
    int nparams;
    int style;
    std::string usage;
    std::string description;
};

// What plug-ins registered, in the order registered.  A command stays in
// place until the registrations are forgotten: interpreters keep a pointer
// to each.
class CommandRegistry {
public:
    const std::vector<MenuItem> &menu() const { return menu_; }
    const std::deque<RegisteredCommand> &commands() const { return commands_; }
    const RegisteredCommand *find(const std::string &name) const;

    void add_menu_item(MenuItem item) { menu_.push_back(std::move(item)); }
    RegisteredCommand &add(RegisteredCommand command)
    {
        commands_.push_back(std::move(command));
        return commands_.back();
    }
    void forget()
    {
        menu_.clear();
        commands_.clear();
    }

private:
    std::vector<MenuItem> menu_;
    std::deque<RegisteredCommand> commands_;
};

// The one request of the modeller's own Tcl command "ac3d" the host
// understands: "ac3d remake_subdivisions".
inline constexpr std::string_view kAc3dRequest = "remake_subdivisions";

// Carries out "ac3d WORD": the request is counted.  False, doing nothing,
// for any other word.
bool ac3d_request(std::string_view word);

// Handles what a host without an interpreter understands: counts the
// ac3d remake_subdivisions request and accepts a source request quietly.
// True if the text was one of these.
bool host_builtin_command(const std::string &text);

// What became of a plug-in command.  A command refuses by showing a message.
struct CommandOutcome {
    bool refused = false;
    std::string message;  // the last message it showed, when it refused
};

// Runs a plug-in command as the modeller does: the host's checks around a
// call of the registered procedure with the count and the strings, entry 0
// being the command's name and the array ending with a null.
// A live preview shown takes that command's place: it is taken back first.
CommandOutcome invoke_command(const RegisteredCommand &command, const std::vector<std::string> &params);

// Runs a plug-in command as the live preview, in place of the one shown:
// with the checks on, its undo step set aside, and no record kept of what
// it said (its message, when it refused, is shown and returned).  Throws
// Error while a plug-in command runs.
CommandOutcome run_live_preview(const RegisteredCommand &command, const std::vector<std::string> &params);

}  // namespace standin

#endif
