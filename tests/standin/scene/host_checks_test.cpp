// The checking host against commands that break its rules on purpose: each
// breach is recorded once, with its own text, and a clean command none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host.h"
#include "selection.h"

using namespace standin;

namespace {

// Two objects: "a" with three vertices, "b" with two.
Object *a_object, *b_object;

Vertex &vertex_of(Object *object, size_t i)
{
    return object->vertices[i].v;
}

// Saves an undo step of the selected vertices (select_vertices chooses them).
void save_selected()
{
    List *vertices = ac_selection_get_vertices();
    add_undoable_vertex_positions("t", vertices);
}

void select_vertices(Object *object, std::vector<size_t> indices)
{
    Host &h = host();
    h.select_none();
    h.set_select_mode(kSelectVertices);
    for (size_t i : indices) state_of(object->vertices[i]).selected = 1;
}

struct Case {
    const char *name;
    ac_command_proc proc;
    std::vector<std::string> misuse;
};

const Case kCases[] = {
    {"clean: every changed vertex saved first",
     [](int, char **) -> void * {
         save_selected();
         vertex_of(a_object, 0).x += 1;
         vertex_of(a_object, 2).z += 1;
         return nullptr;
     },
     {}},
    {"changed before the step was saved",
     [](int, char **) -> void * {
         vertex_of(a_object, 1).y += 1;
         save_selected();
         return nullptr;
     },
     {"coordinate changed before the undo step was saved"}},
    {"clean: a list that names a vertex twice, spliced by the plug-in",
     [](int, char **) -> void * {
         select_vertices(a_object, {1, 2});
         List *twice = ac_selection_get_vertices();
         twice->next->next = ac_selection_get_vertices();
         add_undoable_vertex_positions("t", twice);
         vertex_of(a_object, 1).y += 1;
         vertex_of(a_object, 2).y += 1;
         return nullptr;
     },
     {}},
    {"changed in another object",
     [](int, char **) -> void * {
         save_selected();
         vertex_of(b_object, 1).x += 1;
         return nullptr;
     },
     {"coordinate changed outside the undo step"}},
    {"changed beside the saved vertices of the same object",
     [](int, char **) -> void * {
         select_vertices(a_object, {0});
         save_selected();
         vertex_of(a_object, 1).x += 1;
         return nullptr;
     },
     {"coordinate changed outside the undo step"}},
    {"changed without a step",
     [](int, char **) -> void * {
         vertex_of(b_object, 0).z += 1;
         return nullptr;
     },
     {"coordinate changed without an undo step"}},
    {"two steps",
     [](int, char **) -> void * {
         save_selected();
         save_selected();
         return nullptr;
     },
     {"more than one undo step in one command"}},
};

TEST(HostChecks, EachBreachIsRecordedWithItsText)
{
    for (const Case &c : kCases) {
        Host &h = host();
        h.reset_scene();
        h.clear_records();
        h.echo = false;
        a_object = &h.scene().add_object("a");
        b_object = &h.scene().add_object("b");
        for (float x : {0.f, 1.f, 2.f}) a_object->add_vertex(x, 0, 0);
        for (float x : {5.f, 6.f}) b_object->add_vertex(x, 1, 0);
        select_vertices(a_object, {0, 1, 2});
        invoke_command(RegisteredCommand{"t", c.proc, 0, 0, "", ""}, {});
        EXPECT_EQ(h.misuse(), c.misuse) << c.name;
    }
    host().reset_scene();
    host().clear_records();
}

}  // namespace
