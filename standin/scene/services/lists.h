// The lists the host hands to plug-ins and reads back from them: the pool of
// their nodes, building them, appending without repeats, releasing them, and
// telling the three kinds of node apart.
#ifndef RILO_STANDIN_LISTS_H
#define RILO_STANDIN_LISTS_H

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ac3d.h"
#include "memory.h"
#include "scene.h"

namespace standin {

// Nodes of the lists handed to callers: bare list nodes, kept in chunks and
// reused.  What the host needs to check how a node is used (whether it is
// still the caller's, the kind of item it carries) is a byte beside the
// chunk, so that a node costs the caller's list 16 bytes, not 24.
class NodePool {
public:
    static constexpr uint8_t kKindBits = 0x03;
    static constexpr uint8_t kLive = 0x80;

    List *take(void *item, ItemKind kind)
    {
        if (free_ != nullptr || fresh_ == fresh_end_) return take_slow(item, kind);
        *fresh_state_++ = static_cast<uint8_t>(kLive | static_cast<uint8_t>(kind));
        List *node = fresh_++;
        *node = List{item, nullptr};
        ++live_;
        return node;
    }
    // Gives back a live node of the pool, whose state is STATE (state_of).
    void give_back(List *node, uint8_t *state);
    // The state byte of NODE (kLive | the item's kind), or nullptr when NODE
    // is not one of the pool's.
    uint8_t *state_of(const List *node) const
    {
        const size_t id = by_address_.find(node);
        if (id == ChunkIndex::kNone) return nullptr;
        const Chunk &chunk = chunks_[id];
        const uintptr_t at = reinterpret_cast<uintptr_t>(node) - reinterpret_cast<uintptr_t>(chunk.nodes.get());
        return at % sizeof(List) == 0 ? &chunk.states[at / sizeof(List)] : nullptr;
    }
    bool owns(const List *list) const { return state_of(list) != nullptr; }
    // Whether NODE is the pool's and still the caller's.
    bool is_live(const List *node) const
    {
        const uint8_t *state = state_of(node);
        return state != nullptr && (*state & kLive) != 0;
    }
    size_t live() const { return live_; }

private:
    struct Chunk {
        Array<List> nodes;
        Array<uint8_t> states;  // one per node
        size_t size;
    };
    List *take_slow(void *item, ItemKind kind);

    std::vector<Chunk> chunks_;
    ChunkIndex by_address_;  // of the chunks' nodes
    List *fresh_ = nullptr;  // the last chunk's nodes never taken yet
    List *fresh_end_ = nullptr;
    uint8_t *fresh_state_ = nullptr;
    List *free_ = nullptr;
    size_t live_ = 0;
};

// Appends items at the tail of a caller's list under construction.
class ListBuilder {
public:
    explicit ListBuilder(NodePool &nodes, List *tail = nullptr) : nodes_(nodes), tail_(tail) {}
    void add(void *item, ItemKind kind)
    {
        List *node = nodes_.take(item, kind);
        if (tail_ != nullptr) {
            tail_->next = node;
        } else {
            head_ = node;
        }
        tail_ = node;
    }
    List *head() const { return head_; }
    List *tail() const { return tail_; }

private:
    NodePool &nodes_;
    List *head_ = nullptr;
    List *tail_;
};

// The three kinds of node in the lists plug-ins hold.  A node is a bare
// List: its kind, and the kind of item it carries, come from where it lies.
enum class NodeKind : uint8_t {
    Pooled,     // a list handed to a caller: in the NodePool's chunks; its item's kind is in its state byte
    OwnVertex,  // an object's own vertex list: the first field of a VertexState, so in the scene's arena
    Child,      // an object's list of children: the first field of a Node, which names the kind after it
};

struct NodeClass {
    NodeKind node;
    ItemKind item;
};

class Lists {
public:
    explicit Lists(Scene &scene) : scene_(scene) {}
    Lists(const Lists &) = delete;
    Lists &operator=(const Lists &) = delete;

    // What NODE is, found by address: first the scene's arena (an object's
    // own vertices, the nodes passed most), then the pool; a node in neither
    // is a Node of a list of children.
    NodeClass classify(const List *node) const
    {
        if (scene_.arena().contains(node)) {
            assert(&state_of(*static_cast<const HostVertex *>(node->data)).own == node);
            return {NodeKind::OwnVertex, ItemKind::Vertex};
        }
        if (const uint8_t *state = nodes_.state_of(node)) {
            assert((*state & NodePool::kKindBits) <= static_cast<uint8_t>(ItemKind::Surface));
            return {NodeKind::Pooled, static_cast<ItemKind>(*state & NodePool::kKindBits)};
        }
        const Node *child = node_of(node);
        assert(child->kind == ItemKind::Object && static_cast<const Object *>(node->data)->parent != nullptr);
        return {NodeKind::Child, child->kind};
    }

    // ---- lists handed to callers, each item once, in selection or scene order ----
    List *objects(const std::vector<Object *> &objects);
    List *selected_surfaces();
    List *selected_vertices();
    // The vertices of the SURFACES, in the order the surfaces name them.
    List *surface_vertices(const List *surfaces);
    // Appends to *LIST the ITEMS it does not hold yet.  Returns the breach of
    // the host's rules, or nullptr.
    const char *append_unique(List **list, List *items);
    // Gives back the nodes of a caller's list.  Returns the breach of the
    // host's rules, or nullptr; the nodes before a breach are given back.
    const char *release(List *list);
    bool owns(const List *list) const { return nodes_.owns(list); }
    // Caller's nodes not released yet.
    size_t live() const { return nodes_.live(); }

    // ---- stamps (see Stamp) ----
    Stamp new_stamp();
    // The one keeper of append_unique's memory: forgets the list last
    // appended to when it is LIST.  Every path that releases that list, hands
    // it to an undo step, drops the scene or stamps items afresh calls it.
    void forget_append_list(const List *list);
    void forget_append_list() { forget_append_list(append_head_); }

private:
    template <typename Items>
    List *selected(Items Object::*items, ItemKind kind);
    // Stamps with a new stamp the items of LIST, and remembers its tail.
    void stamp_afresh(List *list);

    Scene &scene_;
    NodePool nodes_;
    Stamp stamp_ = 0;
    // The list last appended to with append_unique: while it is remembered,
    // its items carry append_stamp_.
    const List *append_head_ = nullptr;
    List *append_tail_ = nullptr;
    Stamp append_stamp_ = 0;
};

}  // namespace standin

#endif
