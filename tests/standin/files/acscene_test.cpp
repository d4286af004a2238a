// The stand-in's scene loaded from .ac files and saved back, and the side view.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "acscene.h"
#include "error.h"
#include "host.h"
#include "side_view.h"
#include "test_files.h"

namespace fs = std::filesystem;
using namespace standin;

namespace {

const char *const kModel =
    "AC3Db\n"
    "MATERIAL \"m\" rgb 1 1 1  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  trans 0\n"
    "OBJECT world\nkids 2\n"
    "OBJECT group\nname \"arm\"\nloc 0 0 5\nkids 1\n"
    "OBJECT poly\nname \"hand\"\nrot 0 -1 0 1 0 0 0 0 1\nloc 10 0 0\nsubdiv 2\nnumvert 3\n1 2 3\n0.1 0.2 0.3\n-0 4 0\n"
    "numsurf 2\nSURF 0x10\nmat 0\nrefs 3\n0 0 0\n1 0 0\n2 0 0\nSURF 0x02\nmat 0\nrefs 3\n0 0 0\n1 0 0\n2 0 0\n"
    "kids 0\n"
    "OBJECT poly\nname \"plate\"\nloc 1000.25 0 0\nnumvert 2\n0.1 0.2 0.3\n0.4 0.5 0.6\nkids 0\n";

class SceneFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        host().reset_scene();
        host().echo = false;
        std::ofstream(dir_ / "in.ac") << kModel;
        load_scene(host(), (dir_ / "in.ac").string());
    }
    void TearDown() override { host().reset_scene(); }
    Object &object(const char *name) { return *host().scene().named(name).at(0); }
    ScratchDir scratch_{"acscene_test"};
    fs::path dir_ = scratch_.path();
};

TEST_F(SceneFiles, LoadingBuildsTheSceneInWorldCoordinates)
{
    Scene &s = host().scene();
    ASSERT_EQ(s.object_count(), 3u);
    EXPECT_EQ(s.find(1)->name, "arm");
    EXPECT_EQ(s.find(2)->name, "hand");  // numbered in file order, children after parents
    EXPECT_EQ(s.find(2)->parent, s.find(1));
    EXPECT_EQ(s.find(3)->name, "plate");
    EXPECT_TRUE(s.find(2)->subdivided);
    EXPECT_FALSE(s.find(3)->subdivided);
    const Vertex &v = object("hand").vertices[0].v;  // (1,2,3) turned, +(10,0,0), +(0,0,5)
    EXPECT_EQ(v.x, 8.0f);
    EXPECT_EQ(v.y, 1.0f);
    EXPECT_EQ(v.z, 8.0f);
    EXPECT_EQ(object("plate").vertices[1].v.x, static_cast<float>(0.4f + 1000.25));
    EXPECT_EQ(object("hand").surfaces[1].refs(), (std::vector<std::uint32_t>{0, 1, 2}));

    // The references are the model's, read in place, until the object is
    // edited: then they become its own and every surface keeps its own.
    Object &hand = object("hand");
    std::vector<std::vector<std::uint32_t>> before;
    for (const Surface &f : hand.surfaces) before.emplace_back(f.refs().begin(), f.refs().end());
    hand.add_surface(std::vector<std::uint32_t>{2, 1, 0});
    EXPECT_THROW(hand.add_surface(std::vector<std::uint32_t>{0, 99}), standin::Error);
    ASSERT_EQ(hand.surfaces.size(), before.size() + 1);
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(hand.surfaces[i].refs(), before[i]);
    EXPECT_EQ(hand.surfaces[before.size()].refs(), (std::vector<std::uint32_t>{2, 1, 0}));
}

TEST_F(SceneFiles, SavingRewritesOnlyTheMovedCoordinates)
{
    EXPECT_EQ(save_scene(host(), (dir_ / "same.ac").string()), 0u);
    EXPECT_EQ(slurp(dir_ / "same.ac"), kModel);

    object("plate").vertices[0].v.y = 0.75f;  // a world move along y only
    object("hand").vertices[2].v.z = 9.5f;
    EXPECT_EQ(save_scene(host(), (dir_ / "moved.ac").string()), 2u);
    std::string expected = kModel;
    expected.replace(expected.find("0.1 0.2 0.3\n0.4"), 11, "0.1 0.75 0.3");  // plate: y only, x kept
    expected.replace(expected.find("-0 4 0\n"), 6, "-0 4 4.5");               // hand: z - 5
    EXPECT_EQ(slurp(dir_ / "moved.ac"), expected);

    load_scene(host(), (dir_ / "moved.ac").string());
    EXPECT_EQ(object("plate").vertices[0].v.y, 0.75f);
    EXPECT_EQ(object("hand").vertices[2].v.z, 9.5f);
}

TEST_F(SceneFiles, ASceneThatNoLongerFitsItsModelIsNotSaved)
{
    object("plate").add_vertex(1, 2, 3);
    EXPECT_THROW(save_scene(host(), (dir_ / "out.ac").string()), standin::Error);
    host().scene().add_object("extra");
    EXPECT_THROW(save_scene(host(), (dir_ / "out.ac").string()), standin::Error);
    EXPECT_FALSE(fs::exists(dir_ / "out.ac"));
}

TEST_F(SceneFiles, AFailedSaveKeepsTheModelAsItWas)
{
    object("plate").vertices[1].v.x = 2000.0f;
    EXPECT_THROW(save_scene(host(), (dir_ / "missing" / "out.ac").string()), ac::Error);
    // The model still holds the old local coordinate, so the move is seen again.
    EXPECT_EQ(save_scene(host(), (dir_ / "out.ac").string()), 1u);
    EXPECT_NE(slurp(dir_ / "out.ac").find("\n999.75 0.5 0.6\n"), std::string::npos);
}

TEST_F(SceneFiles, AMovedVertexOfASingularObjectIsRefused)
{
    std::string singular = kModel;
    singular.replace(singular.find("rot 0 -1 0 1 0 0 0 0 1"), 22, "rot 1 0 0 2 0 0 0 0 1");
    std::ofstream(dir_ / "singular.ac") << singular;
    load_scene(host(), (dir_ / "singular.ac").string());
    EXPECT_EQ(save_scene(host(), (dir_ / "out.ac").string()), 0u);  // unmoved: fine
    object("hand").vertices[0].v.y += 1;
    try {
        save_scene(host(), (dir_ / "out2.ac").string());
        FAIL();
    } catch (const standin::Error &e) {
        EXPECT_NE(std::string(e.what()).find("'hand'"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(dir_ / "out2.ac"));
}

TEST_F(SceneFiles, ABuiltSceneIsSavedAsANewModel)
{
    host().reset_scene();
    Object &a = host().scene().add_object("a b");
    a.add_vertex(0.1f, 0.2f, 0.3f);
    a.add_vertex(1, 0, 0);
    a.add_vertex(0, 1, 0);
    a.add_surface({0, 1, 2});
    a.subdivided = true;
    Object &g = host().scene().add_object("g", &a);
    host().scene().add_object("leaf", &g).add_vertex(5, 5, 5);
    EXPECT_EQ(save_scene(host(), (dir_ / "new.ac").string()), 4u);
    load_scene(host(), (dir_ / "new.ac").string());
    Scene &s = host().scene();
    ASSERT_EQ(s.object_count(), 3u);
    EXPECT_EQ(s.find(1)->name, "a b");
    EXPECT_TRUE(s.find(1)->subdivided);
    EXPECT_EQ(s.find(1)->vertices[0].v.y, 0.2f);
    EXPECT_EQ(s.find(1)->surfaces[0].refs().size(), 3u);
    EXPECT_EQ(s.find(3)->parent, s.find(2));
    EXPECT_EQ(s.find(3)->vertices[0].v.z, 5.0f);

    host().reset_scene();
    host().scene().add_object("say \"hi\"");
    EXPECT_THROW(save_scene(host(), (dir_ / "bad.ac").string()), standin::Error);
}

// The flags as the modeller writes them: a hidden line after the header,
// before locked, folded, the vertices and kids.
const char *const kFlagged = "AC3Db\nMATERIAL \"m\" rgb 1 1 1  amb 0 0 0  emis 0 0 0  spec 0 0 0  shi 1  trans 0\n"
                             "OBJECT world\nkids 4\n"
                             "OBJECT group\nname \"g\"\nloc 0 0 1\nfolded\nkids 1\n"
                             "OBJECT poly\nname \"in\"\ncrease 30\nhidden\nnumvert 1\n0 0 0\nkids 0\n"
                             "OBJECT poly\nname \"lock\"\nlocked\nkids 0\n"
                             "OBJECT light\nkids 0\n"
                             "OBJECT poly\nnumvert 1\n1 1 1\nnumsurf 0\nkids 0\n";

TEST_F(SceneFiles, FlagsAreReadAndSavedAsTheyNowStand)
{
    struct Row {
        std::vector<int> hide, unhide;
        const char *before, *after;  // the change expected in kFlagged; "" none
        bool Object::*flag = &Object::hidden;  // what hiding sets: or locked
    };
    const Row rows[] = {
        {{}, {}, "", ""},
        {{2}, {}, "", ""},   // hidden already
        {{1}, {1}, "", ""},  // and back
        {{1}, {}, "loc 0 0 1\nfolded", "loc 0 0 1\nhidden\nfolded"},
        {{}, {2}, "crease 30\nhidden\n", "crease 30\n"},
        {{3}, {}, "\"lock\"\nlocked", "\"lock\"\nhidden\nlocked"},
        {{4}, {}, "light\nkids", "light\nhidden\nkids"},
        {{5}, {}, "poly\nnumvert 1\n1", "poly\nhidden\nnumvert 1\n1"},
        {{3}, {}, "", "", &Object::locked},  // locked already
        {{}, {3}, "\"lock\"\nlocked\n", "\"lock\"\n", &Object::locked},
        {{1}, {}, "loc 0 0 1\nfolded", "loc 0 0 1\nlocked\nfolded", &Object::locked},
        {{2}, {}, "hidden\nnumvert", "hidden\nlocked\nnumvert", &Object::locked},
    };
    std::ofstream(dir_ / "flags.ac") << kFlagged;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.after);
        load_scene(host(), (dir_ / "flags.ac").string());
        Scene &s = host().scene();
        const std::vector<std::array<bool, 3>> flags{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 0}};
        for (int id = 1; id <= 5; ++id)
            EXPECT_EQ((std::array<bool, 3>{s.find(id)->hidden, s.find(id)->locked, s.find(id)->folded}),
                      flags[static_cast<std::size_t>(id - 1)]);
        EXPECT_EQ(s.find(1)->kind, "group");
        EXPECT_EQ(s.find(4)->kind, "light");
        for (int id : row.hide) s.find(id)->*row.flag = true;
        for (int id : row.unhide) s.find(id)->*row.flag = false;
        save_scene(host(), (dir_ / "out.ac").string());
        std::string want = kFlagged;
        if (*row.before) want.replace(want.find(row.before), std::strlen(row.before), row.after);
        EXPECT_EQ(slurp(dir_ / "out.ac"), want);
    }
    // A scene built without a model writes its flags, and reads them back.
    host().reset_scene();
    Object &made = host().scene().add_object("made");
    made.hidden = made.locked = made.folded = true;
    save_scene(host(), (dir_ / "made.ac").string());
    load_scene(host(), (dir_ / "made.ac").string());
    const Object &back = *host().scene().find(1);
    EXPECT_TRUE(back.hidden && back.locked && back.folded);
}

TEST_F(SceneFiles, EdgesCloseSurfacesButNotLines)
{
    // Surface 0 (polygon) gives 0-1, 1-2, 2-0; surface 1 (line) adds nothing new.
    const std::vector<Edge> edges = object_edges(host(), object("hand"));
    ASSERT_EQ(edges.size(), 3u);
    std::vector<SurfaceKind> kinds;
    surface_kinds(host(), object("hand"), kinds);
    EXPECT_EQ(kinds, (std::vector<SurfaceKind>{SurfaceKind::polygon, SurfaceKind::line}));
    kinds.clear();
    surface_kinds(host(), host().scene().add_object("added after loading"), kinds);
    EXPECT_TRUE(kinds.empty());
    host().reset_scene();
    Object &o = host().scene().add_object("o");
    for (int i = 0; i < 4; ++i) o.add_vertex(float(i), 0, 0);
    o.add_surface({0, 1, 2, 3});
    o.add_surface({3, 2, 1, 0});
    // Where first met, ends in the surface's order: the side view thins them in that order.
    const std::vector<Edge> met = object_edges(host(), o);
    ASSERT_EQ(met.size(), 4u);
    for (std::uint32_t i = 0; i < 4; ++i) EXPECT_TRUE(met[i].a == i && met[i].b == (i + 1) % 4) << i;
}

TEST(SideViewPicture, BothLayersAxesAndThinning)
{
    SideView p;
    p.title = "a < b";
    p.across = "x";
    p.up = "z";
    p.before = {{0, 0, 1, 0}};
    p.after = {{0, 0.5f, 1, -0.5f}};
    const std::string svg = side_view_svg(p);
    EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
    EXPECT_NE(svg.find("a &lt; b"), std::string::npos);
    EXPECT_NE(svg.find("x (frequency axis)"), std::string::npos);
    EXPECT_NE(svg.find("z (amplitude axis)"), std::string::npos);
    EXPECT_NE(svg.find(">before<"), std::string::npos);
    EXPECT_NE(svg.find(">after<"), std::string::npos);
    EXPECT_EQ(svg.find("drawn)"), std::string::npos);
    EXPECT_LT(svg.find(">after<"), svg.find(">before<"));  // before drawn over after

    p.after.assign(kSideViewMaxLines * 3 + 1, SideViewLine{0, 0, 1, 1});
    const std::string thin = side_view_svg(p);
    EXPECT_NE(thin.find("after (1 edge in 4 drawn)"), std::string::npos);
    EXPECT_LT(std::count(thin.begin(), thin.end(), 'L'), static_cast<long>(kSideViewMaxLines + 10));
}

// What XML 1.0 cannot hold is shown as \xNN per byte; characters it can
// hold pass, the markup characters as entities.
TEST(SideViewPicture, TitleBecomesCharactersXmlCanHold)
{
    const struct {
        std::string title, shown;
    } rows[] = {
        {"a < b & \"c\" > d", "a &lt; b &amp; &quot;c&quot; &gt; d"},
        {std::string("n\0u\x01l\t\n\x7f", 8), "n\\x00u\\x01l\\x09\\x0a\\x7f"},
        {"\xc3\xa9 \xe2\x86\x92 \xf0\x9f\x99\x82", "\xc3\xa9 \xe2\x86\x92 \xf0\x9f\x99\x82"},  // 2, 3 and 4 bytes
        {"\xff\xc3", "\\xff\\xc3"},                                                            // no UTF-8; cut short
        {"\xc0\xaf\xe0\x80\xaf", "\\xc0\\xaf\\xe0\\x80\\xaf"},                                 // overlong
        {"\xed\xa0\x80\xf4\x90\x80\x80", "\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80"},  // surrogate; beyond U+10FFFF
        {"\xef\xbf\xbe\xef\xbf\xbf\xef\xbf\xbd",
         "\\xef\\xbf\\xbe\\xef\\xbf\\xbf\xef\xbf\xbd"},  // U+FFFE, U+FFFF; U+FFFD
    };
    for (const auto &row : rows) {
        SideView p;
        p.title = row.title;
        p.across = "x";
        p.up = "y";
        const std::string svg = side_view_svg(p);
        EXPECT_NE(svg.find("font-size=\"14\">" + row.shown + "</text>"), std::string::npos) << row.shown;
    }
}

// A title wider than the picture: the paths cut in their middle, the
// files' names whole, the rest cut at the end; none wider than the picture.
TEST(SideViewPicture, LongTitleFitsThePicture)
{
    const std::string folders = "/home/someone/" + std::string(120, 'f') + "/";
    const struct {
        std::string in, out, title;
        const char *kept;
    } rows[] = {
        {folders + "in.ac", folders + "out.ac", "frequency 1", "/in.ac \u2192 "},
        {"in.ac", folders + "\x01\xff.ac", "frequency 1", "in.ac \u2192 /home/"},
        {"in.ac", "out.ac", "frequency " + std::string(200, '9'), "in.ac \u2192 out.ac: frequency 9"},
    };
    for (const auto &row : rows) {
        SideView p;
        p.in = row.in, p.out = row.out, p.title = row.title;
        const std::string svg = side_view_svg(p);
        const std::size_t from = svg.find("font-size=\"14\">") + 15, to = svg.find("</text>", from);
        const std::string title = svg.substr(from, to - from);
        EXPECT_NE(title.find(row.kept), std::string::npos) << title;
        EXPECT_NE(title.find("\u2026"), std::string::npos) << title;
        const double width = std::stod(svg.substr(svg.find("width=\"") + 7));
        const auto characters = std::count_if(title.begin(), title.end(), [](char c) { return (c & 0xC0) != 0x80; });
        EXPECT_LE(characters * 7.5, width - 80) << title;
    }
}

}  // namespace
