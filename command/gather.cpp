// Gathering the vertices of the current selection.
#include <vector>

#include "rilo.h"

bool collect_object_vertices(Object *object, List **vertices)
{
    // Depth-first, pre-order: an object's own vertices, then each child's
    // whole subtree in list order.  An explicit stack keeps arbitrarily deep
    // hierarchies off the call stack; it holds the remaining siblings of
    // every level entered so far.
    try {
        std::vector<List *> pending;
        list_append_list_unique(vertices, ac_object_get_vertexlist(object));
        pending.push_back(ac_object_get_childrenlist(object));
        while (!pending.empty()) {
            List *&next = pending.back();
            if (next == nullptr) {
                pending.pop_back();
                continue;
            }
            Object *child = static_cast<Object *>(next->data);
            next = next->next;
            list_append_list_unique(vertices, ac_object_get_vertexlist(child));
            pending.push_back(ac_object_get_childrenlist(child));
        }
    } catch (...) {  // only std::bad_alloc can come from here
        return false;
    }
    return true;
}

List *gather_selected_vertices(void)
{
    List *vertices = nullptr;
    const int mode = ac_get_select_mode();
    if (mode == AC_SELECT_SURFACE) {
        List *surfaces = ac_selection_get_surfaces();
        vertices = ac_surfacelist_get_vertices(surfaces);
        list_free(&surfaces);
    } else if (mode == AC_SELECT_VERTEX) {
        vertices = ac_selection_get_vertices();
    } else {
        List *objects = ac_selection_get_objects();
        bool complete = true;
        for (List *node = objects; node != nullptr && complete; node = node->next) {
            complete = collect_object_vertices(static_cast<Object *>(node->data), &vertices);
        }
        list_free(&objects);
        if (!complete) {
            list_free(&vertices);
            windows_message_dialog("rilo : not enough memory for the selection");
            return nullptr;
        }
    }
    if (vertices == nullptr) {
        windows_message_dialog("rilo : no vertices selected");
        return nullptr;
    }
    return vertices;
}
