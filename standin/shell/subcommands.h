// The subcommands of the "standin" Tcl command, in one table per topic.
#ifndef RILO_STANDIN_SUBCOMMANDS_H
#define RILO_STANDIN_SUBCOMMANDS_H

#include <tcl.h>

#include <span>
#include <string>
#include <vector>

struct Object;

namespace standin {

class Shell;

// One word read as a kind of value, for "standin" and the window's commands
// alike; a word that is not one throws Error ("expected ..., found '...'",
// or "no object with id ...").
long integer_word(Tcl_Obj *word);
double number_word(Tcl_Obj *word);
bool boolean_word(Tcl_Obj *word);
Object &object_word(Tcl_Obj *word);

// The words after "standin NAME"; the accessors throw Error with a message
// for the script when a word is not what is needed.
struct Args {
    Tcl_Interp *interp;
    int count;
    Tcl_Obj *const *objv;

    std::string str(int i) const;
    std::vector<std::string> words() const;
    long integer(int i) const;
    float coordinate(int i) const;
    bool boolean(int i) const;
    Object &object(int i) const;                           // an object id
    void need(int min, int max, const char *usage) const;  // max < 0: no limit
};

struct Subcommand {
    const char *name;
    Tcl_Obj *(*run)(Shell &, Args &);  // the result, or null for an empty one
};

std::span<const Subcommand> scene_subcommands();
std::span<const Subcommand> session_subcommands();
std::span<const Subcommand> file_subcommands();

const Subcommand *find_subcommand(const std::string &name);
// Every subcommand's name, in alphabetical order, separated by commas.
std::string subcommand_names();

// A Tcl string of a C++ one.
inline Tcl_Obj *text(const std::string &s)
{
    return Tcl_NewStringObj(s.c_str(), static_cast<int>(s.size()));
}

}  // namespace standin

#endif
