// standin subcommands for model files: load, save, and apply (the waveform
// from one file to another in a single step).
#include "acscene.h"
#include "apply.h"
#include "error.h"
#include "host.h"
#include "subcommands.h"

namespace standin {

namespace {

Tcl_Obj *wide(size_t n)
{
    return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(n));
}

Tcl_Obj *load(Shell &, Args &args)
{
    const WorkEnds ends(host(), "load");
    args.need(1, 1, "load FILE.ac");
    const LoadedScene loaded = load_scene(host(), args.str(0));
    const ac::Counts &c = loaded.counts;
    Tcl_Obj *repairs = Tcl_NewListObj(0, nullptr);
    for (const std::string &line : loaded.repairs) Tcl_ListObjAppendElement(nullptr, repairs, text(line));
    Tcl_Obj *items[] = {text("objects"),  wide(c.objects),  text("vertices"), wide(c.vertices),
                        text("surfaces"), wide(c.surfaces), text("repairs"),  repairs};
    return Tcl_NewListObj(8, items);
}

Tcl_Obj *save(Shell &, Args &args)
{
    const WorkEnds ends(host(), "save");
    const char *usage = "save ?--force? FILE.ac";
    args.need(1, 2, usage);
    ac::WriteOptions options;
    options.replace.force = args.count == 2;
    const std::string file = args.str(args.count - 1);
    if ((options.replace.force && args.str(0) != "--force") || file.rfind("--", 0) == 0)
        throw Error(std::string("usage: standin ") + usage);
    return wide(save_scene(host(), file, options));
}

Tcl_Obj *apply(Shell &, Args &args)
{
    const WorkEnds ends(host(), "apply");
    const ApplyOptions options = parse_apply_options(args.words());
    return text(options.help.empty() ? apply_to_file(host(), options) : options.help);
}

// The scene's file and whether the scene differs from it, for a window's
// title; with "changes", what another program did to the file since.
Tcl_Obj *file_state(Shell &, Args &args)
{
    args.need(0, 1, "file ?changes?");
    if (args.count == 1) {
        if (args.str(0) != "changes") throw Error("usage: standin file ?changes?");
        return text(scene_file_changes(host()));
    }
    const Host &h = host();
    Tcl_Obj *items[] = {text("path"),     text(h.file() ? h.file()->path : ""),
                        text("modified"), Tcl_NewBooleanObj(h.versions().modified()),
                        text("version"),  Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(h.versions().current()))};
    return Tcl_NewListObj(6, items);
}

const Subcommand kFileSubcommands[] = {{"load", load}, {"save", save}, {"apply", apply}, {"file", file_state}};

}  // namespace

std::span<const Subcommand> file_subcommands()
{
    return kFileSubcommands;
}

}  // namespace standin
