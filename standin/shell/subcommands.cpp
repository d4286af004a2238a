#include "subcommands.h"

#include <algorithm>
#include <charconv>

#include "host.h"
#include "shell.h"

namespace standin {

std::string Args::str(int i) const
{
    return Tcl_GetString(objv[i]);
}

std::vector<std::string> Args::words() const
{
    std::vector<std::string> all;
    for (int i = 0; i < count; ++i) all.push_back(str(i));
    return all;
}

long integer_word(Tcl_Obj *word)
{
    long value = 0;
    if (Tcl_GetLongFromObj(nullptr, word, &value) != TCL_OK) throw expected("an integer", Tcl_GetString(word));
    return value;
}

double number_word(Tcl_Obj *word)
{
    double value = 0;
    if (Tcl_GetDoubleFromObj(nullptr, word, &value) != TCL_OK) throw expected("a number", Tcl_GetString(word));
    return value;
}

bool boolean_word(Tcl_Obj *word)
{
    int value = 0;
    if (Tcl_GetBooleanFromObj(nullptr, word, &value) != TCL_OK) throw expected("a boolean", Tcl_GetString(word));
    return value != 0;
}

long Args::integer(int i) const
{
    return integer_word(objv[i]);
}

double Args::number(int i) const
{
    return number_word(objv[i]);
}

float Args::coordinate(int i) const
{
    const std::string text = str(i);
    const char *begin = text.c_str();
    const char *end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    float value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end) throw expected("a coordinate", text);
    return value;
}

bool Args::boolean(int i) const
{
    return boolean_word(objv[i]);
}

Object &Args::object(int i) const
{
    Object *object = host().scene().find(static_cast<int>(integer(i)));
    if (object == nullptr) throw Error("no object with id " + str(i));
    return *object;
}

const char *select_mode_word(int mode)
{
    return mode == kSelectSurfaces ? "surfaces" : mode == kSelectVertices ? "vertices" : "objects";
}

UsageError Args::usage(const char *shown) const
{
    const std::string words = shown != nullptr ? shown : row->words;
    return UsageError(std::string("usage: ") + command + " " + row->name + (words.empty() ? "" : " " + words));
}

void Args::need(int min, int max) const
{
    if (count < min || (max >= 0 && count > max)) throw usage();
}

const Subcommand *TableCommand::find(const std::string &wanted) const
{
    for (const auto &table : tables) {
        for (const Subcommand &row : table) {
            if (wanted == row.name) return &row;
        }
    }
    return nullptr;
}

std::string TableCommand::names() const
{
    std::vector<std::string> all;
    for (const auto &table : tables) {
        for (const Subcommand &row : table) all.push_back(row.name);
    }
    if (listing == Listing::alphabetical) std::sort(all.begin(), all.end());
    const char *between = listing == Listing::alphabetical ? ", " : "|";
    std::string joined;
    for (const auto &name : all) joined += (joined.empty() ? "" : between) + name;
    return listing == Listing::alphabetical ? joined : joined + " ...";
}

int run_subcommand(const TableCommand &command, void *owner, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    const std::string name = objc < 2 ? "" : Tcl_GetString(objv[1]);
    return run_command_body(interp, (std::string(command.name) + " " + name).c_str(), [&]() -> Tcl_Obj * {
        if (objc < 2) throw UsageError(std::string("usage: ") + command.name + " " + command.names());
        const Subcommand *row = command.find(name);
        if (row == nullptr) throw UsageError("unknown subcommand " + in_quotes(name) + ": must be " + command.names());
        Args args{interp, objc - 2, objv + 2, command.name, row, owner};
        args.need(row->min, row->max);
        return row->run(args);
    });
}

}  // namespace standin
