#include "subcommands.h"

#include <algorithm>
#include <charconv>

#include "error.h"
#include "host.h"

namespace standin {

namespace {

std::span<const std::span<const Subcommand>> topics()
{
    static const std::span<const Subcommand> all[] = {scene_subcommands(), session_subcommands(), file_subcommands()};
    return all;
}

}  // namespace

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

Object &object_word(Tcl_Obj *word)
{
    Object *object = host().scene().find(static_cast<int>(integer_word(word)));
    if (object == nullptr) throw Error("no object with id " + std::string(Tcl_GetString(word)));
    return *object;
}

long Args::integer(int i) const
{
    return integer_word(objv[i]);
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
    return object_word(objv[i]);
}

void Args::need(int min, int max, const char *usage) const
{
    if (count < min || (max >= 0 && count > max)) throw Error(std::string("usage: standin ") + usage);
}

const Subcommand *find_subcommand(const std::string &name)
{
    for (const auto &topic : topics()) {
        for (const Subcommand &sub : topic) {
            if (name == sub.name) return &sub;
        }
    }
    return nullptr;
}

std::string subcommand_names()
{
    std::vector<std::string> names;
    for (const auto &topic : topics()) {
        for (const Subcommand &sub : topic) names.push_back(sub.name);
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto &name : names) joined += (joined.empty() ? "" : ", ") + name;
    return joined;
}

}  // namespace standin
