// The services the stand-in exports to plug-ins, and the lists they hand out.
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "host.h"

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

}  // namespace

// ---- list nodes ----

List *NodePool::take_slow(void *item, ItemKind kind)
{
    const auto state = static_cast<uint8_t>(kLive | static_cast<uint8_t>(kind));
    List *node = free_;
    if (node != nullptr) {
        free_ = node->next;
        *state_of(node) = state;
        *node = List{item, nullptr};
        ++live_;
        return node;
    }
    const size_t size = chunks_.empty() ? 1024 : std::min<size_t>(chunks_.back().size * 2, size_t{1} << 20);
    make_room_for_one(chunks_);
    // Each node and its state are written when the node is taken.
    make_room_for_one(by_address_);
    chunks_.push_back(Chunk{unfilled_array<List>(size), unfilled_array<uint8_t>(size), size});
    const std::pair<uintptr_t, size_t> entry{reinterpret_cast<uintptr_t>(chunks_.back().nodes.get()),
                                             chunks_.size() - 1};
    by_address_.insert(std::upper_bound(by_address_.begin(), by_address_.end(), entry), entry);
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

const NodePool::Chunk *NodePool::chunk_of(const List *list) const
{
    const auto address = reinterpret_cast<uintptr_t>(list);
    auto inside = [address](const Chunk &chunk) {
        const auto start = reinterpret_cast<uintptr_t>(chunk.nodes.get());
        return address >= start && address < start + chunk.size * sizeof(List);
    };
    // Neighbouring nodes of a list mostly share a chunk: try the last one found first.
    if (last_hit_ >= chunks_.size() || !inside(chunks_[last_hit_])) {
        auto after = std::upper_bound(by_address_.begin(), by_address_.end(),
                                      std::pair<uintptr_t, size_t>{address, static_cast<size_t>(-1)});
        if (after == by_address_.begin() || !inside(chunks_[std::prev(after)->second])) return nullptr;
        last_hit_ = std::prev(after)->second;
    }
    const Chunk &chunk = chunks_[last_hit_];
    return (address - reinterpret_cast<uintptr_t>(chunk.nodes.get())) % sizeof(List) == 0 ? &chunk : nullptr;
}

uint8_t *NodePool::state_of(const List *node) const
{
    const Chunk *chunk = chunk_of(node);
    return chunk == nullptr ? nullptr : &chunk->states[static_cast<size_t>(node - chunk->nodes.get())];
}

// ---- the lists handed to callers ----

// Appends one item at the tail of a caller-owned list under construction.
class Host::ListBuilder {
public:
    ListBuilder(NodePool &nodes, List *tail = nullptr) : nodes_(nodes), tail_(tail) {}
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

// An object's own vertex list is made of the vertices' states, which lie in
// the scene's arena; no other list's nodes do.
bool Host::is_own_vertex_node(const List *node) const
{
    return scene_.arena().contains(node);
}

ItemKind Host::kind_of(List *node) const
{
    if (is_own_vertex_node(node)) return ItemKind::Vertex;
    return nodes_.owns(node) ? nodes_.kind(node) : node_of(node)->kind;
}

Stamp Host::new_stamp()
{
    // Stamping items afresh overwrites the marks the remembered list relies on.
    forget_append_list(append_head_);
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

void Host::forget_append_list(const List *list)
{
    if (list != nullptr && list == append_head_) append_head_ = append_tail_ = nullptr;
}

// The selected surfaces or vertices of the whole scene, in scene order.
template <typename Items>
List *Host::selected_items(Items Object::*items, ItemKind kind)
{
    ListBuilder list(nodes_);
    scene_.for_each_object([&](Object &o) {
        for (auto &item : o.*items) {
            if (is_selected(item)) list.add(&item, kind);
        }
    });
    return list.head();
}

List *Host::selected_objects_list()
{
    ListBuilder list(nodes_);
    for (Object *o : selected_objects_) list.add(o, ItemKind::Object);
    return list.head();
}

List *Host::selected_surfaces_list()
{
    return selected_items(&Object::surfaces, ItemKind::Surface);
}

List *Host::selected_vertices_list()
{
    return selected_items(&Object::vertices, ItemKind::Vertex);
}

List *Host::surface_vertices_list(List *surfaces)
{
    const Stamp stamp = new_stamp();
    ListBuilder list(nodes_);
    for (List *n = surfaces; n != nullptr; n = n->next) {
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

void Host::append_unique(List **list, List *items)
{
    List *head = *list;
    if (head != nullptr && !nodes_.owns(head)) {
        note_misuse("list_append_list_unique onto a list the host owns");
        return;
    }
    // Items already in the list carry its stamp.  Appending again to the list
    // appended to last time costs only the new items; any other list is
    // stamped afresh first.
    const bool remembered = head != nullptr && head == append_head_ && append_tail_ != nullptr &&
                            append_tail_->next == nullptr && nodes_.is_live(append_tail_);
    if (!remembered) {
        append_stamp_ = new_stamp();
        for (List *n = head; n != nullptr; n = n->next) {
            mark_of(n->data, kind_of(n)) = append_stamp_;
            append_tail_ = n;
        }
    }
    ListBuilder added(nodes_, append_tail_);
    for (List *n = items; n != nullptr; n = n->next) {
        if (is_own_vertex_node(n)) {  // an object's own list: the common case, without the kind's dispatch
            auto *state = reinterpret_cast<VertexState *>(n);  // the node is the first field of the state
            if (state->mark == append_stamp_) continue;
            state->mark = append_stamp_;
            added.add(n->data, ItemKind::Vertex);
            continue;
        }
        const ItemKind kind = kind_of(n);
        Stamp &mark = mark_of(n->data, kind);
        if (mark == append_stamp_) continue;
        mark = append_stamp_;
        added.add(n->data, kind);
    }
    if (head == nullptr) head = *list = added.head();
    append_head_ = head;
    append_tail_ = added.tail();
}

void Host::release(List *list)
{
    forget_append_list(list);
    while (list != nullptr) {
        uint8_t *state = nodes_.state_of(list);
        if (state == nullptr) {
            note_misuse("list_free of a list the host owns");
            return;
        }
        if ((*state & NodePool::kLive) == 0) {
            note_misuse("list_free of a list already released");
            return;
        }
        List *next = list->next;
        nodes_.give_back(list, state);
        list = next;
    }
}

}  // namespace standin

namespace {

using standin::host;

std::string vformat(const char *format, va_list args)
{
    if (format == nullptr) return {};
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (size <= 0) return {};
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    // The text ends at its first NUL, as a C string would.
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}

// The host's own thread is the one that starts the program: it alone sees
// this flag set.  A flag costs less than asking for the thread's identity on
// every one of the millions of calls a large model takes.
thread_local bool on_host_thread = false;
const bool host_thread_known = (on_host_thread = true);

// Every service checks that it is called on the host's own thread.
#define HOST_SERVICE() check_thread(__func__)

inline void check_thread(const char *service)
{
    if (!on_host_thread) host().note_misuse(std::string(service) + " called from another thread");
}

}  // namespace

// ---- the services ----

extern "C" {

void ac_add_tools_menu_item(const char *label, const char *command, const char *help)
{
    HOST_SERVICE();
    host().add_menu_item(standin::MenuItem{label ? label : "", command ? command : "", help ? help : ""});
}

int ac_add_command_full(const char *name, ac_command_proc proc, int nparams, int style, const char *usage,
                        const char *description)
{
    HOST_SERVICE();
    if (name == nullptr || proc == nullptr) return 0;
    host().add_command(
        standin::RegisteredCommand{name, proc, nparams, style, usage ? usage : "", description ? description : ""});
    return 1;
}

void tcl_command(const char *format, ...)
{
    HOST_SERVICE();
    va_list args;
    va_start(args, format);
    const std::string text = vformat(format, args);
    va_end(args);
    host().request_tcl(text);
}

void ac_unbackslash_string(char *s)
{
    HOST_SERVICE();
    if (s == nullptr) return;
    for (; *s != '\0'; ++s) {
        if (*s == '\\') *s = '/';
    }
}

void windows_message_dialog(const char *format, ...)
{
    HOST_SERVICE();
    va_list args;
    va_start(args, format);
    const std::string text = vformat(format, args);
    va_end(args);
    host().show_message(text);
}

void debugf(const char *format, ...)
{
    HOST_SERVICE();
    va_list args;
    va_start(args, format);
    const std::string text = vformat(format, args);
    va_end(args);
    host().write_debug(text);
}

int ac_get_select_mode(void)
{
    HOST_SERVICE();
    return host().select_mode();
}

List *ac_selection_get_objects(void)
{
    HOST_SERVICE();
    return host().selected_objects_list();
}

List *ac_selection_get_surfaces(void)
{
    HOST_SERVICE();
    return host().selected_surfaces_list();
}

List *ac_surfacelist_get_vertices(List *surfaces)
{
    HOST_SERVICE();
    return host().surface_vertices_list(surfaces);
}

List *ac_selection_get_vertices(void)
{
    HOST_SERVICE();
    return host().selected_vertices_list();
}

List *ac_object_get_vertexlist(Object *object)
{
    HOST_SERVICE();
    return object ? object->vertex_list() : nullptr;
}

List *ac_object_get_childrenlist(Object *object)
{
    HOST_SERVICE();
    return object ? object->children_list() : nullptr;
}

Object *object_of_vertex(Vertex *vertex)
{
    HOST_SERVICE();
    return vertex ? standin::owner_of(*reinterpret_cast<standin::HostVertex *>(vertex)) : nullptr;
}

int ac_object_is_subdivided(Object *object)
{
    HOST_SERVICE();
    return object && object->subdivided ? 1 : 0;
}

void list_append_list_unique(List **list, List *items)
{
    HOST_SERVICE();
    if (list != nullptr) host().append_unique(list, items);
}

void list_free(List **list)
{
    HOST_SERVICE();
    if (list == nullptr) return;
    host().release(*list);
    *list = nullptr;
}

void add_undoable_vertex_positions(const char *name, List *vertices)
{
    HOST_SERVICE();
    host().save_undo_step(name, vertices);
}

void find_bounding_box(void)
{
    HOST_SERVICE();
    host().find_bounding_box();
}

void redraw_all(void)
{
    HOST_SERVICE();
    host().count_redraw();
}

void display_status(void)
{
    HOST_SERVICE();
    host().count_status();
}

}  // extern "C"
