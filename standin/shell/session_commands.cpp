// standin subcommands for the session: undo, what the plug-in said, the
// menu, the plug-in itself and the host's counters.
#include <stdexcept>

#include "host.h"
#include "shell.h"
#include "subcommands.h"

namespace {

Tcl_Obj *string_list(const std::vector<std::string> &items)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const auto &item : items) Tcl_ListObjAppendElement(nullptr, list, text(item));
    return list;
}

// "NAME ?clear?": the recorded items, emptied afterwards with clear.
template <typename Items, typename Show>
Subcommand recorded(const char *name, Items Host::*items, Show show)
{
    return {name, [name, items, show](Shell &, Args &args) -> Tcl_Obj * {
                const std::string usage = std::string(name) + " ?clear?";
                args.need(0, 1, usage.c_str());
                if (args.count == 1 && args.str(0) != "clear") throw std::runtime_error("usage: standin " + usage);
                Tcl_Obj *result = show(host().*items);
                if (args.count == 1) host().*items = Items{};
                return result;
            }};
}

Tcl_Obj *menu(Shell &shell, Args &args)
{
    const char *usage = "menu list|invoke LABEL";
    args.need(1, 2, usage);
    const std::string what = args.str(0);
    if (what == "list" && args.count == 1) {
        Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
        for (const auto &item : host().menu) {
            Tcl_Obj *entry[] = {text(item.label), text(item.command), text(item.help)};
            Tcl_ListObjAppendElement(nullptr, list, Tcl_NewListObj(3, entry));
        }
        return list;
    }
    if (what == "invoke" && args.count == 2) {
        const std::string label = args.str(1);
        for (const auto &item : host().menu) {
            if (item.label != label) continue;
            std::string error;
            if (!shell.eval(item.command, error)) throw std::runtime_error(error);
            return Tcl_GetObjResult(shell.interp());
        }
        throw std::runtime_error("no menu entry \"" + label + "\"");
    }
    throw std::runtime_error(std::string("usage: standin ") + usage);
}

LoadedPlugin &loaded(Shell &shell)
{
    if (shell.plugin().handle == nullptr) throw std::runtime_error("no plug-in is loaded");
    return shell.plugin();
}

Tcl_Obj *init(Shell &shell, Args &args)
{
    args.need(0, 1, "init ?-null|-nodir|DIR?");
    LoadedPlugin &plugin = loaded(shell);
    if (args.count == 0) return Tcl_NewIntObj(init_plugin(plugin));
    const std::string how = args.str(0);
    if (how == "-null") return Tcl_NewIntObj(plugin.init(nullptr));
    PluginInitData data{0, nullptr};
    std::string dir = how;
    if (how != "-nodir") data.plugin_dir = dir.data();
    return Tcl_NewIntObj(plugin.init(&data));
}

}  // namespace

// The tick that test builds of the plug-in read instead of the clock.
extern "C" uint32_t standin_test_tick(void) { return host().test_tick; }

void add_session_subcommands()
{
    add_subcommand({"undo", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "undo");
                        std::string name;
                        if (!host().undo_last(name)) throw std::runtime_error("nothing to undo");
                        return text(name);
                    }});
    add_subcommand({"history", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "history");
                        std::vector<std::string> names;
                        for (const auto &step : host().undo) names.push_back(step.name);
                        return string_list(names);
                    }});
    add_subcommand(recorded("messages", &Host::messages, string_list));
    add_subcommand(recorded("tcllog", &Host::tcl_log, string_list));
    add_subcommand(recorded("misuse", &Host::misuse, string_list));
    add_subcommand(recorded("debug", &Host::debug, text));
    add_subcommand({"menu", menu});
    add_subcommand({"commands", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "commands");
                        Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
                        for (const auto &c : host().commands) {
                            Tcl_Obj *entry[] = {text(c.name), Tcl_NewIntObj(c.nparams),
                                                text(c.style == AC_CMD_ARGV ? "argv" : std::to_string(c.style)),
                                                text(c.usage), text(c.description)};
                            Tcl_ListObjAppendElement(nullptr, list, Tcl_NewListObj(5, entry));
                        }
                        return list;
                    }});
    add_subcommand({"about", [](Shell &shell, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "about");
                        LoadedPlugin &plugin = loaded(shell);
                        Tcl_Obj *texts[] = {text(plugin.about()), text(plugin.info())};
                        return Tcl_NewListObj(2, texts);
                    }});
    add_subcommand({"init", init});
    add_subcommand({"exit", [](Shell &shell, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "exit");
                        return Tcl_NewIntObj(loaded(shell).exit());
                    }});
    add_subcommand({"counts", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "counts");
                        const Counters &c = host().counts;
                        Tcl_Obj *items[] = {text("bbox"), Tcl_NewLongObj(c.bounding_box),
                                            text("redraw"), Tcl_NewLongObj(c.redraw),
                                            text("status"), Tcl_NewLongObj(c.status),
                                            text("remake"), Tcl_NewLongObj(c.remake_subdivisions),
                                            text("lists"), Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(host().nodes.live()))};
                        return Tcl_NewListObj(10, items);
                    }});
    add_subcommand({"strict", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 1, "strict ?BOOLEAN?");
                        if (args.count == 1) host().strict = args.boolean(0);
                        return Tcl_NewBooleanObj(host().strict);
                    }});
    add_subcommand({"tick", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 1, "tick ?MILLISECONDS?");
                        if (args.count == 1) host().test_tick = static_cast<uint32_t>(args.integer(0));
                        return Tcl_NewWideIntObj(host().test_tick);
                    }});
}
