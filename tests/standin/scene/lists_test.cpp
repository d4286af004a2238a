// The three kinds of list node told apart by where they lie, over lists long
// enough to span several chunks of the node pool and blocks of the arena.
#include <gtest/gtest.h>

#include "host.h"

using namespace standin;

namespace {

TEST(Lists, EveryNodeIsClassifiedByWhereItLies)
{
    Host &h = host();
    h.reset_scene();
    h.clear_records();
    h.echo = false;
    Object &parent = h.scene().add_object("parent");
    for (int i = 0; i < 3; ++i) h.select_object(h.scene().add_object("child", &parent));
    for (uint32_t i = 0; i < 3000; ++i) state_of(parent.add_vertex(static_cast<float>(i), 0, 0)).selected = 1;
    for (uint32_t i = 0; i < 3000; i += 3) parent.add_surface({i, i + 1, i + 2}).selected = 1;

    struct Row {
        const char *name;
        List *list;
        NodeKind node;
        ItemKind item;
        size_t length;
    };
    Lists &lists = h.lists();
    const Row rows[] = {
        {"selected vertices", lists.selected_vertices(), NodeKind::Pooled, ItemKind::Vertex, 3000},
        {"selected surfaces", lists.selected_surfaces(), NodeKind::Pooled, ItemKind::Surface, 1000},
        {"selected objects", lists.objects(h.selected_objects()), NodeKind::Pooled, ItemKind::Object, 3},
        {"an object's vertices", parent.vertex_list(), NodeKind::OwnVertex, ItemKind::Vertex, 3000},
        {"an object's children", parent.children_list(), NodeKind::Child, ItemKind::Object, 3},
    };
    for (const Row &row : rows) {
        size_t length = 0, wrong = 0;
        for (const List *node = row.list; node != nullptr; node = node->next, ++length) {
            const NodeClass c = lists.classify(node);
            wrong += c.node != row.node || c.item != row.item ? 1 : 0;
        }
        EXPECT_EQ(length, row.length) << row.name;
        EXPECT_EQ(wrong, 0u) << row.name;
    }
    for (const Row &row : rows) {
        if (row.node == NodeKind::Pooled) h.release(row.list);
    }
    EXPECT_EQ(h.live_list_nodes(), 0u);
    EXPECT_TRUE(h.misuse().empty());
    h.reset_scene();
}

}  // namespace
