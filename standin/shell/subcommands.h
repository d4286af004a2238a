// Tcl commands made of subcommands, each a row of a table: the standin
// command and the window's ::standin::view alike.  One dispatcher finds the
// row, checks how many words it is given, and runs it; whatever it throws
// becomes the Tcl error, with its error code, in run_command_body.
#ifndef RILO_STANDIN_SUBCOMMANDS_H
#define RILO_STANDIN_SUBCOMMANDS_H

#include <tcl.h>

#include <span>
#include <string>
#include <vector>

#include "error.h"

struct Object;

namespace standin {

struct Subcommand;

// One word read as a kind of value; a word that is not one throws Error
// ("expected ..., found '...'").
long integer_word(Tcl_Obj *word);
double number_word(Tcl_Obj *word);
bool boolean_word(Tcl_Obj *word);

// A selection mode's word: objects, surfaces or vertices.
const char *select_mode_word(int mode);

// The words after "COMMAND NAME"; the accessors throw Error with a message
// for the script when a word is not what is needed.
struct Args {
    Tcl_Interp *interp;
    int count;
    Tcl_Obj *const *objv;
    const char *command;    // as the usage names it: "standin", "::standin::view"
    const Subcommand *row;  // the subcommand running
    void *owner;            // the command's own data (Tcl's ClientData): the Shell, the View

    std::string str(int i) const;
    std::vector<std::string> words() const;
    long integer(int i) const;
    double number(int i) const;
    float coordinate(int i) const;
    bool boolean(int i) const;
    Object &object(int i) const;  // an object id; Error "no object with id ..." when there is none
    template <typename Owner>
    Owner &owner_as() const
    {
        return *static_cast<Owner *>(owner);
    }
    // "usage: COMMAND NAME WORDS", for words the subcommand cannot use;
    // the row's words unless others are given.
    UsageError usage(const char *words = nullptr) const;
    // That error unless there are MIN to MAX words (max < 0: no limit).
    void need(int min, int max) const;
};

// Who calls a subcommand.  Those for the tests build fixtures, read the
// host's records and counters, or drive the plug-in's and the clock's
// life; nothing of the stand-in, its window, the dialog or the examples
// calls them.
enum class Caller { anyone, tests };

struct Subcommand {
    const char *name;
    int min, max;             // how many words it takes after its name; max < 0: no limit
    const char *words;        // those words as its usage shows them: "ID ?BOOLEAN?"
    Tcl_Obj *(*run)(Args &);  // the result, or null for an empty one
    Caller caller = Caller::anyone;
};

// How a command lists its subcommands, after "usage: COMMAND " and after
// "must be": in alphabetical order separated by commas, or in its tables'
// order as alternatives, "a|b|c ...".
enum class Listing { alphabetical, alternatives };

struct TableCommand {
    const char *name;
    std::vector<std::span<const Subcommand>> tables;
    Listing listing;

    const Subcommand *find(const std::string &name) const;
    std::string names() const;
};

// The Tcl command of a TableCommand; OWNER is its data, handed to each row
// as Args::owner.
int run_subcommand(const TableCommand &command, void *owner, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

// The standin command's tables, by topic.
std::span<const Subcommand> scene_subcommands();
std::span<const Subcommand> session_subcommands();
std::span<const Subcommand> file_subcommands();

// A Tcl string of a C++ one.
inline Tcl_Obj *text(const std::string &s)
{
    return Tcl_NewStringObj(s.c_str(), static_cast<int>(s.size()));
}

// A count as a Tcl integer.
inline Tcl_Obj *wide(std::size_t n)
{
    return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(n));
}

}  // namespace standin

#endif
