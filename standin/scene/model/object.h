// An object of the scene: its vertices and surfaces, kept in blocks that
// never move, and its children.
#ifndef RILO_STANDIN_OBJECT_H
#define RILO_STANDIN_OBJECT_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "ac3d.h"
#include "blocks.h"
#include "memory.h"
#include "node.h"
#include "refs.h"
#include "stamp.h"
#include "surface.h"
#include "vertex.h"

// Object stays at global scope: host/ac3d.h declares it as an opaque C type
// (typedef struct Object Object), and this is its definition.
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
    bool selected = false;           // in the host's selected objects
    standin::VertexBlocks vertices;  // records stay in place as the object grows
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

inline standin::RefRange Surface::refs() const
{
    return owner()->refs_at(first, count);
}

namespace standin {

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

}  // namespace standin

#endif
