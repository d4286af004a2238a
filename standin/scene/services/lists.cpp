#include "lists.h"

#include <algorithm>

namespace standin {

namespace {

Stamp &mark_of(void *item, ItemKind kind)
{
    switch (kind) {
    case ItemKind::Vertex:
        return state_of(*static_cast<HostVertex *>(item)).mark;
    case ItemKind::Surface:
        return static_cast<Surface *>(item)->mark;
    case ItemKind::Object:
        break;
    }
    return static_cast<Object *>(item)->mark;
}

// The mark of the item NODE carries.
Stamp &mark_at(List *node, NodeClass c)
{
    // A node of an object's own vertex list is the vertex's state: the mark is beside it.
    if (c.node == NodeKind::OwnVertex) return reinterpret_cast<VertexState *>(node)->mark;
    return mark_of(node->data, c.item);
}

}  // namespace

// ---- the pool ----

List *NodePool::take_slow(void *item, ItemKind kind)
{
    List *node = free_;
    if (node != nullptr) {
        free_ = node->next;
        *state_of(node) = static_cast<uint8_t>(kLive | static_cast<uint8_t>(kind));
        *node = List{item, nullptr};
        ++live_;
        return node;
    }
    const size_t size = chunks_.empty() ? 1024 : std::min<size_t>(chunks_.back().size * 2, size_t{1} << 20);
    make_room_for_one(chunks_);
    by_address_.make_room();
    // Each node and its state are written when the node is taken.
    chunks_.push_back(Chunk{unfilled_array<List>(size), unfilled_array<uint8_t>(size), size});
    by_address_.add(chunks_.back().nodes.get(), size * sizeof(List), chunks_.size() - 1);
    fresh_ = chunks_.back().nodes.get();
    fresh_end_ = fresh_ + size;
    fresh_state_ = chunks_.back().states.get();
    return take(item, kind);
}

void NodePool::give_back(List *node, uint8_t *state)
{
    *state &= static_cast<uint8_t>(~kLive);
    node->data = nullptr;
    node->next = free_;
    free_ = node;
    --live_;
}

// ---- lists handed to callers ----

template <typename Items>
List *Lists::selected(Items Object::*items, ItemKind kind)
{
    ListBuilder list(nodes_);
    scene_.for_each_object([&](Object &o) {
        for (auto &item : o.*items) {
            if (is_selected(item)) list.add(&item, kind);
        }
    });
    return list.head();
}

List *Lists::objects(const std::vector<Object *> &objects)
{
    ListBuilder list(nodes_);
    for (Object *o : objects) list.add(o, ItemKind::Object);
    return list.head();
}

List *Lists::selected_surfaces()
{
    return selected(&Object::surfaces, ItemKind::Surface);
}

List *Lists::selected_vertices()
{
    return selected(&Object::vertices, ItemKind::Vertex);
}

List *Lists::surface_vertices(const List *surfaces)
{
    const Stamp stamp = new_stamp();
    ListBuilder list(nodes_);
    for (const List *n = surfaces; n != nullptr; n = n->next) {
        auto *surface = static_cast<Surface *>(n->data);
        Object *owner = surface->owner();
        for (uint32_t ref : surface->refs()) {
            HostVertex &v = owner->vertices[ref];
            VertexState &state = state_of(v);
            if (state.mark == stamp) continue;
            state.mark = stamp;
            list.add(&v, ItemKind::Vertex);
        }
    }
    return list.head();
}

void Lists::stamp_afresh(List *list)
{
    append_stamp_ = new_stamp();
    for (List *n = list; n != nullptr; n = n->next) {
        mark_at(n, classify(n)) = append_stamp_;
        append_tail_ = n;
    }
}

const char *Lists::append_unique(List **list, List *items)
{
    List *head = *list;
    if (head != nullptr && !nodes_.owns(head)) return "list_append_list_unique onto a list the host owns";
    // Items already in the list carry its stamp.  Appending again to the list
    // appended to last time costs only the new items; any other list is
    // stamped afresh first.
    const bool remembered = head != nullptr && head == append_head_ && append_tail_ != nullptr &&
                            append_tail_->next == nullptr && nodes_.is_live(append_tail_);
    if (!remembered) stamp_afresh(head);
    ListBuilder added(nodes_, append_tail_);
    for (List *n = items; n != nullptr; n = n->next) {
        const NodeClass c = classify(n);
        Stamp &mark = mark_at(n, c);
        if (mark == append_stamp_) continue;
        mark = append_stamp_;
        added.add(n->data, c.item);
    }
    if (head == nullptr) head = *list = added.head();
    append_head_ = head;
    append_tail_ = added.tail();
    return nullptr;
}

const char *Lists::release(List *list)
{
    forget_append_list(list);
    while (list != nullptr) {
        uint8_t *state = nodes_.state_of(list);
        if (state == nullptr) return "list_free of a list the host owns";
        if ((*state & NodePool::kLive) == 0) return "list_free of a list already released";
        List *next = list->next;
        nodes_.give_back(list, state);
        list = next;
    }
    return nullptr;
}

// ---- stamps ----

Stamp Lists::new_stamp()
{
    // Stamping items afresh overwrites the marks the remembered list relies on.
    forget_append_list();
    if (++stamp_ == 0) {  // wrapped: no item may keep a stamp that could come again
        for_each_in_tree(scene_.world(), [](Object &o) {
            o.mark = 0;
            for (auto &v : o.vertices) state_of(v).mark = 0;
            for (auto &s : o.surfaces) s.mark = 0;
        });
        stamp_ = 1;
    }
    return stamp_;
}

void Lists::forget_append_list(const List *list)
{
    if (list != nullptr && list == append_head_) append_head_ = append_tail_ = nullptr;
}

}  // namespace standin
