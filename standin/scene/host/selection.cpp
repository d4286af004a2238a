#include "selection.h"

#include <unordered_set>

#include "error.h"
#include "host.h"
#include "names.h"

namespace standin {

// ---- the selection ----

bool Selection::apply(const SelectionChange &change, Scene &scene)
{
    using How = SelectionChange::How;
    const bool marked = change.how != How::remove;
    if (!marked && change.mode != mode_) return false;
    if (change.how == How::replace || change.mode != mode_) {
        clear(scene);
        mode_ = change.mode;
    }
    for (Object *o : change.objects) {
        if (marked)
            mark_whole(*o);
        else
            deselect(*o);
    }
    for (const auto &[o, index] : change.items) {
        if (mode_ == kSelectSurfaces) {
            o->surfaces[index].selected = marked;
        } else if (mode_ == kSelectVertices) {
            state_of(o->vertices[index]).selected = marked;
        }
    }
    left_out_ = change.left_out;
    ++version_;
    return true;
}

void Selection::start_over()
{
    drop_objects();
    mode_ = kSelectObjects;
    ++version_;
}

void Selection::mark_whole(Object &object)
{
    if (mode_ == kSelectSurfaces) {
        for (auto &surface : object.surfaces) surface.selected = true;
    } else if (mode_ == kSelectVertices) {
        for (auto &v : object.vertices) state_of(v).selected = true;
    } else if (!object.selected) {
        object.selected = true;
        objects_.push_back(&object);
    }
}

void Selection::deselect(Object &object)
{
    if (object.selected) std::erase(objects_, &object);
    object.selected = false;
    for (auto &v : object.vertices) state_of(v).selected = false;
    for (auto &s : object.surfaces) s.selected = false;
}

void Selection::drop_objects()
{
    for (Object *o : objects_) o->selected = false;
    objects_.clear();
}

void Selection::clear(Scene &scene)
{
    drop_objects();
    scene.for_each_object([](Object &o) {
        for (auto &v : o.vertices) state_of(v).selected = false;
        for (auto &s : o.surfaces) s.selected = false;
    });
}

// ---- choosing what to select ----

int select_mode_named(const std::string &kind)
{
    if (kind == "objects") return kSelectObjects;
    if (kind == "surfaces") return kSelectSurfaces;
    if (kind == "vertices") return kSelectVertices;
    throw expected("objects, surfaces or vertices", kind);
}

void refuse_locked(const Object &object)
{
    if (!counts_locked(object)) return;
    const std::string what = object.name.empty() ? std::to_string(object.id) : in_quotes(object.name);
    throw Error("object " + what + " is locked");
}

namespace {

bool own_flag(const Object &o)
{
    return o.hidden || o.locked;
}

// The objects with a hidden or locked object below them, in the trees of
// ROOTS: marked from each such object up to the world, stopping where a
// mark already is (its ancestors have theirs), so each is marked once.
std::unordered_set<const Object *> holding_hidden_or_locked(const std::vector<Object *> &roots)
{
    std::unordered_set<const Object *> marked;
    for (Object *root : roots) {
        for_each_in_tree(*root, [&](Object &o) {
            if (!own_flag(o)) return;
            const Object *at = o.parent;
            while (at != nullptr && marked.insert(at).second) at = at->parent;
        });
    }
    return marked;
}

// The objects at the top of the scene's tree.
std::vector<Object *> top_objects(const Scene &scene)
{
    std::vector<Object *> top;
    for (const auto &child : scene.world().children) top.push_back(child.get());
    return top;
}

}  // namespace

std::vector<Object *> objects_around(const std::vector<Object *> &roots, bool roots_too, size_t &left_out)
{
    const auto marked = holding_hidden_or_locked(roots);
    std::vector<Object *> chosen;
    // Roots and the children of objects passed into, each popped once: the
    // stack holds at most the children of the objects on one path down.
    std::vector<std::pair<Object *, bool>> stack;
    for (auto root = roots.rbegin(); root != roots.rend(); ++root) stack.emplace_back(*root, true);
    while (!stack.empty()) {
        const auto [o, root] = stack.back();
        stack.pop_back();
        if (own_flag(*o) && (roots_too || !root)) {
            ++left_out;
        } else if (!marked.contains(o)) {
            chosen.push_back(o);
        } else {
            for (auto child = o->children.rbegin(); child != o->children.rend(); ++child)
                stack.emplace_back(child->get(), false);
        }
    }
    return chosen;
}

SelectionChange select_trees(const std::vector<Object *> &roots, int mode, bool roots_too)
{
    SelectionChange change(SelectionChange::How::replace, mode);
    change.objects = objects_around(roots, roots_too, change.left_out);
    if (mode != kSelectObjects) change.objects = objects_reached(change.objects, kSelectObjects);
    return change;
}

void deselect_trees(Host &host, const std::vector<Object *> &roots)
{
    SelectionChange change(SelectionChange::How::remove, host.select_mode());
    for (Object *root : roots) for_each_in_tree(*root, [&](Object &o) { change.objects.push_back(&o); });
    host.select(change);
}

std::vector<Object *> select_by_name(Host &host, const std::string &kind, const std::vector<std::string> &names,
                                     int mode, const std::vector<std::string> &patterns)
{
    if (kind == "none" || kind == "all") {
        const SelectionChange change =
            select_trees(kind == "all" ? top_objects(host.scene()) : std::vector<Object *>{}, mode, true);
        host.select(change);
        return change.objects;
    }
    const int named_mode = select_mode_named(kind);
    std::vector<Object *> chosen;
    const Scene &scene = host.scene();
    for (const std::string &name : names) {
        auto named = scene.named(name);
        if (named.empty())
            throw Error("no object named " + in_quotes(name) + did_you_mean(nearest_names(scene, name, false)));
        chosen.insert(chosen.end(), named.begin(), named.end());
    }
    std::unordered_set<const Object *> taken(chosen.begin(), chosen.end());
    for (const std::string &pattern : patterns) {
        const auto matching = objects_matching(scene, pattern);
        if (matching.empty())
            throw Error("no object name matches " + in_quotes(pattern) +
                        did_you_mean(nearest_names(scene, pattern, true)));
        for (Object *o : matching)
            if (taken.insert(o).second) chosen.push_back(o);
    }
    for (const Object *o : chosen) refuse_locked(*o);
    host.select(SelectionChange(SelectionChange::How::replace, named_mode, chosen));
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
