// standin subcommands for the session: undo, what the plug-in said, the
// menu, the plug-in itself and the host's counters.
#include "acfile.h"
#include "error.h"
#include "host.h"
#include "shell.h"
#include "subcommands.h"

namespace standin {

namespace {

// The items of a vector, or of a record kept as a scroll-back.
template <typename Items>
Tcl_Obj *string_list(const Items &items)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const auto &item : items) Tcl_ListObjAppendElement(nullptr, list, text(item));
    return list;
}

// "NAME ?clear?": the recorded items, emptied afterwards with clear.
template <typename Show>
Tcl_Obj *recorded(const Args &args, Record record, Show show)
{
    if (args.count == 1 && args.str(0) != "clear") throw args.usage();
    Tcl_Obj *shown = show();
    if (args.count == 1) host().clear(record);
    return shown;
}

Tcl_Obj *messages(Args &args)
{
    return recorded(args, Record::Messages, [] { return string_list(host().messages()); });
}

Tcl_Obj *tcl_log(Args &args)
{
    return recorded(args, Record::TclLog, [] { return string_list(host().tcl_log()); });
}

Tcl_Obj *misuse(Args &args)
{
    return recorded(args, Record::Misuse, [] { return string_list(host().misuse()); });
}

Tcl_Obj *debug(Args &args)
{
    return recorded(args, Record::Debug, [] { return text(host().debug()); });
}

Tcl_Obj *undo(Args &)
{
    std::string name;
    if (!host().undo_last(name)) throw Error("nothing to undo");
    return text(name);
}

Tcl_Obj *redo(Args &)
{
    std::string name;
    if (!host().redo_last(name)) throw Error("nothing to redo");
    return text(name);
}

// The steps undo takes back, in the order they were made; with "redo", the
// steps redo brings back, in the same order: the whole history is the two
// lists one after the other.
Tcl_Obj *history(Args &args)
{
    if (args.count == 1 && args.str(0) != "redo") throw args.usage();
    std::vector<std::string> names;
    if (args.count == 0) {
        for (const auto &step : host().undo_steps()) names.push_back(step.name);
    } else {
        const auto &steps = host().redo_steps();
        for (auto step = steps.rbegin(); step != steps.rend(); ++step) names.push_back(step->name);
    }
    return string_list(names);
}

// "live": whether a live preview is shown; "live run COMMAND WORD...": a
// plug-in command run as the live preview, answering its message when it
// refused; "live clear": the live preview taken back; "live keep": the live
// preview made the model's, an undo step as its command's, answering whether
// one was shown.
Tcl_Obj *live(Args &args)
{
    const std::string what = args.count > 0 ? args.str(0) : "";
    if (args.count == 0) return Tcl_NewBooleanObj(host().live_preview_shown());
    if (what == "clear" && args.count == 1) {
        host().clear_live_preview();
        return nullptr;
    }
    if (what == "keep" && args.count == 1) return Tcl_NewBooleanObj(host().keep_live_preview());
    if (what != "run" || args.count < 2) throw args.usage();
    const RegisteredCommand *command = host().find_command(args.str(1));
    if (command == nullptr) throw Error("no plug-in command " + in_quotes(args.str(1)));
    std::vector<std::string> words = args.words();
    words.erase(words.begin(), words.begin() + 2);
    return text(run_live_preview(*command, words).message);
}

// What a window follows: the numbers of the scene's version, the
// selection's and the objects' tree's, the scene's serial (a new scene has
// a new one), the number of the live preview shown (0 for none), and how
// many hidden or locked objects the last selection went around.
Tcl_Obj *versions(Args &)
{
    const Host &h = host();
    auto number = [](std::uint64_t n) { return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(n)); };
    Tcl_Obj *items[] = {text("scene"),    number(h.versions().current()),
                        text("selection"), number(h.selection_version()),
                        text("tree"),     number(h.tree_version()),
                        text("serial"),   number(h.scene().serial()),
                        text("live"),     number(h.live_preview_number()),
                        text("left_out"), number(h.left_out())};
    return Tcl_NewListObj(static_cast<int>(std::size(items)), items);
}

// TEXT as one line, as the command line shows names: control bytes as \xNN.
Tcl_Obj *printable(Args &args)
{
    return text(ac::one_line(args.str(0)));
}

Tcl_Obj *menu(Args &args)
{
    const std::string what = args.str(0);
    if (what == "list" && args.count == 1) {
        Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
        for (const auto &item : host().menu()) {
            Tcl_Obj *entry[] = {text(item.label), text(item.command), text(item.help)};
            Tcl_ListObjAppendElement(nullptr, list, Tcl_NewListObj(3, entry));
        }
        return list;
    }
    if (what == "invoke" && args.count == 2) {
        const std::string label = args.str(1);
        for (const auto &item : host().menu()) {
            if (item.label != label) continue;
            Shell &shell = args.owner_as<Shell>();
            shell.eval(item.command);
            return Tcl_GetObjResult(shell.interp());
        }
        throw Error("no menu entry " + in_quotes(label));
    }
    throw args.usage();
}

Tcl_Obj *commands(Args &)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const auto &c : host().commands()) {
        Tcl_Obj *entry[] = {text(c.name), Tcl_NewIntObj(c.nparams),
                            text(c.style == AC_CMD_ARGV ? "argv" : std::to_string(c.style)), text(c.usage),
                            text(c.description)};
        Tcl_ListObjAppendElement(nullptr, list, Tcl_NewListObj(5, entry));
    }
    return list;
}

LoadedPlugin &loaded(const Args &args)
{
    LoadedPlugin &plugin = args.owner_as<Shell>().plugin();
    if (plugin.handle == nullptr) throw Error("no plug-in is loaded");
    return plugin;
}

Tcl_Obj *about(Args &args)
{
    LoadedPlugin &plugin = loaded(args);
    Tcl_Obj *texts[] = {text(plugin.about()), text(plugin.info())};
    return Tcl_NewListObj(2, texts);
}

Tcl_Obj *init(Args &args)
{
    LoadedPlugin &plugin = loaded(args);
    if (args.count == 0) return Tcl_NewIntObj(init_plugin(plugin));
    const std::string how = args.str(0);
    if (how == "-null") return Tcl_NewIntObj(plugin.init(nullptr));
    PluginInitData data{0, nullptr};
    std::string dir = how;
    if (how != "-nodir") data.plugin_dir = dir.data();
    return Tcl_NewIntObj(plugin.init(&data));
}

Tcl_Obj *exit(Args &args)
{
    return Tcl_NewIntObj(loaded(args).exit());
}

Tcl_Obj *counts(Args &)
{
    const Counters &c = host().counts();
    Tcl_Obj *items[] = {text("bbox"),   Tcl_NewLongObj(c.bounding_box),
                        text("redraw"), Tcl_NewLongObj(c.redraw),
                        text("status"), Tcl_NewLongObj(c.status),
                        text("remake"), Tcl_NewLongObj(c.remake_subdivisions),
                        text("lists"),  wide(host().live_list_nodes())};
    return Tcl_NewListObj(10, items);
}

Tcl_Obj *tick(Args &args)
{
    if (args.count == 1) host().test_tick = static_cast<uint32_t>(args.integer(0));
    return Tcl_NewWideIntObj(host().test_tick);
}

const Subcommand kSessionSubcommands[] = {
    {"undo", 0, 0, "", undo},
    {"redo", 0, 0, "", redo},
    {"history", 0, 1, "?redo?", history},
    {"live", 0, -1, "?run COMMAND ?WORD ...?|clear|keep?", live},
    {"versions", 0, 0, "", versions},
    {"printable", 1, 1, "TEXT", printable},
    {"menu", 1, 2, "list|invoke LABEL", menu},
    {"messages", 0, 1, "?clear?", messages, Caller::tests},
    {"tcllog", 0, 1, "?clear?", tcl_log, Caller::tests},
    {"misuse", 0, 1, "?clear?", misuse, Caller::tests},
    {"debug", 0, 1, "?clear?", debug, Caller::tests},
    {"commands", 0, 0, "", commands, Caller::tests},
    {"about", 0, 0, "", about, Caller::tests},
    {"init", 0, 1, "?-null|-nodir|DIR?", init, Caller::tests},
    {"exit", 0, 0, "", exit, Caller::tests},
    {"counts", 0, 0, "", counts, Caller::tests},
    {"tick", 0, 1, "?MILLISECONDS?", tick, Caller::tests},
};

}  // namespace

std::span<const Subcommand> session_subcommands()
{
    return kSessionSubcommands;
}

}  // namespace standin

// The tick that test builds of the plug-in read instead of the clock.
extern "C" uint32_t standin_test_tick(void)
{
    return standin::host().test_tick;
}
