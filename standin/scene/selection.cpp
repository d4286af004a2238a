#include "selection.h"

#include <unordered_set>

#include "error.h"

namespace standin {

int select_mode_named(const std::string &kind)
{
    if (kind == "objects") return kSelectObjects;
    if (kind == "surfaces") return kSelectSurfaces;
    if (kind == "vertices") return kSelectVertices;
    throw expected("objects, surfaces or vertices", kind);
}

void select_in(Host &host, Object &object, int mode)
{
    if (mode == kSelectObjects) {
        host.select_object(object);
    } else if (mode == kSelectSurfaces) {
        for (auto &s : object.surfaces) s.selected = true;
    } else {
        for (auto &v : object.vertices) state_of(v).selected = true;
    }
}

void refuse_locked(const Object &object)
{
    if (!counts_locked(object)) return;
    const std::string what = object.name.empty() ? std::to_string(object.id) : in_quotes(object.name);
    throw Error("object " + what + " is locked");
}

namespace {

// Whether any object below O (O included) is hidden or locked by its own flag.
bool has_hidden_or_locked(const Object &o)
{
    if (o.hidden || o.locked) return true;
    for (const auto &child : o.children)
        if (has_hidden_or_locked(*child)) return true;
    return false;
}

// What "select all" takes below PARENT: each object neither hidden nor
// locked whole, with what is below it, where nothing below is hidden or
// locked; otherwise, its children so chosen, one by one.
void add_shown(const Object &parent, std::vector<Object *> &chosen)
{
    for (const auto &child : parent.children) {
        if (child->hidden || child->locked) continue;
        if (has_hidden_or_locked(*child))
            add_shown(*child, chosen);
        else
            chosen.push_back(child.get());
    }
}

}  // namespace

void deselect_trees(Host &host, const std::vector<Object *> &roots)
{
    for (Object *root : roots) for_each_in_tree(*root, [&](Object &o) { host.deselect(o); });
}

std::vector<Object *> selectable_objects(const Scene &scene)
{
    std::vector<Object *> chosen;
    add_shown(scene.world(), chosen);
    return chosen;
}

std::vector<Object *> select_by_name(Host &host, const std::string &kind, const std::vector<std::string> &names)
{
    std::vector<Object *> chosen;
    if (kind == "none" || kind == "all") {
        if (kind == "all") chosen = selectable_objects(host.scene());
        host.select_none();
        host.set_select_mode(kSelectObjects);
        for (Object *o : chosen) host.select_object(*o);
        return chosen;
    }
    const int mode = select_mode_named(kind);
    for (const std::string &name : names) {
        auto named = host.scene().named(name);
        if (named.empty()) throw Error("no object named " + in_quotes(name));
        chosen.insert(chosen.end(), named.begin(), named.end());
    }
    for (const Object *o : chosen) refuse_locked(*o);
    host.select_none();
    host.set_select_mode(mode);
    for (Object *o : chosen) select_in(host, *o, mode);
    return chosen;
}

std::vector<Object *> objects_reached(const std::vector<Object *> &chosen, int mode)
{
    std::vector<Object *> reached;
    std::unordered_set<const Object *> seen;
    auto reach = [&](Object &o) {
        if (seen.insert(&o).second) reached.push_back(&o);
    };
    for (Object *o : chosen) {
        if (mode == kSelectObjects) {
            for_each_in_tree(*o, reach);
        } else {
            reach(*o);
        }
    }
    return reached;
}

}  // namespace standin
