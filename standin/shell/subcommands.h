// The subcommands of the "standin" Tcl command, registered by topic.
#ifndef RILO_STANDIN_SUBCOMMANDS_H
#define RILO_STANDIN_SUBCOMMANDS_H

#include <tcl.h>

#include <functional>
#include <string>

class Shell;
struct Object;

// The words after "standin NAME"; the accessors throw std::runtime_error
// with a message for the script when a word is not what is needed.
struct Args {
    Tcl_Interp *interp;
    int count;
    Tcl_Obj *const *objv;

    std::string str(int i) const;
    long integer(int i) const;
    float coordinate(int i) const;
    bool boolean(int i) const;
    Object &object(int i) const;  // an object id
    void need(int min, int max, const char *usage) const;  // max < 0: no limit
};

struct Subcommand {
    std::string name;
    std::function<Tcl_Obj *(Shell &, Args &)> run;
};

void add_subcommand(Subcommand subcommand);
const Subcommand *find_subcommand(const std::string &name);
std::string subcommand_names();

// A Tcl string of a C++ one.
inline Tcl_Obj *text(const std::string &s) { return Tcl_NewStringObj(s.c_str(), static_cast<int>(s.size())); }

void add_scene_subcommands();
void add_session_subcommands();
void add_file_subcommands();

#endif
