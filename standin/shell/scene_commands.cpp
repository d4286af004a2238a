// standin subcommands that build, inspect and select the scene.
#include <string_view>

#include "acfile.h"
#include "error.h"
#include "extent.h"
#include "host.h"
#include "names.h"
#include "selection.h"
#include "shell.h"
#include "subcommands.h"

namespace standin {

namespace {

Tcl_Obj *float_list(std::initializer_list<float> values, Tcl_Obj *list = Tcl_NewListObj(0, nullptr))
{
    for (float c : values) Tcl_ListObjAppendElement(nullptr, list, text(ac::format_float(c)));
    return list;
}

// An index into N items, or an error naming what object ID lacks.
size_t index_below(const Args &args, int i, size_t n, int id_word, const char *item)
{
    const long index = args.integer(i);
    if (index < 0 || static_cast<size_t>(index) >= n) {
        throw Error("object " + args.str(id_word) + " has no " + item + " " + args.str(i));
    }
    return static_cast<size_t>(index);
}

Tcl_Obj *new_scene(Args &)
{
    host().reset_scene();
    return nullptr;
}

Tcl_Obj *add_object(Args &args)
{
    Object *parent = args.count == 2 ? &args.object(1) : nullptr;
    host().note_scene_changed();
    return Tcl_NewIntObj(host().scene().add_object(args.str(0), parent).id);
}

Tcl_Obj *add_vertices(Args &args)
{
    if ((args.count - 1) % 3 != 0) throw Error("coordinates come in threes");
    Object &object = args.object(0);
    const auto first = object.vertices.size();
    host().settle_box();
    host().note_scene_changed();
    for (int i = 1; i < args.count; i += 3) {
        object.add_vertex(args.coordinate(i), args.coordinate(i + 1), args.coordinate(i + 2));
    }
    return wide(first);
}

Tcl_Obj *add_surface(Args &args)
{
    Object &object = args.object(0);
    std::vector<uint32_t> refs;
    for (int i = 1; i < args.count; ++i) {
        refs.push_back(static_cast<uint32_t>(index_below(args, i, object.vertices.size(), 0, "vertex")));
    }
    host().note_scene_changed();
    return Tcl_NewIntObj(static_cast<int>(object.add_surface(std::move(refs)).index()));
}

Tcl_Obj *subdivided(Args &args)
{
    Object &object = args.object(0);
    if (args.count == 2 && object.subdivided != args.boolean(1)) {
        object.subdivided = args.boolean(1);
        host().note_scene_changed();
    }
    return Tcl_NewBooleanObj(object.subdivided);
}

Tcl_Obj *get_coordinates(Args &args)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const auto &hv : args.object(0).vertices) float_list({hv.v.x, hv.v.y, hv.v.z}, list);
    return list;
}

Tcl_Obj *set_vertex(Args &args)
{
    Object &object = args.object(0);
    const size_t index = index_below(args, 1, object.vertices.size(), 0, "vertex");
    const Vertex position{args.coordinate(2), args.coordinate(3), args.coordinate(4)};
    host().settle_box();
    host().note_scene_changed();
    object.vertices[index].v = position;
    return nullptr;
}

Tcl_Obj *object_ids(Args &)
{
    Tcl_Obj *ids = Tcl_NewListObj(0, nullptr);
    host().scene().for_each_object([&](Object &o) { Tcl_ListObjAppendElement(nullptr, ids, Tcl_NewIntObj(o.id)); });
    return ids;
}

// The names of the scene nearest to TEXT, for a search that found nothing.
Tcl_Obj *nearest(Args &args)
{
    Tcl_Obj *names = Tcl_NewListObj(0, nullptr);
    for (const std::string &name : nearest_names(host().scene(), args.str(0), false))
        Tcl_ListObjAppendElement(nullptr, names, text(name));
    return names;
}

Tcl_Obj *object_info(Args &args)
{
    const Object &o = args.object(0);
    Tcl_Obj *children = Tcl_NewListObj(0, nullptr);
    for (const auto &c : o.children) Tcl_ListObjAppendElement(nullptr, children, Tcl_NewIntObj(c->id));
    Tcl_Obj *items[] = {text("name"),       text(o.name),
                        text("parent"),     Tcl_NewIntObj(o.parent ? o.parent->id : 0),
                        text("vertices"),   wide(o.vertices.size()),
                        text("surfaces"),   wide(o.surfaces.size()),
                        text("children"),   children,
                        text("subdivided"), Tcl_NewBooleanObj(o.subdivided),
                        text("kind"),       text(o.kind),
                        text("hidden"),     Tcl_NewIntObj(o.hidden),
                        text("locked"),     Tcl_NewIntObj(o.locked),
                        text("folded"),     Tcl_NewIntObj(o.folded)};
    return Tcl_NewListObj(static_cast<int>(std::size(items)), items);
}

// Every object in tree order, one list each, for a window that shows them
// all: {ID PARENT NAME KIND VERTICES SURFACES HIDDEN LOCKED FOLDED}.
Tcl_Obj *object_tree(Args &)
{
    Tcl_Obj *rows = Tcl_NewListObj(0, nullptr);
    host().scene().for_each_object([&](Object &o) {
        Tcl_Obj *row[] = {Tcl_NewIntObj(o.id),
                          Tcl_NewIntObj(o.parent ? o.parent->id : 0),
                          text(o.name),
                          text(o.kind),
                          wide(o.vertices.size()),
                          wide(o.surfaces.size()),
                          Tcl_NewIntObj(o.hidden),
                          Tcl_NewIntObj(o.locked),
                          Tcl_NewIntObj(o.folded)};
        Tcl_ListObjAppendElement(nullptr, rows, Tcl_NewListObj(static_cast<int>(std::size(row)), row));
    });
    return rows;
}

// Sets the hidden or locked flag of the objects given; hiding or locking
// one also takes it, and what is below it, out of the selection, since
// neither may stay selected.  Every id is checked first.  The flags are
// saved with the model; a selection is not, so it is no change.
Tcl_Obj *set_flag(Args &args, bool Object::*flag, bool value)
{
    std::vector<Object *> objects;
    for (int i = 0; i < args.count; ++i) objects.push_back(&args.object(i));
    bool changed = false;
    for (Object *o : objects) {
        changed = changed || o->*flag != value;
        o->*flag = value;
    }
    if (changed) host().note_scene_changed();
    if (value) deselect_trees(host(), objects);
    return nullptr;
}

Tcl_Obj *hide(Args &args)
{
    return set_flag(args, &Object::hidden, true);
}

Tcl_Obj *unhide(Args &args)
{
    return set_flag(args, &Object::hidden, false);
}

Tcl_Obj *lock(Args &args)
{
    return set_flag(args, &Object::locked, true);
}

Tcl_Obj *unlock(Args &args)
{
    return set_flag(args, &Object::locked, false);
}

Tcl_Obj *id_list(const std::vector<Object *> &objects)
{
    Tcl_Obj *ids = Tcl_NewListObj(0, nullptr);
    for (const Object *o : objects) Tcl_ListObjAppendElement(nullptr, ids, Tcl_NewIntObj(o->id));
    return ids;
}

// "select tree MODE ID...": the trees of the objects, around what is hidden
// or locked below them; answers how many such objects were left out.
Tcl_Obj *select_tree(Args &args)
{
    args.need(3, -1);
    const int mode = select_mode_named(args.str(1));
    std::vector<Object *> roots;
    for (int i = 2; i < args.count; ++i) {
        refuse_locked(args.object(i));
        roots.push_back(&args.object(i));
    }
    const SelectionChange change = select_trees(roots, mode, false);
    host().select(change);
    return wide(change.left_out);
}

Tcl_Obj *select(Args &args)
{
    const std::string kind = args.str(0);
    if (kind == "tree") return select_tree(args);
    if (kind == "none") args.need(1, 1);
    if (kind == "all") args.need(1, 2);
    const int mode = kind == "all" && args.count == 2 ? select_mode_named(args.str(1)) : kSelectObjects;
    std::vector<std::string> names = args.words();
    names.erase(names.begin());
    const auto chosen = select_by_name(host(), kind, kind == "all" ? std::vector<std::string>{} : names, mode);
    if (kind == "none") return nullptr;
    if (kind == "all") return id_list(chosen);
    return Tcl_NewIntObj(static_cast<int>(chosen.size()));
}

// The items a pick or unpick names: objects, or one object and indices of
// its surfaces or vertices (or, for a pick, the word all for every one).
// Every word is checked here, before the selection changes; a pick refuses
// a locked object.
struct PickedItems {
    int mode;
    std::vector<Object *> objects;
    std::vector<size_t> indices;
    bool all = false;
};

PickedItems picked_items(Args &args, bool picking)
{
    PickedItems items{select_mode_named(args.str(0)), {}, {}};
    for (int i = 1; i < (items.mode == kSelectObjects ? args.count : 2); ++i) {
        if (picking) refuse_locked(args.object(i));
        items.objects.push_back(&args.object(i));
    }
    if (items.mode == kSelectObjects) return items;
    items.all = picking && args.count == 3 && args.str(2) == "all";
    const Object &object = *items.objects.front();
    const bool surfaces = items.mode == kSelectSurfaces;
    const size_t n = surfaces ? object.surfaces.size() : object.vertices.size();
    for (int i = 2; i < args.count && !items.all; ++i)
        items.indices.push_back(index_below(args, i, n, 1, surfaces ? "surface" : "vertex"));
    return items;
}

// The change a pick or unpick makes: an object picked in object mode is
// taken around what is hidden or locked below it, as a click on a group.
SelectionChange picked_change(const PickedItems &items, SelectionChange::How how)
{
    SelectionChange change(how, items.mode);
    if (items.mode == kSelectObjects && how == SelectionChange::How::add) {
        change.objects = objects_around(items.objects, false, change.left_out);
    } else if (items.mode == kSelectObjects || items.all) {
        change.objects = items.objects;
    } else {
        for (size_t i : items.indices) change.items.emplace_back(items.objects.front(), static_cast<uint32_t>(i));
    }
    return change;
}

// Adds single items to the selection, switching to their selection mode.
Tcl_Obj *pick(Args &args)
{
    host().select(picked_change(picked_items(args, true), SelectionChange::How::add));
    return nullptr;
}

// Takes single items out of the selection; items of another mode than the
// selection's are not selected, so nothing changes for them.
Tcl_Obj *unpick(Args &args)
{
    host().select(picked_change(picked_items(args, false), SelectionChange::How::remove));
    return nullptr;
}

Tcl_Obj *select_mode(Args &)
{
    return text(select_mode_word(host().select_mode()));
}

// "extent AXIS": where the vertices a command would be handed lie along
// AXIS, {low L high H vertices N spacing S}, or nothing while none are
// selected.  A dialog asks at each edit: the answer is kept until the scene
// or the selection changes.
Tcl_Obj *extent(Args &args)
{
    static SelectionExtent kept;
    const std::string word = args.str(0);
    const auto axis = std::string_view("xyz").find(word);
    if (word.size() != 1 || axis == std::string_view::npos) throw expected("x, y or z", word);
    const auto found = kept.along(host(), static_cast<int>(axis));
    if (!found) return nullptr;
    Tcl_Obj *items[] = {text("low"),      text(ac::format_float(found->low)),
                        text("high"),     text(ac::format_float(found->high)),
                        text("vertices"), wide(found->vertices),
                        text("spacing"),  Tcl_NewDoubleObj(found->spacing)};
    return Tcl_NewListObj(static_cast<int>(std::size(items)), items);
}

const Subcommand kSceneSubcommands[] = {
    {"new", 0, 0, "", new_scene},
    {"object", 1, 2, "NAME ?PARENT-ID?", add_object},
    {"vertex", 4, -1, "ID X Y Z ?X Y Z ...?", add_vertices},
    {"surface", 2, -1, "ID INDEX ?INDEX ...?", add_surface, Caller::tests},
    {"subdivided", 1, 2, "ID ?BOOLEAN?", subdivided, Caller::tests},
    {"get", 1, 1, "ID", get_coordinates},
    {"set", 5, 5, "ID INDEX X Y Z", set_vertex, Caller::tests},
    {"objects", 0, 0, "", object_ids},
    {"nearest", 1, 1, "NAME", nearest},
    {"info", 1, 1, "ID", object_info},
    {"select", 1, -1, "all ?MODE?|none|objects NAME...|surfaces NAME...|vertices NAME...|tree MODE ID...", select},
    {"pick", 2, -1, "objects ID...|surfaces ID INDEX...|all|vertices ID INDEX...|all", pick},
    {"mode", 0, 0, "", select_mode, Caller::tests},
    {"extent", 1, 1, "x|y|z", extent},
    {"tree", 0, 0, "", object_tree},
    {"hide", 1, -1, "ID...", hide},
    {"unhide", 1, -1, "ID...", unhide},
    {"lock", 1, -1, "ID...", lock},
    {"unlock", 1, -1, "ID...", unlock},
    {"unpick", 2, -1, "objects ID...|surfaces ID INDEX...|vertices ID INDEX...", unpick},
};

}  // namespace

std::span<const Subcommand> scene_subcommands()
{
    return kSceneSubcommands;
}

}  // namespace standin
