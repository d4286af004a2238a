// The stand-in modeller's scene: a tree of objects with vertices and surfaces.
#ifndef RILO_STANDIN_SCENE_H
#define RILO_STANDIN_SCENE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ac3d.h"
#include "blocks.h"

namespace standin {

// Kinds of item a host list can carry.
enum class ItemKind : uint8_t { Vertex, Object, Surface };

// A node of a list the host keeps for an object (its children): the public
// List, then what it carries.  The nodes handed to callers are bare Lists
// (NodePool).
struct Node {
    List list;
    ItemKind kind;
};

inline const Node *node_of(const List *list)
{
    return reinterpret_cast<const Node *>(list);
}

// Stamps.  A record is marked by writing a counter's current value into it,
// so that everything marked before is unmarked at once by the next value;
// when a counter wraps, its field is zeroed in every record.  Wider stamps
// would only lengthen every record.
//
//   counter                      field                 marks
//   Lists::stamp_ (new_stamp)    Object::mark,         "already in the list being built", in
//                                Surface::mark,        Lists::surface_vertices, Lists::append_unique
//                                VertexState::mark     and Host::count_moved (each vertex once)
//   Lists::append_stamp_         the same marks        the items of the list last appended to, trusted
//                                                      until a new stamp, the list's release or its
//                                                      undo step, or a new scene (forget_append_list)
//   Checks::step_stamp_          VertexState::step     the vertices of the last undo step a checked
//                                                      command saved, where the checks must tell them
//                                                      from others of their object (note_step)
//   Invocation::step_stamp       (a copy)              which step stamp is the running command's last
using Stamp = uint32_t;
inline constexpr uint32_t kStepStampLimit = 1u << 31;  // step stamps fit in 31 bits

// The host's vertex record: the public prefix, then its offset in its
// block, 16 bytes in all, so that the passes over positions (the plug-in's
// scans, the undo step, the checks) read nothing else.  Its object and index
// come from the head of its block (owner_of, index_of); the rest of the
// vertex is its VertexState, beside the block (state_of).
struct HostVertex {
    Vertex v;
    uint32_t offset;  // in its block of the object's vertices
};
static_assert(sizeof(HostVertex) == 16, "the vertex record stays small: scans walk every one");

struct VertexState {
    List own;               // in the object's own list: data is the vertex, next the next vertex's node
    Stamp mark;             // membership stamp used while building lists
    uint32_t step : 31;     // stamp of the last undo step a checked command saved it in, below kStepStampLimit
    uint32_t selected : 1;  // a uint32_t field, so that every compiler packs it with step
};
static_assert(sizeof(VertexState) == sizeof(List) + 8 && offsetof(VertexState, own) == 0,
              "a vertex's node in its own list is its state");

// A surface's references: a run of its object's one array of them, so that
// a model of many small surfaces costs no allocation per surface.  The
// array may be the object's own, or one the scene was built from, read
// every STRIDE words.
class RefRange {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = uint32_t;
        using difference_type = std::ptrdiff_t;
        using pointer = const uint32_t *;
        using reference = uint32_t;

        Iterator() = default;
        Iterator(const uint32_t *at, uint32_t stride) : at_(at), stride_(stride) {}
        uint32_t operator*() const { return *at_; }
        Iterator &operator++()
        {
            at_ += stride_;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator was = *this;
            ++*this;
            return was;
        }
        bool operator==(const Iterator &other) const { return at_ == other.at_; }

    private:
        const uint32_t *at_ = nullptr;
        uint32_t stride_ = 1;
    };

    RefRange() = default;
    RefRange(const uint32_t *first, uint32_t count, uint32_t stride) : first_(first), count_(count), stride_(stride) {}
    Iterator begin() const { return {first_, stride_}; }
    Iterator end() const { return {first_ + size_t{count_} * stride_, stride_}; }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    uint32_t operator[](size_t i) const { return first_[i * stride_]; }
    uint32_t front() const { return first_[0]; }
    uint32_t back() const { return (*this)[count_ - 1]; }
    friend bool operator==(const RefRange &a, const std::vector<uint32_t> &b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    const uint32_t *first_ = nullptr;
    uint32_t count_ = 0;
    uint32_t stride_ = 1;
};

}  // namespace standin

// Object and Surface stay at global scope: host/ac3d.h declares them as
// opaque C types (typedef struct Object Object), and these are their
// definitions.
struct Surface {
    uint32_t first;  // its references are its object's refs_at(first, count)
    uint32_t count;
    standin::Stamp mark;
    uint32_t offset : 31;   // in its block of the object's surfaces
    uint32_t selected : 1;  // a uint32_t field, so that every compiler packs it with offset

    // Its object and index come from the head of the block it sits in.
    Object *owner() const;
    uint32_t index() const;
    // Indices into its object's vertices.
    standin::RefRange refs() const;
};

struct Object {
    std::string name;
    int id = 0;
    Object *parent = nullptr;
    bool subdivided = false;
    // As the model file marks the object: not drawn, picked or selected;
    // not selectable; shown folded in the window's tree.
    bool hidden = false;
    bool locked = false;
    bool folded = false;
    std::string kind = "poly";  // the model's type of object: world, poly, group, light
    standin::Stamp mark = 0;
    bool selected = false;                                                // in the host's selected objects
    standin::Blocks<standin::HostVertex, standin::VertexState> vertices;  // records stay in place as the object grows
    standin::Blocks<Surface> surfaces;
    std::vector<uint32_t> surface_refs;  // every surface's references, one run each
    // Or, for an object built from a model, the model's references, read in
    // place; an object's own surface_refs take over once it is edited.
    const uint32_t *borrowed_refs = nullptr;
    uint32_t borrowed_stride = 1;
    uint32_t borrowed_count = 0;
    std::vector<std::unique_ptr<Object>> children;
    standin::Arena *arena = nullptr;  // the scene's, where the records are kept

    // The object's own list of children as the plug-in reads it, rebuilt
    // when stale; its vertex list lives in the vertex records.
    std::vector<standin::Node> child_nodes;
    bool child_nodes_stale = true;

    // Room for the vertices and surfaces about to be added, in one block each.
    void reserve(size_t vertex_count, size_t surface_count);
    standin::HostVertex &add_vertex(float x, float y, float z);
    // Throws standin::Error when a reference is out of range.
    Surface &add_surface(std::span<const uint32_t> refs);
    Surface &add_surface(const std::vector<uint32_t> &refs) { return add_surface(std::span<const uint32_t>(refs)); }
    // Surfaces whose references are runs of COUNT words, every STRIDE words
    // from REFS, which must outlive the object: each surface is a run of them
    // given as (first, count).  Only for an object without surfaces yet.
    // Throws standin::Error when a reference is out of range.
    void borrow_refs(const uint32_t *refs, uint32_t count, uint32_t stride);
    Surface &add_borrowed_surface(uint32_t first, uint32_t count);
    standin::RefRange refs_at(uint32_t first, uint32_t count) const
    {
        if (borrowed_refs != nullptr)
            return standin::RefRange(borrowed_refs + size_t{first} * borrowed_stride, count, borrowed_stride);
        return standin::RefRange(surface_refs.data() + first, count, 1);
    }
    Object &add_child(std::string child_name, int child_id);
    List *vertex_list();
    List *children_list();
};

inline Object *Surface::owner() const
{
    return static_cast<Object *>(const_cast<void *>(standin::Blocks<Surface>::head_of(this, offset).owner));
}

inline uint32_t Surface::index() const
{
    return static_cast<uint32_t>(standin::Blocks<Surface>::head_of(this, offset).first + offset);
}

inline standin::RefRange Surface::refs() const
{
    return owner()->refs_at(first, count);
}

namespace standin {

using VertexBlocks = Blocks<HostVertex, VertexState>;

inline Object *owner_of(const HostVertex &v)
{
    return static_cast<Object *>(const_cast<void *>(VertexBlocks::head_of(&v, v.offset).owner));
}

inline uint32_t index_of(const HostVertex &v)
{
    return static_cast<uint32_t>(VertexBlocks::head_of(&v, v.offset).first + v.offset);
}

inline VertexState &state_of(const HostVertex &v)
{
    return VertexBlocks::side_of(&v, v.offset);
}

// The states of COUNT vertex records at consecutive addresses from FIRST.
inline VertexState *states_of_run(const HostVertex *first, size_t count)
{
    return VertexBlocks::sides_of_run(first, first->offset, count);
}

// Hidden or locked as the window and the selection take it: by its own
// flag or any ancestor's below the world (the world has no place in the
// tree, where it could be shown again).
inline bool counts_hidden(const Object &o)
{
    for (const Object *at = &o; at->parent != nullptr; at = at->parent)
        if (at->hidden) return true;
    return false;
}

inline bool counts_locked(const Object &o)
{
    for (const Object *at = &o; at->parent != nullptr; at = at->parent)
        if (at->locked) return true;
    return false;
}

inline bool is_selected(const HostVertex &v)
{
    return state_of(v).selected;
}

inline bool is_selected(const Surface &s)
{
    return s.selected;
}

// The whole model: a world object whose children are the top-level objects.
class Scene {
public:
    Scene();
    ~Scene();
    Scene(Scene &&other) noexcept = default;
    Scene &operator=(Scene &&other) noexcept;

    Object &world() { return *world_; }
    const Object &world() const { return *world_; }
    Object &add_object(std::string name, Object *parent = nullptr);
    Object *find(int id) const;
    std::vector<Object *> named(const std::string &name) const;
    size_t object_count() const { return by_id_.size(); }
    // Where the scene's records are kept.
    const Arena &arena() const { return *arena_; }
    // A number no other scene of this process has: what is kept about an
    // object beside the scene is known stale when the scene is another.
    uint64_t serial() const { return serial_; }

    // Every object below the world, depth-first pre-order.
    template <typename F>
    void for_each_object(F &&visit) const;

private:
    std::unique_ptr<Arena> arena_;  // first: released after the objects
    std::unique_ptr<Object> world_;
    std::vector<Object *> by_id_;  // id - 1 -> object
    uint64_t serial_;
};

// Every object from ROOT down (ROOT first), depth-first pre-order.
template <typename F>
void for_each_in_tree(Object &root, F &&visit)
{
    std::vector<std::pair<Object *, size_t>> stack{{&root, 0}};
    visit(root);
    while (!stack.empty()) {
        auto &[object, next] = stack.back();
        if (next == object->children.size()) {
            stack.pop_back();
            continue;
        }
        Object *child = object->children[next++].get();
        visit(*child);
        stack.emplace_back(child, 0);
    }
}

template <typename F>
void Scene::for_each_object(F &&visit) const
{
    bool below_world = false;
    for_each_in_tree(*world_, [&](Object &o) {
        if (below_world) visit(o);
        below_world = true;
    });
}

}  // namespace standin

#endif
