// What may be selected: hidden objects are left out of "select all" but may be
// chosen by name; nothing of a locked object, or of one below a locked one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error.h"
#include "host.h"
#include "selection.h"

using namespace standin;

namespace {

// a (group) { a1 hidden, a2 }, b locked { b1 }, c, d hidden; each with one
// vertex.  Then c is selected.
void build_scene()
{
    Host &h = host();
    h.reset_scene();
    Scene &s = h.scene();
    Object &a = s.add_object("a");
    s.add_object("a1", &a).hidden = true;
    s.add_object("a2", &a);
    Object &b = s.add_object("b");
    b.locked = true;
    s.add_object("b1", &b);
    s.add_object("c");
    s.add_object("d").hidden = true;
    s.for_each_object([](Object &o) { o.add_vertex(0, 0, 0); });
    select_by_name(h, "objects", {"c"});
}

// The names of the objects holding a selection, in tree order.
std::string selected_names()
{
    std::string names;
    host().scene().for_each_object([&](Object &o) {
        const bool any = o.selected || (!o.vertices.empty() && is_selected(o.vertices[0]));
        if (any) names += (names.empty() ? "" : " ") + o.name;
    });
    return names;
}

TEST(Selection, HiddenAndLockedObjectsFollowTheirRules)
{
    struct Row {
        const char *kind;
        std::vector<std::string> names;
        const char *selected;  // afterwards
        const char *error;     // "" when accepted
    };
    const Row rows[] = {
        {"all", {}, "a2 c", ""},
        {"objects", {"a1", "d"}, "a1 d", ""},  // hidden, chosen by name
        {"vertices", {"a"}, "a", ""},
        {"objects", {"b"}, "c", "object 'b' is locked"},
        {"objects", {"b1"}, "c", "object 'b1' is locked"},  // below a locked one
        {"surfaces", {"a2", "b1"}, "c", "object 'b1' is locked"},
        {"vertices", {"b"}, "c", "object 'b' is locked"},
        {"none", {}, "", ""},
        {"around", {"a"}, "a2", ""},  // a group, as a click or the tree takes it
        {"objects", {"A2"}, "c", "no object named 'A2' (did you mean 'a2'?)"},
        {"objects", {"x"}, "c", "no object named 'x'"},
        {"match", {"a?", "[cd]"}, "a1 a2 c d", ""},
        {"match", {"*1"}, "c", "object 'b1' is locked"},
        {"match", {"A*"}, "c", "no object name matches 'A*' (did you mean 'a', 'a1' or 'a2'?)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.kind) + " " + (row.names.empty() ? "" : row.names[0]));
        build_scene();
        std::string error;
        try {
            if (std::string(row.kind) == "around")
                host().select(select_trees(host().scene().named("a"), kSelectObjects, false));
            else if (std::string(row.kind) == "match")
                select_by_name(host(), "objects", {}, kSelectObjects, row.names);
            else
                select_by_name(host(), row.kind, row.names);
        } catch (const Error &e) {
            error = e.what();
        }
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(selected_names(), row.selected);
    }
    // Hiding a group takes it and what is below it out of the selection.
    build_scene();
    select_by_name(host(), "vertices", {"a", "a2", "c"});
    deselect_trees(host(), {host().scene().named("a").at(0)});
    EXPECT_EQ(selected_names(), "c");
    host().reset_scene();
}

}  // namespace
