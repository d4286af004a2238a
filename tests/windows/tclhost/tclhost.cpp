// A modeller with the real Tcl interpreter inside, as the modeller has one:
// it loads rilo.p from a plug-in folder, lets its initialisation source the
// script in that interpreter, makes each registered command a Tcl command
// and runs a driving script that works the scene and the menu.
//
//   ac3d_tcl [--utf8-names] PLUGIN-DIR SCRIPT [ARG ...]
//
// The folder name reaches the module as the program was given it: on
// Windows in the ANSI code page, as a modeller's own file names are, or
// with --utf8-names in UTF-8, as a modeller that keeps its names in UTF-8
// would hand it over.  The script sees ARG... in argv and this command
// besides Tcl's and Tk's:
//   host codepage         the ANSI code page (65001 where names are UTF-8)
//   host tcl_log          the texts the module handed to tcl_command
//   host menu             the menu entries added, each {LABEL COMMAND}
//   host choose LABEL     runs the menu entry's command as the menu does
//   host object NAME XYZ  adds an object with the vertices of the flat list XYZ
//   host select NAME ...  selects these objects, in object mode
//   host vertices NAME    each vertex's x, y and z as float bit patterns in hex
//   host undo             the names of the undo steps saved, oldest first
//   host messages         the messages the module showed
// The exit status is 0 when the script ran to its end, 1 when it failed and
// 2 when the interpreter or the module could not be set up.
#include <tcl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "error.h"
#include "host.h"
#include "host_tcl.h"
#include "plugin_loader.h"

using namespace standin;

#ifndef TCL_SIZE_MAX
using Tcl_Size = int;  // Tcl 8.6 counts list elements in int
#endif

namespace {

template <typename Items = std::vector<std::string>>
Tcl_Obj *string_list(const Items &items)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const std::string &item : items) Tcl_ListObjAppendElement(nullptr, list, Tcl_NewStringObj(item.c_str(), -1));
    return list;
}

Object *object_named(const std::string &name)
{
    const std::vector<Object *> found = host().scene().named(name);
    if (found.empty()) throw Error("no object named " + name);
    return found.front();
}

std::string hex_bits(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(bits));
    return text;
}

Tcl_Obj *add_object(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    Tcl_Size count = 0;
    Tcl_Obj **items = nullptr;
    if (objc != 4 || Tcl_ListObjGetElements(interp, objv[3], &count, &items) != TCL_OK || count % 3 != 0) {
        throw Error("usage: host object NAME {X Y Z ...}");
    }
    std::vector<float> xyz;
    for (Tcl_Size i = 0; i < count; ++i) {
        double value = 0;
        if (Tcl_GetDoubleFromObj(interp, items[i], &value) != TCL_OK) throw Error(Tcl_GetStringResult(interp));
        xyz.push_back(static_cast<float>(value));
    }
    Object &object = host().scene().add_object(Tcl_GetString(objv[2]));
    for (size_t i = 0; i < xyz.size(); i += 3) object.add_vertex(xyz[i], xyz[i + 1], xyz[i + 2]);
    return nullptr;
}

Tcl_Obj *choose(Tcl_Interp *interp, const std::string &label)
{
    for (const MenuItem &item : host().menu()) {
        if (item.label != label) continue;
        if (Tcl_EvalEx(interp, item.command.c_str(), -1, TCL_EVAL_GLOBAL) != TCL_OK) {
            throw Error("menu entry " + label + ": " + Tcl_GetStringResult(interp));
        }
        return Tcl_GetObjResult(interp);
    }
    throw Error("no menu entry " + label);
}

Tcl_Obj *host_subcommand(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    const std::string name = objc > 1 ? Tcl_GetString(objv[1]) : "";
    Host &h = host();
    if (name == "codepage" && objc == 2) {
#if defined(_WIN32)
        return Tcl_NewIntObj(static_cast<int>(GetACP()));
#else
        return Tcl_NewIntObj(65001);
#endif
    }
    if (name == "tcl_log" && objc == 2) return string_list(h.tcl_log());
    if (name == "messages" && objc == 2) return string_list(h.messages());
    if (name == "menu" && objc == 2) {
        Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
        for (const MenuItem &item : h.menu()) {
            Tcl_ListObjAppendElement(nullptr, list, string_list({item.label, item.command}));
        }
        return list;
    }
    if (name == "undo" && objc == 2) {
        std::vector<std::string> names;
        for (const UndoStep &step : h.undo_steps()) names.push_back(step.name);
        return string_list(names);
    }
    if (name == "choose" && objc == 3) return choose(interp, Tcl_GetString(objv[2]));
    if (name == "object") return add_object(interp, objc, objv);
    if (name == "select") {
        h.select_none();
        h.set_select_mode(kSelectObjects);
        for (int i = 2; i < objc; ++i) h.select_object(*object_named(Tcl_GetString(objv[i])));
        return nullptr;
    }
    if (name == "vertices" && objc == 3) {
        std::vector<std::string> bits;
        for (const auto &v : object_named(Tcl_GetString(objv[2]))->vertices) {
            bits.push_back(hex_bits(v.v.x) + " " + hex_bits(v.v.y) + " " + hex_bits(v.v.z));
        }
        return string_list(bits);
    }
    throw Error("usage: host codepage|tcl_log|menu|choose LABEL|object NAME XYZ|select NAME...|vertices NAME|undo|messages");
}

// The host command: its errors become Tcl errors here, and only here.
int host_command(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    try {
        Tcl_Obj *result = host_subcommand(interp, objc, objv);
        Tcl_SetObjResult(interp, result != nullptr ? result : Tcl_NewObj());
        return TCL_OK;
    } catch (const std::exception &e) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(e.what(), -1));
        return TCL_ERROR;
    }
}

// Hooks the host's services to the interpreter: texts the module sends are
// evaluated in it, and each command it registers becomes a Tcl command.
void connect(Tcl_Interp *interp)
{
    connect_host(interp);
    Tcl_CreateObjCommand(interp, "host", host_command, nullptr, nullptr);
    host().echo = false;
}

void set_argv(Tcl_Interp *interp, int argc, char **argv, int first)
{
    std::vector<std::string> args(argv + first, argv + argc);
    Tcl_SetVar2Ex(interp, "argv", nullptr, string_list(args), TCL_GLOBAL_ONLY);
    Tcl_SetVar2Ex(interp, "argc", nullptr, Tcl_NewIntObj(argc - first), TCL_GLOBAL_ONLY);
}

// Command-line argument INDEX in UTF-8.  On Windows it is read afresh from
// the wide command line, which holds what the ANSI one cannot spell.
std::string utf8_argument([[maybe_unused]] int index, [[maybe_unused]] const char *narrow)
{
#if defined(_WIN32)
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string text;
    if (wide != nullptr && index < count) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[index], -1, nullptr, 0, nullptr, nullptr);
        text.resize(size > 0 ? static_cast<size_t>(size) : 1);
        WideCharToMultiByte(CP_UTF8, 0, wide[index], -1, text.data(), size, nullptr, nullptr);
        text.resize(text.size() - 1);
    }
    LocalFree(wide);
    return text;
#else
    return narrow;
#endif
}

}  // namespace

int main(int argc, char **argv)
{
    const bool utf8_names = argc > 1 && std::strcmp(argv[1], "--utf8-names") == 0;
    const int dir = utf8_names ? 2 : 1;
    if (argc < dir + 2) {
        std::fprintf(stderr, "usage: %s [--utf8-names] PLUGIN-DIR SCRIPT [ARG ...]\n", argv[0]);
        return 2;
    }
    Tcl_FindExecutable(argv[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    if (Tcl_Init(interp) != TCL_OK) {
        std::fprintf(stderr, "ac3d_tcl: Tcl cannot start: %s\n", Tcl_GetStringResult(interp));
        return 2;
    }
    connect(interp);
    LoadedPlugin plugin;
    try {
        plugin = load_plugin(argv[dir]);
    } catch (const Error &e) {
        std::fprintf(stderr, "ac3d_tcl: %s\n", e.what());
        return 2;
    }
    if (utf8_names) plugin.dir = utf8_argument(dir, argv[dir]);
    init_plugin(plugin);
    set_argv(interp, argc, argv, dir + 2);
    int status = 0;
    if (Tcl_EvalFile(interp, argv[dir + 1]) != TCL_OK) {
        const char *info = Tcl_GetVar(interp, "errorInfo", TCL_GLOBAL_ONLY);
        std::fprintf(stderr, "ac3d_tcl: %s\n", info != nullptr ? info : Tcl_GetStringResult(interp));
        status = 1;
    }
    std::fflush(stdout);
    return status;
}
