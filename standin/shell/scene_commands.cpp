// standin subcommands that build, inspect and select the scene.
#include <stdexcept>

#include "acfile.h"
#include "host.h"
#include "shell.h"
#include "subcommands.h"

namespace {

Tcl_Obj *vertex_coordinates(const Object &object)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const auto &hv : object.vertices) {
        for (float c : {hv.v.x, hv.v.y, hv.v.z}) Tcl_ListObjAppendElement(nullptr, list, text(ac::format_float(c)));
    }
    return list;
}

int select_mode_of(const std::string &kind)
{
    if (kind == "objects") return kSelectObjects;
    if (kind == "surfaces") return kSelectSurfaces;
    if (kind == "vertices") return kSelectVertices;
    throw std::runtime_error("expected objects, surfaces or vertices but got \"" + kind + "\"");
}

// Marks what a selection of the given kind takes from one object.
void select_in(Object &object, int mode)
{
    Host &h = host();
    if (mode == kSelectObjects) {
        for (Object *o : h.selected_objects) {
            if (o == &object) return;
        }
        h.selected_objects.push_back(&object);
    } else if (mode == kSelectSurfaces) {
        for (auto &s : object.surfaces) s.selected = true;
    } else {
        for (auto &v : object.vertices) v.selected = true;
    }
}

const char *const kSelectUsage = "select all|none|objects NAME...|surfaces NAME...|vertices NAME...";

Tcl_Obj *select_command(Shell &, Args &args)
{
    args.need(1, -1, kSelectUsage);
    Host &h = host();
    const std::string kind = args.str(0);
    if (kind == "none" || kind == "all") {
        args.need(1, 1, kSelectUsage);
        h.select_none();
        h.select_mode = kSelectObjects;
        if (kind == "all") {
            for (auto &child : h.scene.world().children) h.selected_objects.push_back(child.get());
        }
        return nullptr;
    }
    const int mode = select_mode_of(kind);
    std::vector<Object *> chosen;
    for (int i = 1; i < args.count; ++i) {
        auto named = h.scene.named(args.str(i));
        if (named.empty()) throw std::runtime_error("no object named \"" + args.str(i) + "\"");
        chosen.insert(chosen.end(), named.begin(), named.end());
    }
    h.select_none();
    h.select_mode = mode;
    for (Object *o : chosen) select_in(*o, mode);
    return Tcl_NewIntObj(static_cast<int>(chosen.size()));
}

const char *const kPickUsage = "pick objects ID...|surfaces ID INDEX...|vertices ID INDEX...";

// Adds single items to the selection, switching to their selection mode.
Tcl_Obj *pick_command(Shell &, Args &args)
{
    args.need(2, -1, kPickUsage);
    Host &h = host();
    const int mode = select_mode_of(args.str(0));
    if (mode != h.select_mode) {
        h.select_none();
        h.select_mode = mode;
    }
    if (mode == kSelectObjects) {
        for (int i = 1; i < args.count; ++i) select_in(args.object(i), mode);
        return nullptr;
    }
    Object &object = args.object(1);
    for (int i = 2; i < args.count; ++i) {
        const long index = args.integer(i);
        const size_t size = mode == kSelectSurfaces ? object.surfaces.size() : object.vertices.size();
        if (index < 0 || static_cast<size_t>(index) >= size) {
            throw std::runtime_error("object " + args.str(1) + " has no " +
                                     (mode == kSelectSurfaces ? "surface " : "vertex ") + args.str(i));
        }
        if (mode == kSelectSurfaces) {
            object.surfaces[static_cast<size_t>(index)].selected = true;
        } else {
            object.vertices[static_cast<size_t>(index)].selected = true;
        }
    }
    return nullptr;
}

}  // namespace

void add_scene_subcommands()
{
    add_subcommand({"new", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "new");
                        host().reset_scene();
                        return nullptr;
                    }});
    add_subcommand({"object", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(1, 2, "object NAME ?PARENT-ID?");
                        Object *parent = args.count == 2 ? &args.object(1) : nullptr;
                        return Tcl_NewIntObj(host().scene.add_object(args.str(0), parent).id);
                    }});
    add_subcommand({"vertex", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(4, -1, "vertex ID X Y Z ?X Y Z ...?");
                        if ((args.count - 1) % 3 != 0) throw std::runtime_error("coordinates come in threes");
                        Object &object = args.object(0);
                        const auto first = object.vertices.size();
                        for (int i = 1; i < args.count; i += 3) {
                            object.add_vertex(args.coordinate(i), args.coordinate(i + 1), args.coordinate(i + 2));
                        }
                        return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(first));
                    }});
    add_subcommand({"surface", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(2, -1, "surface ID INDEX ?INDEX ...?");
                        Object &object = args.object(0);
                        std::vector<uint32_t> refs;
                        for (int i = 1; i < args.count; ++i) {
                            const long index = args.integer(i);
                            if (index < 0 || static_cast<size_t>(index) >= object.vertices.size()) {
                                throw std::runtime_error("object " + args.str(0) + " has no vertex " + args.str(i));
                            }
                            refs.push_back(static_cast<uint32_t>(index));
                        }
                        return Tcl_NewIntObj(static_cast<int>(object.add_surface(std::move(refs)).index));
                    }});
    add_subcommand({"subdivided", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(1, 2, "subdivided ID ?BOOLEAN?");
                        Object &object = args.object(0);
                        if (args.count == 2) object.subdivided = args.boolean(1);
                        return Tcl_NewBooleanObj(object.subdivided);
                    }});
    add_subcommand({"get", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(1, 1, "get ID");
                        return vertex_coordinates(args.object(0));
                    }});
    add_subcommand({"set", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(5, 5, "set ID INDEX X Y Z");
                        Object &object = args.object(0);
                        const long index = args.integer(1);
                        if (index < 0 || static_cast<size_t>(index) >= object.vertices.size()) {
                            throw std::runtime_error("object " + args.str(0) + " has no vertex " + args.str(1));
                        }
                        object.vertices[static_cast<size_t>(index)].v =
                            Vertex{args.coordinate(2), args.coordinate(3), args.coordinate(4)};
                        return nullptr;
                    }});
    add_subcommand({"objects", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "objects");
                        Tcl_Obj *ids = Tcl_NewListObj(0, nullptr);
                        host().scene.for_each_object(
                            [&](Object &o) { Tcl_ListObjAppendElement(nullptr, ids, Tcl_NewIntObj(o.id)); });
                        return ids;
                    }});
    add_subcommand({"info", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(1, 1, "info ID");
                        const Object &o = args.object(0);
                        Tcl_Obj *children = Tcl_NewListObj(0, nullptr);
                        for (const auto &c : o.children) Tcl_ListObjAppendElement(nullptr, children, Tcl_NewIntObj(c->id));
                        Tcl_Obj *items[] = {text("name"), text(o.name),
                                            text("parent"), Tcl_NewIntObj(o.parent ? o.parent->id : 0),
                                            text("vertices"), Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(o.vertices.size())),
                                            text("surfaces"), Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(o.surfaces.size())),
                                            text("children"), children,
                                            text("subdivided"), Tcl_NewBooleanObj(o.subdivided)};
                        return Tcl_NewListObj(static_cast<int>(std::size(items)), items);
                    }});
    add_subcommand({"select", select_command});
    add_subcommand({"pick", pick_command});
    add_subcommand({"mode", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "mode");
                        switch (host().select_mode) {
                        case kSelectSurfaces: return text("surfaces");
                        case kSelectVertices: return text("vertices");
                        default: return text("objects");
                        }
                    }});
    add_subcommand({"bbox", [](Shell &, Args &args) -> Tcl_Obj * {
                        args.need(0, 0, "bbox");
                        const Box &b = host().box;
                        Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
                        for (float c : {b.min.x, b.min.y, b.min.z, b.max.x, b.max.y, b.max.z}) {
                            Tcl_ListObjAppendElement(nullptr, list, text(ac::format_float(c)));
                        }
                        return list;
                    }});
}
