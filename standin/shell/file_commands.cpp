// standin subcommands for model files: load, save, and apply (the waveform
// from one file to another in a single step).
#include "acscene.h"
#include "apply.h"
#include "error.h"
#include "host.h"
#include "subcommands.h"

namespace standin {

namespace {

Tcl_Obj *load(Args &args)
{
    const WorkEnds ends(host(), "load");
    const LoadedScene loaded = load_scene(host(), args.str(0));
    const ac::Counts &c = loaded.counts;
    Tcl_Obj *repairs = Tcl_NewListObj(0, nullptr);
    for (const std::string &line : loaded.repairs) Tcl_ListObjAppendElement(nullptr, repairs, text(line));
    Tcl_Obj *items[] = {text("objects"),  wide(c.objects),  text("vertices"), wide(c.vertices),
                        text("surfaces"), wide(c.surfaces), text("repairs"),  repairs};
    return Tcl_NewListObj(8, items);
}

Tcl_Obj *save(Args &args)
{
    const WorkEnds ends(host(), "save");
    ac::WriteOptions options;
    options.replace.force = args.count == 2;
    const std::string file = args.str(args.count - 1);
    if ((options.replace.force && args.str(0) != "--force") || file.rfind("--", 0) == 0) throw args.usage();
    return wide(save_scene(host(), file, options));
}

Tcl_Obj *apply(Args &args)
{
    const WorkEnds ends(host(), "apply");
    const ApplyOptions options = parse_apply_options(args.words());
    return text(options.help.empty() ? apply_to_file(host(), options) : options.help);
}

// The scene's file and whether the scene differs from it, for a window's
// title; with "changes", what another program did to the file since.
Tcl_Obj *file_state(Args &args)
{
    if (args.count == 1) {
        if (args.str(0) != "changes") throw args.usage();
        return text(scene_file_changes(host()));
    }
    const Host &h = host();
    Tcl_Obj *items[] = {text("path"),     text(h.file() ? h.file()->path : ""),
                        text("modified"), Tcl_NewBooleanObj(h.versions().modified()),
                        text("version"),  Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(h.versions().current()))};
    return Tcl_NewListObj(6, items);
}

const Subcommand kFileSubcommands[] = {
    {"load", 1, 1, "FILE.ac", load},
    {"save", 1, 2, "?--force? FILE.ac", save},
    {"apply", 0, -1, "IN.ac OUT.ac OPTION...", apply},
    {"file", 0, 1, "?changes?", file_state},
};

}  // namespace

std::span<const Subcommand> file_subcommands()
{
    return kFileSubcommands;
}

}  // namespace standin
