// standin subcommands for model files: load, save, and apply (the waveform
// from one file to another in a single step).
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "acscene.h"
#include "host.h"
#include "preview.h"
#include "shell.h"
#include "subcommands.h"

namespace {

// Runs WORDS as one Tcl command; throws with Tcl's message when it fails.
void run_words(Shell &shell, const std::vector<std::string> &words)
{
    std::vector<Tcl_Obj *> objv;
    for (const std::string &w : words) {
        objv.push_back(text(w));
        Tcl_IncrRefCount(objv.back());
    }
    const int code = Tcl_EvalObjv(shell.interp(), static_cast<int>(objv.size()), objv.data(), TCL_EVAL_GLOBAL);
    for (Tcl_Obj *o : objv) Tcl_DecrRefCount(o);
    if (code != TCL_OK) throw std::runtime_error(Tcl_GetStringResult(shell.interp()));
}

const char *const kApplyUsage =
    "apply IN.ac OUT.ac --freq-axis x|y|z --amp-axis x|y|z --frequency F --amplitude A "
    "?--select all|objects NAME...|surfaces NAME...|vertices NAME...? ?--offset HUNDREDTHS|random? "
    "?--additive|--absolute? ?--per-unit|--across? ?--preview OUT.svg?";

struct ApplyRequest {
    std::string in, out, preview;
    std::string select = "all";
    std::vector<std::string> names;
    std::string freq_axis, amp_axis, frequency, amplitude;
    std::string offset = "0";
    bool additive = true, per_unit = true;
};

ApplyRequest parse_apply(const Args &args)
{
    args.need(2, -1, kApplyUsage);
    ApplyRequest r;
    r.in = args.str(0);
    r.out = args.str(1);
    auto value = [&](int &i) {
        if (i + 1 >= args.count)
            throw std::runtime_error(args.str(i) + " needs a value; usage: standin " + kApplyUsage);
        return args.str(++i);
    };
    for (int i = 2; i < args.count; ++i) {
        const std::string opt = args.str(i);
        if (opt == "--select") {
            r.select = value(i);
            r.names.clear();
            while (i + 1 < args.count && args.str(i + 1).rfind("--", 0) != 0) r.names.push_back(args.str(++i));
            if (r.select != "all" && r.select != "objects" && r.select != "surfaces" && r.select != "vertices")
                throw std::runtime_error("--select takes all, objects, surfaces or vertices, not \"" + r.select + "\"");
            if ((r.select == "all") != r.names.empty())
                throw std::runtime_error(r.select == "all" ? "--select all takes no names"
                                                           : "--select " + r.select + " needs object names");
        } else if (opt == "--freq-axis") {
            r.freq_axis = value(i);
        } else if (opt == "--amp-axis") {
            r.amp_axis = value(i);
        } else if (opt == "--frequency") {
            r.frequency = value(i);
        } else if (opt == "--amplitude") {
            r.amplitude = value(i);
        } else if (opt == "--offset") {
            r.offset = value(i);
        } else if (opt == "--preview") {
            r.preview = value(i);
        } else if (opt == "--additive" || opt == "--absolute") {
            r.additive = opt == "--additive";
        } else if (opt == "--per-unit" || opt == "--across") {
            r.per_unit = opt == "--per-unit";
        } else {
            throw std::runtime_error("unknown option \"" + opt + "\"; usage: standin " + kApplyUsage);
        }
    }
    for (auto [given, name] : {std::pair{&r.freq_axis, "--freq-axis"}, std::pair{&r.amp_axis, "--amp-axis"},
                               std::pair{&r.frequency, "--frequency"}, std::pair{&r.amplitude, "--amplitude"}}) {
        if (given->empty()) throw std::runtime_error(std::string(name) + " is required; usage: standin " + kApplyUsage);
    }
    return r;
}

// The axis an axis parameter names, as the command reads it: its first letter.
int axis_index(const std::string &s)
{
    const char c = s.empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>(s[0])));
    return c == 'x' ? 0 : c == 'y' ? 1 : c == 'z' ? 2 : -1;
}

float coordinate(const Vertex &v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// The objects the selection reaches: named objects with their descendants
// in object mode, the named objects alone for surfaces and vertices.
std::vector<Object *> reached(Host &h, const ApplyRequest &r)
{
    std::vector<Object *> out;
    if (r.select == "all") {
        h.scene.for_each_object([&](Object &o) { out.push_back(&o); });
        return out;
    }
    for (const std::string &name : r.names) {
        for (Object *o : h.scene.named(name)) {
            out.push_back(o);
            if (r.select != "objects") continue;
            std::vector<Object *> stack{o};
            while (!stack.empty()) {
                Object *p = stack.back();
                stack.pop_back();
                for (auto &c : p->children) {
                    out.push_back(c.get());
                    stack.push_back(c.get());
                }
            }
        }
    }
    return out;
}

Tcl_Obj *apply_command(Shell &shell, Args &args)
{
    const ApplyRequest r = parse_apply(args);
    Host &h = host();
    load_scene(h, r.in);
    std::vector<std::string> select{"standin", "select", r.select};
    select.insert(select.end(), r.names.begin(), r.names.end());
    run_words(shell, select);

    const std::vector<Object *> objects = reached(h, r);
    std::vector<std::vector<Vertex>> before;
    for (Object *o : objects) {
        before.emplace_back();
        for (const auto &hv : o->vertices) before.back().push_back(hv.v);
    }
    const std::size_t messages = h.messages.size();
    if (Tcl_FindCommand(shell.interp(), "pjtrilo_go", nullptr, 0) == nullptr)
        throw std::runtime_error("the rilo plug-in is not loaded: there is no pjtrilo_go command");
    {
        // The command's trace and messages stay in the host's records
        // (standin debug, standin messages); the outcome is reported here.
        struct Quiet {
            bool was = host().echo;
            Quiet() { host().echo = false; }
            ~Quiet() { host().echo = was; }
        } quiet;
        run_words(shell, {"pjtrilo_go", r.freq_axis, r.amp_axis, r.frequency, r.amplitude, r.offset,
                          r.additive ? "1" : "0", r.per_unit ? "1" : "0"});
    }
    if (h.messages.size() > messages) throw std::runtime_error(h.messages.back() + "; nothing written");

    std::size_t moved = 0, total = 0;
    for (std::size_t k = 0; k < objects.size(); ++k) {
        total += before[k].size();
        for (std::size_t i = 0; i < before[k].size(); ++i) {
            const Vertex &a = before[k][i], &b = objects[k]->vertices[i].v;
            if (std::memcmp(&a, &b, sizeof a) != 0) ++moved;
        }
    }
    std::string svg;
    if (!r.preview.empty()) {
        Preview p;
        const int across = axis_index(r.freq_axis), up = axis_index(r.amp_axis);
        p.across = std::string(1, "xyz"[across]);
        p.up = std::string(1, "xyz"[up]);
        p.title = r.in + " \u2192 " + r.out + ": frequency " + r.frequency + " along " + p.across + ", amplitude " +
                  r.amplitude + " along " + p.up + ", offset " + r.offset + ", " +
                  (r.additive ? "additive" : "absolute") + ", " + (r.per_unit ? "per unit" : "across the selection");
        for (std::size_t k = 0; k < objects.size(); ++k) {
            for (const Edge &e : object_edges(h, *objects[k])) {
                const Vertex &a0 = before[k][e.a], &b0 = before[k][e.b];
                const Vertex &a1 = objects[k]->vertices[e.a].v, &b1 = objects[k]->vertices[e.b].v;
                p.before.push_back(
                    {coordinate(a0, across), coordinate(a0, up), coordinate(b0, across), coordinate(b0, up)});
                p.after.push_back(
                    {coordinate(a1, across), coordinate(a1, up), coordinate(b1, across), coordinate(b1, up)});
            }
        }
        svg = preview_svg(p);
    }
    save_scene(h, r.out);
    std::string result = "moved " + std::to_string(moved) + " of " + std::to_string(total) + " vertices in " +
                         std::to_string(objects.size()) + " object(s); wrote " + r.out;
    if (!svg.empty()) {
        try {
            ac::replace_file(r.preview, [&](const ac::ByteSink &sink) { sink(svg.data(), svg.size()); });
        } catch (const std::exception &e) {
            throw std::runtime_error(result + ", but " + e.what());
        }
        result += " and " + r.preview;
    }
    return text(result);
}

} // namespace

void add_file_subcommands()
{
    add_subcommand({"load", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(1, 1, "load FILE.ac");
                        const ac::Counts c = load_scene(host(), args.str(0));
                        Tcl_Obj *items[] = {text("objects"),  Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(c.objects)),
                                            text("vertices"), Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(c.vertices)),
                                            text("surfaces"), Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(c.surfaces))};
                        return Tcl_NewListObj(6, items);
                    }});
    add_subcommand({"save", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(1, 1, "save FILE.ac");
                        return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(save_scene(host(), args.str(0))));
                    }});
    add_subcommand({"apply", apply_command});
}
