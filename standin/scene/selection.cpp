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

std::vector<Object *> select_by_name(Host &host, const std::string &kind, const std::vector<std::string> &names)
{
    std::vector<Object *> chosen;
    if (kind == "none" || kind == "all") {
        host.select_none();
        host.set_select_mode(kSelectObjects);
        if (kind == "all") {
            for (auto &child : host.scene().world().children) chosen.push_back(child.get());
            for (Object *o : chosen) host.select_object(*o);
        }
        return chosen;
    }
    const int mode = select_mode_named(kind);
    for (const std::string &name : names) {
        auto named = host.scene().named(name);
        if (named.empty()) throw Error("no object named " + in_quotes(name));
        chosen.insert(chosen.end(), named.begin(), named.end());
    }
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
