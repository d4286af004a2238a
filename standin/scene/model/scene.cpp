// Objects built vertex by vertex and surface by surface, and the scene
// that holds them (object.h, scene.h).
#include "scene.h"

#include <atomic>

#include "error.h"

using standin::HostVertex;
using standin::ItemKind;
using standin::Node;
using standin::VertexState;

namespace {

template <typename Items, typename Address>
void rebuild_nodes(std::vector<Node> &nodes, Items &items, ItemKind kind, Address address)
{
    nodes.clear();
    nodes.reserve(items.size());
    // One pass: each node points at the slot of the next, the last at nothing.
    Node *const first = nodes.data();
    for (auto &item : items) {
        nodes.push_back(Node{List{address(item), &first[nodes.size() + 1].list}, kind});
    }
    if (!nodes.empty()) nodes.back().list.next = nullptr;
}

}  // namespace

void Object::reserve(size_t vertex_count, size_t surface_count)
{
    vertices.reserve(vertex_count);
    surfaces.reserve(surface_count);
}

HostVertex &Object::add_vertex(float x, float y, float z)
{
    VertexState *last = vertices.empty() ? nullptr : &standin::state_of(vertices.back());
    HostVertex &v = vertices.push_back(HostVertex{Vertex{x, y, z}, static_cast<uint32_t>(vertices.next_offset())});
    VertexState &state = *new (&standin::state_of(v)) VertexState{List{&v, nullptr}, 0, 0, false};
    if (last != nullptr) last->own.next = &state.own;
    return v;
}

Surface &Object::add_surface(std::span<const uint32_t> refs)
{
    for (uint32_t r : refs) {
        if (r >= vertices.size())
            throw standin::Error("surface refers to vertex " + std::to_string(r) + " of an object with " +
                                 std::to_string(vertices.size()));
    }
    if (borrowed_refs != nullptr) {  // edited: the references become the object's own
        const standin::RefRange all(borrowed_refs, borrowed_count, borrowed_stride);
        surface_refs.assign(all.begin(), all.end());
        borrowed_refs = nullptr;
    }
    const auto first = static_cast<uint32_t>(surface_refs.size());
    surface_refs.insert(surface_refs.end(), refs.begin(), refs.end());
    surfaces.push_back(
        Surface{first, static_cast<uint32_t>(refs.size()), 0, static_cast<uint32_t>(surfaces.next_offset()), false});
    return surfaces.back();
}

void Object::borrow_refs(const uint32_t *refs, uint32_t count, uint32_t stride)
{
    const standin::RefRange all(refs, count, stride);
    for (uint32_t r : all) {
        if (r >= vertices.size())
            throw standin::Error("surface refers to vertex " + std::to_string(r) + " of an object with " +
                                 std::to_string(vertices.size()));
    }
    borrowed_refs = refs;
    borrowed_count = count;
    borrowed_stride = stride;
}

Surface &Object::add_borrowed_surface(uint32_t first, uint32_t count)
{
    if (borrowed_refs == nullptr ? first != 0 || count != 0 : size_t{first} + count > borrowed_count)
        throw standin::Error("surface refers to references " + std::to_string(first) + " to " +
                             std::to_string(size_t{first} + count) + " of " + std::to_string(borrowed_count));
    surfaces.push_back(Surface{first, count, 0, static_cast<uint32_t>(surfaces.next_offset()), false});
    return surfaces.back();
}

Object &Object::add_child(std::string child_name, int child_id)
{
    auto child = std::make_unique<Object>();
    child->name = std::move(child_name);
    child->id = child_id;
    child->parent = this;
    child->arena = arena;
    child->vertices.use(arena, child.get());
    child->surfaces.use(arena, child.get());
    children.push_back(std::move(child));
    child_nodes_stale = true;
    return *children.back();
}

List *Object::vertex_list()
{
    return vertices.empty() ? nullptr : &standin::state_of(vertices[0]).own;
}

List *Object::children_list()
{
    if (child_nodes_stale) {
        rebuild_nodes(child_nodes, children, ItemKind::Object, [](std::unique_ptr<Object> &c) { return c.get(); });
        child_nodes_stale = false;
    }
    return child_nodes.empty() ? nullptr : &child_nodes.front().list;
}

namespace standin {

Scene::Scene() : arena_(std::make_unique<Arena>()), world_(std::make_unique<Object>())
{
    static std::atomic<uint64_t> scenes{0};
    serial_ = ++scenes;
    world_->name = "world";
    world_->arena = arena_.get();
    world_->vertices.use(arena_.get(), world_.get());
    world_->surfaces.use(arena_.get(), world_.get());
}

namespace {

// Releases a tree one object at a time, so that no depth of nesting can
// exhaust the stack as nested destructors would.
void dismantle(std::unique_ptr<Object> root)
{
    std::vector<std::unique_ptr<Object>> pending;
    if (root) pending.push_back(std::move(root));
    while (!pending.empty()) {
        std::unique_ptr<Object> object = std::move(pending.back());
        pending.pop_back();
        for (auto &child : object->children) pending.push_back(std::move(child));
    }
}

}  // namespace

Scene::~Scene()
{
    dismantle(std::move(world_));
}

Scene &Scene::operator=(Scene &&other) noexcept
{
    if (this != &other) {
        dismantle(std::move(world_));
        world_ = std::move(other.world_);
        by_id_ = std::move(other.by_id_);
        arena_ = std::move(other.arena_);
        serial_ = other.serial_;
    }
    return *this;
}

Object &Scene::add_object(std::string name, Object *parent)
{
    Object &parent_object = parent != nullptr ? *parent : *world_;
    Object &object = parent_object.add_child(std::move(name), static_cast<int>(by_id_.size()) + 1);
    by_id_.push_back(&object);
    return object;
}

Object *Scene::find(int id) const
{
    if (id < 1 || static_cast<size_t>(id) > by_id_.size()) return nullptr;
    return by_id_[static_cast<size_t>(id) - 1];
}

std::vector<Object *> Scene::named(const std::string &name) const
{
    std::vector<Object *> found;
    for_each_object([&](Object &o) {
        if (o.name == name) found.push_back(&o);
    });
    return found;
}

}  // namespace standin
