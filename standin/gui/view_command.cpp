// ::standin::view, the main window's link to view.h: it copies the scene
// into a ViewModel after each change and hands the canvas what to draw.
//
//   sync                          copy the scene and its selection; returns counts
//   positions                     copy only the positions, when the objects copied
//                                 have the same vertices: 1, or 0 (then sync)
//   fit AZ EL LEFT TOP RIGHT BOTTOM           {SCALE CX CY CZ} that fit the model
//   project AZ EL SCALE CX CY CZ LEFT TOP RIGHT BOTTOM ?GRAIN?
//                                 {points N lines POLYLINES selected POLYLINES marks POINTS},
//                                 on a grid of GRAIN pixels (1: every pixel)
//   axes AZ EL                    {RX RY RZ UX UY UZ}: the screen's right and up in the model
//   pick objects|surfaces|vertices X Y ?TOLERANCE?   {ID ?INDEX?} under (X, Y), or {}
//   point ID INDEX                {X Y}: where a vertex was last drawn
#include "view_command.h"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_set>

#include "acscene.h"
#include "error.h"
#include "host.h"
#include "shell.h"
#include "view.h"

using namespace standin;

namespace {

struct ViewState {
    ViewModel model;
    Projector projector;
    bool projected = false;
    // Canvas coordinates are small whole numbers: one shared Tcl value for
    // each saves making hundreds of thousands of them for every drawing.
    std::vector<Tcl_Obj *> numbers;

    ~ViewState()
    {
        for (Tcl_Obj *n : numbers) Tcl_DecrRefCount(n);
    }
    Tcl_Obj *number(int value)
    {
        if (value < 0 || value >= 8192) return Tcl_NewIntObj(value);
        if (numbers.empty()) {
            numbers.resize(8192);
            for (int i = 0; i < 8192; ++i) {
                numbers[i] = Tcl_NewIntObj(i);
                Tcl_IncrRefCount(numbers[i]);
            }
        }
        return numbers[value];
    }
};

double number(Tcl_Interp *, Tcl_Obj *word)
{
    double value;
    if (Tcl_GetDoubleFromObj(nullptr, word, &value) != TCL_OK) throw expected("a number", Tcl_GetString(word));
    return value;
}

int integer(Tcl_Obj *word)
{
    int value;
    if (Tcl_GetIntFromObj(nullptr, word, &value) != TCL_OK) throw expected("an integer", Tcl_GetString(word));
    return value;
}

// Reads the camera's words: the angles, then (with scale) the scale and centre, then the viewport.
Camera camera_of(Tcl_Interp *interp, Tcl_Obj *const *words, bool with_scale)
{
    Camera c;
    c.azimuth = number(interp, *words++);
    c.elevation = number(interp, *words++);
    if (with_scale) {
        c.scale = number(interp, *words++);
        for (double &k : c.centre) k = number(interp, *words++);
    }
    c.left = number(interp, *words++);
    c.top = number(interp, *words++);
    c.right = number(interp, *words++);
    c.bottom = number(interp, *words++);
    return c;
}

Tcl_Obj *int_list(ViewState &state, const int *values, std::size_t count)
{
    std::vector<Tcl_Obj *> words(count);
    for (std::size_t i = 0; i < count; ++i) words[i] = state.number(values[i]);
    return Tcl_NewListObj(static_cast<int>(count), words.data());
}

Tcl_Obj *polylines(ViewState &state, const std::vector<int> &coords, const std::vector<std::uint32_t> &starts)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? 2 * std::size_t{starts[i + 1]} : coords.size();
        const std::size_t first = 2 * std::size_t{starts[i]};
        Tcl_ListObjAppendElement(nullptr, list, int_list(state, coords.data() + first, end - first));
    }
    return list;
}

Tcl_Obj *pair(const char *key, Tcl_Obj *value, Tcl_Obj *list)
{
    Tcl_ListObjAppendElement(nullptr, list, Tcl_NewStringObj(key, -1));
    Tcl_ListObjAppendElement(nullptr, list, value);
    return list;
}

// What sync reports: the model's size, the selection mode, the objects
// holding a selection and how many items are selected.
Tcl_Obj *summary(const ViewModel &m, long surfaces, Tcl_Obj *selected, long items)
{
    static const char *const modes[] = {"objects", "surfaces", "vertices"};
    const int mode = host().select_mode() == kSelectSurfaces ? 1 : host().select_mode() == kSelectVertices ? 2 : 0;
    Tcl_Obj *out = Tcl_NewListObj(0, nullptr);
    pair("objects", Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(m.parts.size())), out);
    pair("vertices", Tcl_NewWideIntObj(m.vertex_count()), out);
    pair("surfaces", Tcl_NewWideIntObj(surfaces), out);
    pair("edges", Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(m.edges.size() / 2)), out);
    pair("mode", Tcl_NewStringObj(modes[mode], -1), out);
    pair("selected", selected, out);
    return pair("items", Tcl_NewWideIntObj(items), out);
}

// Copies the scene into the model; selected objects pass their highlight to their children.
Tcl_Obj *sync(ViewModel &m)
{
    Host &h = host();
    m = ViewModel{};
    std::unordered_set<const Object *> chosen(h.selected_objects().begin(), h.selected_objects().end());
    std::unordered_set<const Object *> lit;
    std::unordered_set<std::uint64_t> chosen_edges;
    Tcl_Obj *selected = Tcl_NewListObj(0, nullptr);
    long items = h.select_mode() == kSelectObjects ? static_cast<long>(h.selected_objects().size()) : 0;
    for (const Object *o : h.selected_objects()) Tcl_ListObjAppendElement(nullptr, selected, Tcl_NewIntObj(o->id));
    long surfaces = 0;
    h.scene().for_each_object([&](Object &o) {
        const auto base = m.vertex_count();
        m.parts.push_back({o.id, base, m.surface_count()});
        const bool whole = h.select_mode() == kSelectObjects && (chosen.count(&o) || lit.count(o.parent));
        if (whole) lit.insert(&o);
        long marked = 0;
        for (const HostVertex &v : o.vertices) {
            m.xyz.insert(m.xyz.end(), {v.v.x, v.v.y, v.v.z});
            const bool on = h.select_mode() == kSelectVertices && is_selected(v);
            m.vertex_selected.push_back(on);
            marked += on;
        }
        chosen_edges.clear();
        if (m.surface_first.empty()) m.surface_first.push_back(0);
        for (const Surface &s : o.surfaces) {
            for (std::uint32_t r : s.refs()) m.surface_refs.push_back(base + r);
            m.surface_first.push_back(static_cast<std::uint32_t>(m.surface_refs.size()));
            ++surfaces;
            if (h.select_mode() != kSelectSurfaces || !s.selected) continue;
            ++marked;
            for (std::size_t j = 0; j < s.count; ++j) {
                const std::uint32_t a = s.refs()[j], b = s.refs()[(j + 1) % s.refs().size()];
                chosen_edges.insert(edge_key(a, b));
            }
        }
        for (const Edge &e : object_edges(h, o)) {
            m.edges.insert(m.edges.end(), {base + e.a, base + e.b});
            const bool by_vertices =
                h.select_mode() == kSelectVertices && is_selected(o.vertices[e.a]) && is_selected(o.vertices[e.b]);
            m.edge_selected.push_back(whole || by_vertices || chosen_edges.count(edge_key(e.a, e.b)));
        }
        if (marked > 0 && h.select_mode() != kSelectObjects) {
            Tcl_ListObjAppendElement(nullptr, selected, Tcl_NewIntObj(o.id));
            items += marked;
        }
    });
    return summary(m, surfaces, selected, items);
}

// Calls EACH with every object copied by the last sync and the part it
// became, in scene order; objects sync left out are passed over.  False when
// some part has no such object with the same number of vertices.
template <typename Each>
bool for_each_copied(const ViewModel &m, Each each)
{
    std::size_t part = 0;
    bool same = true;
    host().scene().for_each_object([&](Object &o) {
        if (!same || part == m.parts.size() || m.parts[part].id != o.id) return;
        const std::uint32_t end = part + 1 < m.parts.size() ? m.parts[part + 1].first_vertex : m.vertex_count();
        same = end - m.parts[part].first_vertex == o.vertices.size();
        if (same) each(o, m.parts[part]);
        ++part;
    });
    return same && part == m.parts.size();
}

// A preview moves vertices and nothing else: copying their positions again
// costs a pass over them, where sync finds every edge again.
Tcl_Obj *copy_positions(ViewModel &m)
{
    if (!for_each_copied(m, [](const Object &, const ViewModel::Part &) {})) return Tcl_NewBooleanObj(0);
    for_each_copied(m, [&m](const Object &o, const ViewModel::Part &p) {
        float *xyz = m.xyz.data() + 3 * std::size_t{p.first_vertex};
        for (const HostVertex &v : o.vertices) {
            *xyz++ = v.v.x;
            *xyz++ = v.v.y;
            *xyz++ = v.v.z;
        }
    });
    return Tcl_NewBooleanObj(1);
}

Tcl_Obj *project(ViewState &state, Tcl_Interp *interp, int count, Tcl_Obj *const *words)
{
    Camera camera = camera_of(interp, words, true);
    if (count > 10) camera.grain = std::clamp(static_cast<int>(number(interp, words[10])), 1, 16);
    const Drawing &d = state.projector.project(state.model, camera);
    state.projected = true;
    Tcl_Obj *out = Tcl_NewListObj(0, nullptr);
    pair("points", Tcl_NewWideIntObj(static_cast<Tcl_WideInt>((d.lines.size() + d.selected.size()) / 2)), out);
    pair("lines", polylines(state, d.lines, d.line_starts), out);
    pair("selected", polylines(state, d.selected, d.selected_starts), out);
    return pair("marks", int_list(state, d.marks.data(), d.marks.size()), out);
}

Tcl_Obj *pick(ViewState &state, Tcl_Interp *interp, int count, Tcl_Obj *const *words)
{
    const std::string kind = Tcl_GetString(words[0]);
    const double x = number(interp, words[1]), y = number(interp, words[2]);
    const double tolerance = count > 3 ? number(interp, words[3]) : 5;
    Tcl_Obj *out = Tcl_NewListObj(0, nullptr);
    const ViewModel &m = state.model;
    if (!state.projected) return out;
    if (kind == "objects") {
        const long part = state.projector.pick_part(m, x, y, tolerance);
        if (part >= 0) Tcl_ListObjAppendElement(nullptr, out, Tcl_NewIntObj(m.parts[part].id));
    } else if (kind == "surfaces" || kind == "vertices") {
        const bool surface = kind == "surfaces";
        const long found = surface ? state.projector.pick_surface(m, x, y, tolerance)
                                   : state.projector.pick_vertex(m, x, y, tolerance);
        if (found < 0) return out;
        const auto index = static_cast<std::uint32_t>(found);
        const ViewModel::Part &p = m.parts[surface ? m.part_of_surface(index) : m.part_of_vertex(index)];
        Tcl_ListObjAppendElement(nullptr, out, Tcl_NewIntObj(p.id));
        Tcl_ListObjAppendElement(nullptr, out, Tcl_NewWideIntObj(index - (surface ? p.first_surface : p.first_vertex)));
    } else {
        throw expected("objects, surfaces or vertices", kind);
    }
    return out;
}

Tcl_Obj *point(ViewState &state, Tcl_Obj *const *words)
{
    const int id = integer(words[0]), index = integer(words[1]);
    const ViewModel &m = state.model;
    for (std::size_t p = 0; p < m.parts.size(); ++p) {
        const std::uint32_t end = p + 1 < m.parts.size() ? m.parts[p + 1].first_vertex : m.vertex_count();
        double x, y;
        if (m.parts[p].id == id && index >= 0 && m.parts[p].first_vertex + index < end && state.projected &&
            state.projector.point(m.parts[p].first_vertex + index, x, y)) {
            Tcl_Obj *xy[] = {Tcl_NewDoubleObj(x), Tcl_NewDoubleObj(y)};
            return Tcl_NewListObj(2, xy);
        }
    }
    throw Error("no vertex " + std::to_string(index) + " of object " + std::to_string(id) + " in view");
}

Tcl_Obj *run(ViewState &state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const char *const usage = "sync|positions|fit|project|axes|pick|point ...";
    if (objc < 2) throw Error(std::string("usage: ::standin::view ") + usage);
    const std::string what = Tcl_GetString(objv[1]);
    const int count = objc - 2;
    Tcl_Obj *const *words = objv + 2;
    auto need = [&](int low, int high, const char *form) {
        if (count < low || count > high) throw Error(std::string("usage: ::standin::view ") + form);
    };
    if (what == "sync") {
        need(0, 0, "sync");
        state.projected = false;
        return sync(state.model);
    }
    if (what == "positions") {
        need(0, 0, "positions");
        state.projected = false;
        return copy_positions(state.model);
    }
    if (what == "fit") {
        need(6, 6, "fit AZ EL LEFT TOP RIGHT BOTTOM");
        const Camera c = fit_camera(state.model, camera_of(interp, words, false));
        Tcl_Obj *out[] = {Tcl_NewDoubleObj(c.scale), Tcl_NewDoubleObj(c.centre[0]), Tcl_NewDoubleObj(c.centre[1]),
                          Tcl_NewDoubleObj(c.centre[2])};
        return Tcl_NewListObj(4, out);
    }
    if (what == "project") {
        need(10, 11, "project AZ EL SCALE CX CY CZ LEFT TOP RIGHT BOTTOM ?GRAIN?");
        return project(state, interp, count, words);
    }
    if (what == "axes") {
        need(2, 2, "axes AZ EL");
        const Axes a = camera_axes(number(interp, words[0]), number(interp, words[1]));
        Tcl_Obj *out[6];
        for (int k = 0; k < 3; ++k) {
            out[k] = Tcl_NewDoubleObj(a.right[k]);
            out[k + 3] = Tcl_NewDoubleObj(a.up[k]);
        }
        return Tcl_NewListObj(6, out);
    }
    if (what == "pick") {
        need(3, 4, "pick objects|surfaces|vertices X Y ?TOLERANCE?");
        return pick(state, interp, count, words);
    }
    if (what == "point") {
        need(2, 2, "point ID INDEX");
        return point(state, words);
    }
    throw Error("unknown subcommand " + in_quotes(what) + ": must be " + usage);
}

int view_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    return run_command_body(interp, "::standin::view",
                            [&] { return run(*static_cast<ViewState *>(data), interp, objc, objv); });
}

}  // namespace

void register_view_command(Tcl_Interp *interp)
{
    Tcl_CreateObjCommand(interp, "::standin::view", view_command, new ViewState,
                         [](ClientData data) { delete static_cast<ViewState *>(data); });
}
