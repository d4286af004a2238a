// Gathering the selection and moving the vertices, against the stand-in's
// host services: worked examples, phases, gathering order and the undo step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "coordinates.h"
#include "fresh_host.h"
#include "rilo.h"

namespace {

using Displace = FreshHost;

// An object with vertices at (x, y, 0).
Object &row(const char *name, std::initializer_list<std::pair<float, float>> points, Object *parent = nullptr)
{
    Object &o = host().scene().add_object(name, parent);
    for (auto [x, y] : points) o.add_vertex(x, y, 0.0f);
    return o;
}

std::vector<float> ys(const Object &o)
{
    std::vector<float> out;
    for (const auto &v : o.vertices) out.push_back(v.v.y);
    return out;
}

void expect_near_all(const std::vector<float> &actual, const std::vector<double> &expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 2e-6) << "vertex " << i;
}

void select_objects(std::initializer_list<Object *> objects)
{
    host().select_none();
    host().set_select_mode(kSelectObjects);
    for (Object *o : objects) host().select_object(*o);
}

// The order in which the last command gathered its vertices.
std::vector<HostVertex *> gathered()
{
    std::vector<HostVertex *> order;
    for (const auto &saved : host().undo_steps().back().saved) order.push_back(saved.vertex);
    return order;
}

const double kRoot2 = std::sqrt(2.0);

TEST_F(Displace, WorkedExamplesPerUnitAcrossAndAdditive)
{
    Object &a = row("a", {{0, 5}, {0.125f, 5}, {0.25f, 5}, {0.375f, 5}, {0.5f, 5}});
    select_objects({&a});
    run({"x", "y", "1", "2", "0", "0", "1"});
    expect_near_all(ys(a), {5, 5 + kRoot2, 7, 5 + kRoot2, 5});

    SetUp();
    Object &b = row("b", {{0, 5}, {0.125f, 5}, {0.25f, 5}, {0.375f, 5}, {0.5f, 5}});
    select_objects({&b});
    run({"x", "y", "1", "2", "0", "0", "0"});
    expect_near_all(ys(b), {5, 7, 5, 3, 5});

    SetUp();
    Object &c = row("c", {{0, 5}, {0.125f, 6}, {0.25f, 7}, {0.375f, 8}, {0.5f, 9}});
    select_objects({&c});
    run({"x", "y", "1", "2", "0", "1", "0"});
    expect_near_all(ys(c), {5, 8, 7, 6, 9});
    EXPECT_EQ(host().counts().bounding_box, 1);
    EXPECT_EQ(host().counts().redraw, 1);
    EXPECT_EQ(host().counts().status, 1);
}

TEST_F(Displace, SameInputsGiveTheSameBits)
{
    std::vector<float> first;
    for (int round = 0; round < 2; ++round) {
        SetUp();
        Object &o = host().scene().add_object("o");
        for (int i = 0; i < 200; ++i)
            o.add_vertex(static_cast<float>(i) * 0.37f - 11.0f, 0.1f * static_cast<float>(i % 7), 3.0f);
        select_objects({&o});
        run({"x", "z", "0.731", "-1.25", "13", "1", "0"});
        std::vector<float> now;
        for (const auto &v : o.vertices) now.push_back(v.v.z);
        if (round == 0) {
            first = now;
        } else {
            EXPECT_TRUE(std::equal(first.begin(), first.end(), now.begin(), now.end(),
                                   [](float a, float b) { return same_bits(a, b); }));
        }
    }
}

TEST_F(Displace, ExtentTiesKeepTheEarliestVertexAsBase)
{
    // Two vertices share the smallest x; the first one's y is the base.
    Object &o = row("o", {{1, 3}, {0, 10}, {0, 20}, {2, 4}});
    select_objects({&o});
    run({"x", "y", "0", "1", "0", "0", "1"});  // frequency 0: every vertex lands on the base
    for (float y : ys(o)) EXPECT_EQ(y, 10.0f);
}

TEST_F(Displace, ZeroExtentAndZeroFrequency)
{
    // All vertices at the same x: across-selection frequency becomes 0 and a
    // numeric offset moves every vertex by amplitude * sin(2 pi offset * frequency).
    Object &o = row("o", {{1, 0}, {1, 1}, {1, 2}});
    select_objects({&o});
    run({"x", "y", "0.5", "3", "50", "1", "0"});
    const double w = 3.0 * std::sin(2 * M_PI * 0.25);
    expect_near_all(ys(o), {w, 1 + w, 2 + w});

    // The same with random phases: every per-owner offset is multiplied by 0.
    SetUp();
    Object &r = row("r", {{1, 0}, {1, 1}});
    select_objects({&r});
    fixed_tick_value = 1234;
    run({"x", "y", "0.5", "3", "random", "1", "0"});
    EXPECT_EQ(ys(r), (std::vector<float>{0, 1}));

    // Frequency 0 across the selection flattens onto the level of lo.
    SetUp();
    Object &f = row("f", {{3, 9}, {-2, 7}, {5, -4}});
    select_objects({&f});
    run({"x", "y", "0", "3", "40", "0", "0"});
    EXPECT_EQ(ys(f), (std::vector<float>{7, 7, 7}));
}

TEST_F(Displace, NegativeAmplitudeAndFrequencyAreUsedUnchanged)
{
    Object &o = row("o", {{0, 0}, {0.125f, 0}, {0.25f, 0}});
    select_objects({&o});
    run({"x", "y", "-1", "-2", "0", "1", "1"});
    // -2 * sin(2 pi * -d) = 2 sin(2 pi d)
    expect_near_all(ys(o), {0, kRoot2, 2});
}

TEST_F(Displace, RandomPhasesDrawAfreshForEachOwnerRun)
{
    // A list that leaves owner a and comes back to it: three runs, three draws.
    Object &a = row("a", {{0, 0}, {0.25f, 0}});
    Object &b = row("b", {{0.5f, 0}});
    HostVertex *order[] = {&a.vertices[0], &b.vertices[0], &a.vertices[1]};
    List nodes[3];
    for (int i = 0; i < 3; ++i) nodes[i] = List{order[i], i < 2 ? &nodes[i + 1] : nullptr};
    SineParams p{'x', 'y', 1.0f, 1.0f, true, 0.0f, 1000u, true, true};
    WavePlan plan;
    ASSERT_TRUE(plan_wave(&p, nodes, &plan));
    displace_vertices(&p, &plan, nodes);
    const double d[] = {0.0, 0.5, 0.25};
    for (int i = 0; i < 3; ++i) {
        const double offset = static_cast<float>(draw_percent(1000u + 7u * static_cast<uint32_t>(i + 1)) * 0.01f);
        EXPECT_NEAR(order[i]->v.y, std::sin(2 * M_PI * (d[i] + offset)), 2e-6) << i;
    }
}

TEST_F(Displace, RandomPhasesWrapTheSeedAndScaleWithRescaledFrequency)
{
    Object &a = row("a", {{0, 0}, {2, 0}});
    select_objects({&a});
    fixed_tick_value = 0xFFFFFFFCu;  // + 7 wraps to 3
    run({"x", "y", "1", "1", "random", "1", "0"});
    // Across the selection: frequency 1 / 2 per unit; the drawn offset is
    // multiplied by that rescaled frequency.
    const float freq = 0.5f;
    const float offset = static_cast<float>(static_cast<float>(draw_percent(3u)) * 0.01f) * freq;
    expect_near_all(ys(a), {std::sin(2 * M_PI * offset), std::sin(2 * M_PI * (2 * freq + offset))});
}

TEST_F(Displace, SubdividedObjectsAreRebuiltOnceAfterAllMoves)
{
    Object &plain = row("plain", {{0, 0}, {1, 0}});
    Object &smooth = row("smooth", {{2, 0}, {3, 0}});
    Object &smooth2 = row("smooth2", {{4, 0}});
    smooth.subdivided = smooth2.subdivided = true;
    std::vector<float> seen_at_rebuild;
    host().eval = [&](const std::string &text, std::string &) {
        if (text == "ac3d remake_subdivisions") seen_at_rebuild = ys(smooth2);
        return host_builtin_command(text);
    };
    select_objects({&plain, &smooth, &smooth2});
    run({"x", "y", "0.2", "1", "0", "1", "1"});
    host().eval = nullptr;
    EXPECT_EQ(host().tcl_log(), std::vector<std::string>{"ac3d remake_subdivisions"});
    EXPECT_EQ(host().counts().remake_subdivisions, 1);
    EXPECT_EQ(seen_at_rebuild, ys(smooth2));  // the last vertex had already moved
    EXPECT_NE(ys(smooth2)[0], 0.0f);

    SetUp();
    Object &only = row("only", {{0, 0}, {1, 0}});
    select_objects({&only});
    run({"x", "y", "0.25", "1", "0", "1", "1"});
    EXPECT_TRUE(host().tcl_log().empty());
}

TEST_F(Displace, ObjectModeGathersSubtreesPreOrderOnce)
{
    // group (no vertices) -> child1 -> grandchild; group -> child2
    Object &group = host().scene().add_object("group");
    Object &child1 = row("child1", {{1, 0}, {2, 0}}, &group);
    Object &grand = row("grand", {{3, 0}}, &child1);
    Object &child2 = row("child2", {{4, 0}}, &group);
    Object &other = row("other", {{5, 0}});
    select_objects({&other, &group, &child1});
    run({"x", "y", "1", "1", "0", "1", "1"});
    const std::vector<HostVertex *> expected = {&other.vertices[0], &child1.vertices[0], &child1.vertices[1],
                                                &grand.vertices[0], &child2.vertices[0]};
    EXPECT_EQ(gathered(), expected);
    EXPECT_EQ(host().undo_steps().back().name, "rilo");
    EXPECT_EQ(host().undo_steps().size(), 1u);
}

TEST_F(Displace, EmptySelectionsAreRefusedWithoutAnUndoStep)
{
    Object &group = host().scene().add_object("group");
    host().scene().add_object("empty child", &group);
    row("unselected", {{0, 0}});
    select_objects({&group});
    run({"x", "y", "1", "1", "0", "1", "1"});
    host().set_select_mode(kSelectSurfaces);
    run({"x", "y", "1", "1", "0", "1", "1"});
    host().set_select_mode(kSelectVertices);
    run({"x", "y", "1", "1", "0", "1", "1"});
    EXPECT_EQ(host().messages(), std::vector<std::string>(3, "rilo : no vertices selected"));
    EXPECT_TRUE(host().undo_steps().empty());
    EXPECT_EQ(host().counts().redraw, 0);
    EXPECT_EQ(host().live_list_nodes(), 0u);
}

TEST_F(Displace, SurfaceAndVertexModesUseTheHostsLists)
{
    Object &o = row("o", {{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    o.add_surface({2, 1, 0});
    o.add_surface({3, 2});
    for (auto &s : o.surfaces) s.selected = true;
    host().set_select_mode(kSelectSurfaces);
    run({"x", "y", "1", "1", "0", "1", "1"});
    EXPECT_EQ(gathered(), (std::vector<HostVertex *>{&o.vertices[2], &o.vertices[1], &o.vertices[0], &o.vertices[3]}));

    host().set_select_mode(kSelectVertices);
    state_of(o.vertices[3]).selected = state_of(o.vertices[1]).selected = true;
    run({"x", "y", "1", "1", "0", "1", "1"});
    EXPECT_EQ(gathered(), (std::vector<HostVertex *>{&o.vertices[1], &o.vertices[3]}));
    EXPECT_EQ(host().live_list_nodes(), 6u);  // held by the two undo steps only
}

TEST_F(Displace, UndoRestoresEveryPositionBitForBit)
{
    Object &o = host().scene().add_object("o");
    for (int i = 0; i < 50; ++i) o.add_vertex(0.1f * static_cast<float>(i), std::nextafter(1.0f, 2.0f), -0.0f);
    std::vector<Vertex> before;
    for (const auto &v : o.vertices) before.push_back(v.v);
    select_objects({&o});
    run({"x", "z", "3", "0.5", "10", "1", "1"});
    run({"x", "y", "1", "0.5", "random", "0", "0"});
    std::string name;
    ASSERT_TRUE(host().undo_last(name));
    ASSERT_TRUE(host().undo_last(name));
    EXPECT_EQ(name, "rilo");
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(same_bits(before[i], o.vertices[i].v)) << i;
    }
    EXPECT_EQ(host().live_list_nodes(), 0u);
}

TEST_F(Displace, HierarchyDeeperThanAnyStackIsGathered)
{
    constexpr int kDepth = 300000;
    Object *parent = nullptr;
    std::vector<Object *> chain;
    for (int i = 0; i < kDepth; ++i) {
        parent = &host().scene().add_object("level", parent);
        parent->add_vertex(static_cast<float>(i), 0, 0);
        chain.push_back(parent);
    }
    select_objects({chain.front()});
    run({"x", "y", "0", "1", "0", "1", "1"});
    const auto order = gathered();
    ASSERT_EQ(order.size(), static_cast<size_t>(kDepth));
    EXPECT_EQ(order.front(), &chain.front()->vertices[0]);
    EXPECT_EQ(order.back(), &chain.back()->vertices[0]);
}

TEST_F(Displace, ResultsBeyondSinglePrecisionAreRefusedBeforeAnyChange)
{
    struct Case {
        std::initializer_list<std::pair<float, float>> points;
        std::vector<std::string> params;
    };
    const Case cases[] = {
        // additive: 3e38 + 1e38 does not fit
        {{{0, 3e38f}, {1, 0}}, {"x", "y", "1", "1e38", "0", "1", "1"}},
        // placed on one curve from the base level
        {{{0, -3e38f}, {1, 0}}, {"x", "y", "1", "-1e38", "0", "0", "1"}},
        // the extent itself overflows, so would every distance from lo
        {{{-3e38f, 0}, {3e38f, 0}}, {"x", "y", "1", "1", "0", "1", "1"}},
        // cycles across a tiny extent
        {{{0, 0}, {1e-40f, 0}}, {"x", "y", "1e3", "1", "0", "1", "0"}},
        // an offset rescaled by a huge frequency
        {{{0, 0}, {1, 0}}, {"x", "y", "3e38", "1", "1e30", "1", "0"}},
    };
    for (const Case &c : cases) {
        SetUp();
        Object &o = row("o", c.points);
        select_objects({&o});
        std::vector<float> before = ys(o);
        run(c.params);
        EXPECT_EQ(host().messages(), std::vector<std::string>{"rilo : the wave would take coordinates out of range"});
        EXPECT_EQ(ys(o), before);
        EXPECT_TRUE(host().undo_steps().empty());
        EXPECT_EQ(host().counts().redraw, 0);
        EXPECT_EQ(host().live_list_nodes(), 0u);
    }
    // At the edge of the range the wave still applies.
    SetUp();
    Object &o = row("o", {{0, 1e38f}, {0.25f, 0}});
    select_objects({&o});
    run({"x", "y", "1", "2e38", "0", "1", "1"});
    EXPECT_TRUE(host().messages().empty());
    EXPECT_EQ(ys(o)[1], 2e38f);
}

using HostLists = FreshHost;

TEST_F(HostLists, AppendUniqueKeepsOrderAcrossRepeatedAppends)
{
    Object &a = row("a", {{0, 0}, {1, 0}, {2, 0}});
    Object &b = row("b", {{3, 0}});
    List *list = nullptr;
    list_append_list_unique(&list, b.vertex_list());
    list_append_list_unique(&list, a.vertex_list());
    list_append_list_unique(&list, a.vertex_list());
    list_append_list_unique(&list, b.vertex_list());
    std::vector<void *> items;
    for (List *n = list; n; n = n->next) items.push_back(n->data);
    EXPECT_EQ(items, (std::vector<void *>{&b.vertices[0], &a.vertices[0], &a.vertices[1], &a.vertices[2]}));

    // Another list built in between does not disturb what the first one holds.
    List *other = nullptr;
    list_append_list_unique(&other, a.vertex_list());
    list_append_list_unique(&list, a.vertex_list());
    size_t count = 0;
    for (List *n = list; n; n = n->next) ++count;
    EXPECT_EQ(count, 4u);
    list_free(&list);
    list_free(&other);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(host().live_list_nodes(), 0u);
}

TEST_F(HostLists, MisuseIsRecordedAndHarmless)
{
    Object &a = row("a", {{0, 0}, {1, 0}});
    List *own = a.vertex_list();
    list_free(&own);  // the object's own list
    List *copy = nullptr;
    list_append_list_unique(&copy, a.vertex_list());
    List *again = copy;
    list_free(&copy);
    list_free(&again);  // released twice
    EXPECT_EQ(host().misuse(),
              (std::vector<std::string>{"list_free of a list the host owns", "list_free of a list already released"}));
    EXPECT_EQ(a.vertex_list()->next->data, &a.vertices[1]);
    host().clear(Record::Misuse);
}

}  // namespace
