// The services the stand-in exports to plug-ins, over the state in Host.
#include "host.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdint>

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

}  // namespace

Host &host()
{
    static Host instance;
    return instance;
}

bool host_builtin_command(const std::string &text)
{
    if (text != "ac3d remake_subdivisions") return false;
    ++host().counts.remake_subdivisions;
    return true;
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
    for (const auto &[start, end] : ranges_) {
        if (address >= reinterpret_cast<uintptr_t>(start) && address < reinterpret_cast<uintptr_t>(end)) {
            return (address - reinterpret_cast<uintptr_t>(start)) % sizeof(Node) == 0;
        }
    }
    return false;
}

void Host::release(List *list)
{
    if (list != nullptr && list == append_head) append_head = nullptr;
    while (list != nullptr) {
        if (!nodes.owns(list)) {
            misuse.push_back("list_free of a list the host owns");
            return;
        }
        Node *node = node_of(list);
        if (node->tag != kNodeLive) {
            misuse.push_back("list_free of a list already released");
            return;
        }
        List *next = list->next;
        nodes.give_back(node);
        list = next;
    }
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
    selected_objects.clear();
    append_head = nullptr;
    select_mode = kSelectObjects;
    scene = Scene();
}

bool Host::undo_last(std::string &name)
{
    if (undo.empty()) return false;
    UndoStep &step = undo.back();
    for (auto it = step.saved.rbegin(); it != step.saved.rend(); ++it) it->vertex->v = it->position;
    name = step.name;
    release(step.vertices);
    undo.pop_back();
    return true;
}

// ---- the services ----

extern "C" {

void ac_add_tools_menu_item(const char *label, const char *command, const char *help)
{
    host().menu.push_back(MenuItem{label ? label : "", command ? command : "", help ? help : ""});
}

int ac_add_command_full(const char *name, ac_command_proc proc, int nparams, int style, const char *usage,
                        const char *description)
{
    Host &h = host();
    if (name == nullptr || proc == nullptr) return 0;
    h.commands.push_back(
        RegisteredCommand{name, proc, nparams, style, usage ? usage : "", description ? description : ""});
    if (h.on_command) h.on_command(h.commands.back());
    return 1;
}

void tcl_command(const char *format, ...)
{
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
    if (s == nullptr) return;
    for (; *s != '\0'; ++s) {
        if (*s == '\\') *s = '/';
    }
}

void windows_message_dialog(const char *format, ...)
{
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
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    Host &h = host();
    if (h.echo) std::fputs(text.c_str(), stderr);
    h.debug += text;
}

int ac_get_select_mode(void) { return host().select_mode; }

List *ac_selection_get_objects(void)
{
    ListBuilder list;
    for (Object *o : host().selected_objects) list.add(o, ItemKind::Object);
    return list.head;
}

List *ac_selection_get_surfaces(void)
{
    ListBuilder list;
    host().scene.for_each_object([&](Object &o) {
        for (auto &s : o.surfaces) {
            if (s.selected) list.add(&s, ItemKind::Surface);
        }
    });
    return list.head;
}

List *ac_surfacelist_get_vertices(List *surfaces)
{
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
    ListBuilder list;
    host().scene.for_each_object([&](Object &o) {
        for (auto &v : o.vertices) {
            if (v.selected) list.add(&v, ItemKind::Vertex);
        }
    });
    return list.head;
}

List *ac_object_get_vertexlist(Object *object) { return object ? object->vertex_list() : nullptr; }

List *ac_object_get_childrenlist(Object *object) { return object ? object->children_list() : nullptr; }

Object *object_of_vertex(Vertex *vertex)
{
    return vertex ? reinterpret_cast<HostVertex *>(vertex)->owner : nullptr;
}

int ac_object_is_subdivided(Object *object) { return object && object->subdivided ? 1 : 0; }

void list_append_list_unique(List **list, List *items)
{
    if (list == nullptr) return;
    Host &h = host();
    List *head = *list;
    if (head != nullptr && !h.nodes.owns(head)) {
        h.misuse.push_back("list_append_list_unique onto a list the host owns");
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
    if (list == nullptr) return;
    host().release(*list);
    *list = nullptr;
}

void add_undoable_vertex_positions(const char *name, List *vertices)
{
    Host &h = host();
    UndoStep step{name ? name : "", vertices, {}};
    for (List *n = vertices; n != nullptr; n = n->next) {
        auto *v = static_cast<HostVertex *>(n->data);
        step.saved.push_back(UndoStep::Saved{v, v->v});
    }
    if (vertices != nullptr && !h.nodes.owns(vertices)) {
        h.misuse.push_back("add_undoable_vertex_positions with a list the host owns");
        step.vertices = nullptr;
    }
    if (vertices == h.append_head) h.append_head = nullptr;
    h.undo.push_back(std::move(step));
}

void find_bounding_box(void)
{
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

void redraw_all(void) { ++host().counts.redraw; }

void display_status(void) { ++host().counts.status; }

}  // extern "C"
