// The services the stand-in exports to plug-ins: each passes its call on to
// the host.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "host.h"

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
    return host().lists().objects(host().selected_objects());
}

List *ac_selection_get_surfaces(void)
{
    HOST_SERVICE();
    return host().lists().selected_surfaces();
}

List *ac_surfacelist_get_vertices(List *surfaces)
{
    HOST_SERVICE();
    return host().lists().surface_vertices(surfaces);
}

List *ac_selection_get_vertices(void)
{
    HOST_SERVICE();
    return host().lists().selected_vertices();
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
