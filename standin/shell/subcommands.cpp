#include "subcommands.h"

#include <charconv>
#include <map>
#include <stdexcept>

#include "host.h"

namespace {

std::map<std::string, Subcommand> &registry()
{
    static std::map<std::string, Subcommand> subcommands;
    return subcommands;
}

}  // namespace

std::string Args::str(int i) const { return Tcl_GetString(objv[i]); }

long Args::integer(int i) const
{
    long value = 0;
    if (Tcl_GetLongFromObj(nullptr, objv[i], &value) != TCL_OK) {
        throw std::runtime_error("expected an integer but got \"" + str(i) + "\"");
    }
    return value;
}

float Args::coordinate(int i) const
{
    const std::string text = str(i);
    const char *begin = text.c_str();
    const char *end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    float value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end) {
        throw std::runtime_error("expected a coordinate but got \"" + text + "\"");
    }
    return value;
}

bool Args::boolean(int i) const
{
    int value = 0;
    if (Tcl_GetBooleanFromObj(nullptr, objv[i], &value) != TCL_OK) {
        throw std::runtime_error("expected a boolean but got \"" + str(i) + "\"");
    }
    return value != 0;
}

Object &Args::object(int i) const
{
    Object *object = host().scene.find(static_cast<int>(integer(i)));
    if (object == nullptr) throw std::runtime_error("no object with id " + str(i));
    return *object;
}

void Args::need(int min, int max, const char *usage) const
{
    if (count < min || (max >= 0 && count > max)) throw std::runtime_error(std::string("usage: standin ") + usage);
}

void add_subcommand(Subcommand subcommand)
{
    std::string name = subcommand.name;
    registry()[name] = std::move(subcommand);
}

const Subcommand *find_subcommand(const std::string &name)
{
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : &it->second;
}

std::string subcommand_names()
{
    std::string names;
    for (const auto &[name, sub] : registry()) names += (names.empty() ? "" : ", ") + name;
    return names;
}

