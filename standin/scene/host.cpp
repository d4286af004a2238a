// The services the stand-in exports to plug-ins, over the state in Host.
#include "host.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

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

uint64_t &mark_of(void *item, ItemKind kind)
{
    switch (kind) {
    case ItemKind::Vertex: return static_cast<HostVertex *>(item)->mark;
    case ItemKind::Surface: return static_cast<Surface *>(item)->mark;
    case ItemKind::Object: break;
    }
    return static_cast<Object *>(item)->mark;
}

// Appends one item at the tail of a caller-owned list under construction.
struct ListBuilder {
    List *head = nullptr;
    List *tail = nullptr;

    void add(void *item, ItemKind kind)
    {
        List *node = &host().nodes.take(item, kind)->list;
        if (tail != nullptr) {
            tail->next = node;
        } else {
            head = node;
        }
        tail = node;
    }
};

// The selected surfaces or vertices of the whole scene, in scene order.
template <typename Items>
List *selected_items(Items Object::*items, ItemKind kind)
{
    ListBuilder list;
    host().scene.for_each_object([&](Object &o) {
        for (auto &item : o.*items) {
            if (item.selected) list.add(&item, kind);
        }
    });
    return list.head;
}

const std::thread::id main_thread = std::this_thread::get_id();

// Every service checks that it is called on the host's own thread.
#define HOST_SERVICE() check_thread(__func__)

void check_thread(const char *service)
{
    if (std::this_thread::get_id() != main_thread) host().note_misuse(std::string(service) + " called from another thread");
}

std::vector<Vertex> scene_positions(const Scene &scene)
{
    std::vector<Vertex> positions;
    scene.for_each_object([&](Object &o) {
        for (const auto &v : o.vertices) positions.push_back(v.v);
    });
    return positions;
}

bool same_bits(const Vertex &a, const Vertex &b) { return std::memcmp(&a, &b, sizeof(Vertex)) == 0; }

bool counters_equal(const Counters &a, const Counters &b)
{
    return a.bounding_box == b.bounding_box && a.redraw == b.redraw && a.status == b.status;
}

}  // namespace

Host &host()
{
    static Host instance;
    return instance;
}

bool host_builtin_command(const std::string &text)
{
    if (text == "ac3d remake_subdivisions") {
        ++host().counts.remake_subdivisions;
        return true;
    }
    // A plug-in sources its script at initialisation.  Without an
    // interpreter there is nothing to read it into: the request is only
    // recorded, like every other text.
    return text.rfind("source ", 0) == 0;
}

// ---- list nodes ----

Node *NodePool::take(void *item, ItemKind kind)
{
    Node *node = free_;
    if (node != nullptr) {
        free_ = reinterpret_cast<Node *>(node->list.next);
    } else {
        if (chunks_.empty() || next_in_chunk_ == chunk_size_) {
            chunk_size_ = chunks_.empty() ? 1024 : std::min<size_t>(chunk_size_ * 2, size_t{1} << 20);
            chunks_.push_back(std::make_unique<Node[]>(chunk_size_));
            const Node *start = chunks_.back().get();
            ranges_.emplace_back(start, start + chunk_size_);
            next_in_chunk_ = 0;
        }
        node = &chunks_.back()[next_in_chunk_++];
    }
    *node = Node{List{item, nullptr}, kNodeLive, kind};
    ++live_;
    return node;
}

void NodePool::give_back(Node *node)
{
    node->tag = kNodeFree;
    node->list.data = nullptr;
    node->list.next = reinterpret_cast<List *>(free_);
    free_ = node;
    --live_;
}

bool NodePool::owns(const List *list) const
{
    const auto address = reinterpret_cast<uintptr_t>(list);
    auto inside = [address](const std::pair<const Node *, const Node *> &range) {
        return address >= reinterpret_cast<uintptr_t>(range.first) &&
               address < reinterpret_cast<uintptr_t>(range.second);
    };
    // Neighbouring nodes of a list mostly share a chunk: try the last one found first.
    if (last_hit_ >= ranges_.size() || !inside(ranges_[last_hit_])) {
        size_t i = 0;
        while (i < ranges_.size() && !inside(ranges_[i])) ++i;
        if (i == ranges_.size()) return false;
        last_hit_ = i;
    }
    return (address - reinterpret_cast<uintptr_t>(ranges_[last_hit_].first)) % sizeof(Node) == 0;
}

void Host::release(List *list)
{
    if (list != nullptr && list == append_head) append_head = nullptr;
    while (list != nullptr) {
        if (!nodes.owns(list)) {
            note_misuse("list_free of a list the host owns");
            return;
        }
        Node *node = node_of(list);
        if (node->tag != kNodeLive) {
            note_misuse("list_free of a list already released");
            return;
        }
        List *next = list->next;
        nodes.give_back(node);
        list = next;
    }
}

void Host::note_misuse(std::string what)
{
    static std::mutex guard;
    std::lock_guard<std::mutex> lock(guard);
    if (echo) std::fprintf(stderr, "misuse: %s\n", what.c_str());
    misuse.push_back(std::move(what));
}

void Host::begin_command()
{
    if (!strict) return;
    invocation = Invocation{true, messages.size(), nodes.live() - undo_nodes, counts, 0, scene_positions(scene)};
}

void Host::end_command()
{
    if (!invocation.active) return;
    invocation.active = false;
    const bool failed = messages.size() > invocation.messages;
    if (failed && invocation.undo_steps > 0) note_misuse("undo step saved on a failure path");
    if (failed && !counters_equal(counts, invocation.counts)) note_misuse("refresh requested on a failure path");

    // Every coordinate that changed must belong to the step saved for undo.
    const uint64_t in_step = new_stamp();
    if (invocation.undo_steps > 0) {
        for (const auto &saved : undo.back().saved) saved.vertex->mark = in_step;
    }
    size_t i = 0;
    bool unsaved = false;
    scene.for_each_object([&](Object &o) {
        for (auto &v : o.vertices) {
            if (i < invocation.positions.size() && !same_bits(v.v, invocation.positions[i]) && v.mark != in_step) {
                unsaved = true;
            }
            ++i;
        }
    });
    if (unsaved) {
        note_misuse(invocation.undo_steps > 0 ? "coordinate changed outside the undo step"
                                              : "coordinate changed without an undo step");
    }
    const size_t held = nodes.live() - undo_nodes;
    if (held > invocation.held) {
        note_misuse("selection list never released (" + std::to_string(held - invocation.held) + " nodes)");
    }
    invocation.positions = {};
}

void Host::clear_records()
{
    messages.clear();
    debug.clear();
    tcl_log.clear();
    misuse.clear();
    counts = Counters{};
}

void Host::select_none()
{
    selected_objects.clear();
    scene.for_each_object([](Object &o) {
        for (auto &v : o.vertices) v.selected = false;
        for (auto &s : o.surfaces) s.selected = false;
    });
}

void Host::reset_scene()
{
    while (!undo.empty()) {
        release(undo.back().vertices);
        undo.pop_back();
    }
    undo_nodes = 0;
    selected_objects.clear();
    append_head = nullptr;
    select_mode = kSelectObjects;
    scene = Scene();
    document.reset();
}

bool Host::undo_last(std::string &name)
{
    if (undo.empty()) return false;
    UndoStep &step = undo.back();
    // Latest first, so that a vertex listed twice ends at its earliest saved position.
    for (size_t i = step.saved.size(); i-- > 0;) step.saved[i].vertex->v = step.saved[i].position;
    name = step.name;
    release(step.vertices);
    undo_nodes -= step.nodes;
    undo.pop_back();
    return true;
}

// ---- the services ----

extern "C" {

void ac_add_tools_menu_item(const char *label, const char *command, const char *help)
{
    HOST_SERVICE();
    host().menu.push_back(MenuItem{label ? label : "", command ? command : "", help ? help : ""});
}

int ac_add_command_full(const char *name, ac_command_proc proc, int nparams, int style, const char *usage,
                        const char *description)
{
    HOST_SERVICE();
    Host &h = host();
    if (name == nullptr || proc == nullptr) return 0;
    h.commands.push_back(
        RegisteredCommand{name, proc, nparams, style, usage ? usage : "", description ? description : ""});
    if (h.on_command) h.on_command(h.commands.back());
    return 1;
}

void tcl_command(const char *format, ...)
{
    HOST_SERVICE();
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    Host &h = host();
    h.tcl_log.push_back(text);
    if (h.eval) {
        std::string error;
        if (!h.eval(text, error)) std::fprintf(stderr, "tcl error: %s\n", error.c_str());
    } else if (!host_builtin_command(text)) {
        std::fprintf(stderr, "tcl: no interpreter for: %s\n", text.c_str());
    }
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
    std::string text = vformat(format, args);
    va_end(args);
    Host &h = host();
    if (h.echo) std::fprintf(stderr, "message: %s\n", text.c_str());
    h.messages.push_back(text);
    if (h.on_message) h.on_message(text);
}

void debugf(const char *format, ...)
{
    HOST_SERVICE();
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    Host &h = host();
    if (h.echo) std::fputs(text.c_str(), stderr);
    h.debug += text;
}

int ac_get_select_mode(void)
{
    HOST_SERVICE();
    return host().select_mode;
}

List *ac_selection_get_objects(void)
{
    HOST_SERVICE();
    ListBuilder list;
    for (Object *o : host().selected_objects) list.add(o, ItemKind::Object);
    return list.head;
}

List *ac_selection_get_surfaces(void)
{
    HOST_SERVICE();
    return selected_items(&Object::surfaces, ItemKind::Surface);
}

List *ac_surfacelist_get_vertices(List *surfaces)
{
    HOST_SERVICE();
    const uint64_t stamp = host().new_stamp();
    ListBuilder list;
    for (List *n = surfaces; n != nullptr; n = n->next) {
        auto *surface = static_cast<Surface *>(n->data);
        for (uint32_t ref : surface->refs) {
            HostVertex &v = surface->owner->vertices[ref];
            if (v.mark == stamp) continue;
            v.mark = stamp;
            list.add(&v, ItemKind::Vertex);
        }
    }
    return list.head;
}

List *ac_selection_get_vertices(void)
{
    HOST_SERVICE();
    return selected_items(&Object::vertices, ItemKind::Vertex);
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
    return vertex ? reinterpret_cast<HostVertex *>(vertex)->owner : nullptr;
}

int ac_object_is_subdivided(Object *object)
{
    HOST_SERVICE();
    return object && object->subdivided ? 1 : 0;
}

void list_append_list_unique(List **list, List *items)
{
    HOST_SERVICE();
    if (list == nullptr) return;
    Host &h = host();
    List *head = *list;
    if (head != nullptr && !h.nodes.owns(head)) {
        h.note_misuse("list_append_list_unique onto a list the host owns");
        return;
    }
    // Items already in the list carry its stamp.  Appending again to the list
    // appended to last time costs only the new items; any other list is
    // stamped afresh first.
    const bool tracked = head != nullptr && head == h.append_head && h.append_stamp == h.stamp &&
                         h.append_tail != nullptr && h.append_tail->next == nullptr &&
                         node_of(h.append_tail)->tag == kNodeLive;
    if (!tracked) {
        h.append_stamp = h.new_stamp();
        h.append_tail = nullptr;
        for (List *n = head; n != nullptr; n = n->next) {
            mark_of(n->data, node_of(n)->kind) = h.append_stamp;
            h.append_tail = n;
        }
    }
    ListBuilder added{nullptr, h.append_tail};
    for (List *n = items; n != nullptr; n = n->next) {
        const ItemKind kind = node_of(n)->kind;
        uint64_t &mark = mark_of(n->data, kind);
        if (mark == h.append_stamp) continue;
        mark = h.append_stamp;
        added.add(n->data, kind);
    }
    if (head == nullptr) head = *list = added.head;
    h.append_head = head;
    h.append_tail = added.tail;
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
    Host &h = host();
    UndoStep step{name ? name : "", vertices, 0, {}};
    for (List *n = vertices; n != nullptr; n = n->next) {
        auto *v = static_cast<HostVertex *>(n->data);
        step.saved.push_back(UndoStep::Saved{v, v->v});
        ++step.nodes;
    }
    if (vertices != nullptr && !h.nodes.owns(vertices)) {
        h.note_misuse("add_undoable_vertex_positions with a list the host owns");
        step.vertices = nullptr;
        step.nodes = 0;
    }
    h.undo_nodes += step.nodes;
    if (h.invocation.active) {
        if (++h.invocation.undo_steps > 1) h.note_misuse("more than one undo step in one command");
        const auto now = scene_positions(h.scene);
        const auto &then = h.invocation.positions;
        for (size_t i = 0; i < now.size() && i < then.size(); ++i) {
            if (!same_bits(now[i], then[i])) {
                h.note_misuse("coordinate changed before the undo step was saved");
                break;
            }
        }
    }
    if (vertices == h.append_head) h.append_head = nullptr;
    h.undo.push_back(std::move(step));
}

void find_bounding_box(void)
{
    HOST_SERVICE();
    Host &h = host();
    ++h.counts.bounding_box;
    bool first = true;
    Box box;
    h.scene.for_each_object([&](Object &o) {
        for (const auto &hv : o.vertices) {
            const Vertex &v = hv.v;
            if (first) {
                box.min = box.max = v;
                first = false;
                continue;
            }
            box.min = Vertex{std::min(box.min.x, v.x), std::min(box.min.y, v.y), std::min(box.min.z, v.z)};
            box.max = Vertex{std::max(box.max.x, v.x), std::max(box.max.y, v.y), std::max(box.max.z, v.z)};
        }
    });
    h.box = box;
}

void redraw_all(void)
{
    HOST_SERVICE();
    ++host().counts.redraw;
}

void display_status(void)
{
    HOST_SERVICE();
    ++host().counts.status;
}

}  // extern "C"
