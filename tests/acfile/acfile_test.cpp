#include "acfile.h"
#include "same_bits.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Loaded {
    ac::Model model;
    std::vector<std::string> warnings;
};

Loaded load(const std::string &text, const std::string &name = "t.ac")
{
    Loaded l;
    ac::ReadOptions opt;
    opt.warn = [&](const std::string &w) { l.warnings.push_back(w); };
    l.model = ac::read_text(text, name, opt);
    return l;
}

// The message of the error reading `text` gives, or "" when it reads.
std::string error_of(const std::string &text)
{
    try {
        load(text);
    } catch (const ac::Error &e) {
        return e.what();
    }
    return "";
}

std::vector<std::string> words(const std::string &s)
{
    std::vector<std::string> w;
    std::istringstream in(s);
    for (std::string t; in >> t;) w.push_back(t);
    return w;
}

std::uint32_t bits(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

std::vector<const ac::Object *> objects(const ac::Model &m)
{
    std::vector<const ac::Object *> v;
    ac::for_each_object(m, [&](const ac::Object &o, const ac::Placement &) { v.push_back(&o); });
    return v;
}

// Same tree, tokens, materials and geometry bit for bit.
void expect_same_model(const ac::Model &a, const ac::Model &b)
{
    EXPECT_EQ(a.version, b.version);
    EXPECT_EQ(a.materials, b.materials);
    auto oa = objects(a), ob = objects(b);
    ASSERT_EQ(oa.size(), ob.size());
    for (std::size_t i = 0; i < oa.size(); ++i) {
        const ac::Object &x = *oa[i];
        const ac::Object &y = *ob[i];
        SCOPED_TRACE("object " + std::to_string(i) + " " + x.name());
        EXPECT_EQ(x.type, y.type);
        ASSERT_EQ(x.tokens.size(), y.tokens.size());
        for (std::size_t t = 0; t < x.tokens.size(); ++t) {
            EXPECT_EQ(x.tokens[t].key, y.tokens[t].key);
            EXPECT_EQ(x.tokens[t].args, y.tokens[t].args);
            EXPECT_EQ(x.tokens[t].text, y.tokens[t].text);
        }
        EXPECT_EQ(x.kids.size(), y.kids.size());
        ASSERT_EQ(x.verts.size(), y.verts.size());
        for (std::size_t v = 0; v < x.verts.size(); ++v) {
            ASSERT_EQ(bits(x.verts[v].x), bits(y.verts[v].x));
            ASSERT_EQ(bits(x.verts[v].y), bits(y.verts[v].y));
            ASSERT_EQ(bits(x.verts[v].z), bits(y.verts[v].z));
        }
        ASSERT_EQ(a.vertex_texts(x), b.vertex_texts(y));
        ASSERT_EQ(x.surfs.size(), y.surfs.size());
        for (std::size_t s = 0; s < x.surfs.size(); ++s) {
            EXPECT_EQ(x.surfs[s].flags, y.surfs[s].flags);
            EXPECT_EQ(x.surfs[s].mat, y.surfs[s].mat);
            EXPECT_EQ(x.surfs[s].count, y.surfs[s].count);
        }
        ASSERT_EQ(x.refs.size(), y.refs.size());
        for (std::size_t r = 0; r < x.refs.size(); ++r) {
            ASSERT_EQ(x.refs[r].index, y.refs[r].index);
            ASSERT_EQ(a.uv_text(x.refs[r]), b.uv_text(y.refs[r]));
        }
    }
}

const std::string quad = "AC3Db\n"
                         "MATERIAL \"m\" rgb 1 1 1  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  trans 0\n"
                         "OBJECT world\n"
                         "kids 1\n"
                         "OBJECT poly\n"
                         "name \"plate\"\n"
                         "data 5\n"
                         "plate\n"
                         "loc 1 2 3\n"
                         "numvert 4\n"
                         "0 0 0\n"
                         "1 0 0\n"
                         "1 1 -0\n"
                         "0 1 2.5e-05\n"
                         "numsurf 1\n"
                         "SURF 0x10\n"
                         "mat 0\n"
                         "refs 4\n"
                         "0 0 0\n"
                         "1 1 0\n"
                         "2 1 1\n"
                         "3 0 1\n"
                         "kids 0\n";

std::string replace(std::string s, const std::string &from, const std::string &to)
{
    std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

// ------------------------------------------------------------ sample models

class SampleModels : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = RILO_MODELS_DIR;
        SKIP_WITHOUT_SAMPLE_MODELS(dir_);
    }
    std::vector<fs::path> readable() const
    {
        std::vector<fs::path> v;
        for (const auto &e : fs::directory_iterator(dir_))
            if (e.path().extension() == ".ac" && e.path().filename() != "sd-wheel0-acc-dialect.ac")
                v.push_back(e.path());
        std::sort(v.begin(), v.end());
        return v;
    }
    fs::path dir_;
};

// The quirks the collection documents, and the one warning each must give.
TEST_F(SampleModels, RepairedFilesWarnOnceAtTheFaultyLine)
{
    const std::pair<const char *, const char *> expected[] = {
        {"shuttle-strobe-shi0trans.ac", ":2: warning: material 0 is not of the form"},
        {"l1049h-master-fire-datacount.ac",
         ":10: warning: data 14 does not match its text; took the line 'LampMasterFireOff'"},
        {"bluebird-deep.ac", ":89235: warning: data 19 does not match its text; took the line 'Button_LT1_g.002'"},
        {"boeing314-engineer-kidsover.ac", "warning: the file ends 2 object(s) short"},
        {"b777-efb-kidsunder.ac", "warning: more objects follow the world's 138 children"},
        {"dox-copilot-empty.ac", ":2: warning: no OBJECT world"},
    };
    for (const fs::path &p : readable()) {
        SCOPED_TRACE(p.filename().string());
        ac::ReadOptions opt;
        std::vector<std::string> w;
        opt.warn = [&](const std::string &s) { w.push_back(s); };
        ac::Model m = ac::read_file(p.string(), opt);
        const char *want = nullptr;
        for (const auto &[file, text] : expected)
            if (p.filename() == file) want = text;
        if (!want) {
            EXPECT_TRUE(w.empty()) << w.front();
            continue;
        }
        ASSERT_EQ(w.size(), 1u);
        EXPECT_EQ(w[0].rfind(p.string() + ":", 0), 0u) << w[0];
        EXPECT_NE(w[0].find(want), std::string::npos) << w[0];
    }
}

TEST_F(SampleModels, CountsAgreeWithTheCollectionsNotes)
{
    struct Known {
        const char *file;
        std::size_t objects, vertices, surfaces;
    };
    // Figures from the collection's manifest (objects there include the world).
    const Known known[] = {
        {"m2000-panel-largest.ac", 13, 30922, 29769}, {"f14b-hidden-folded.ac", 381, 23341, 30457},
        {"bluebird-deep.ac", 592, 23748, 17915},      {"ask21-asi-crlf.ac", 4, 362, 354},
        {"b777-efb-kidsunder.ac", 139, 0, 0},
    };
    for (const Known &k : known) {
        SCOPED_TRACE(k.file);
        ac::ReadOptions quiet;
        quiet.warn = [](const std::string &) {};
        ac::Counts c = ac::count(ac::read_file((dir_ / k.file).string(), quiet));
        EXPECT_EQ(c.objects, k.objects);
        if (k.vertices) {
            EXPECT_EQ(c.vertices, k.vertices);
            EXPECT_EQ(c.surfaces, k.surfaces);
        }
    }
}

TEST_F(SampleModels, TheAccDialectIsRefusedAtItsFirstSign)
{
    const fs::path p = dir_ / "sd-wheel0-acc-dialect.ac";
    try {
        ac::read_file(p.string());
        FAIL() << "read";
    } catch (const ac::Error &e) {
        const std::string msg = e.what();
        EXPECT_EQ(msg.rfind(p.string() + ":8: expected one texture per object", 0), 0u) << msg;
        EXPECT_NE(msg.find("found 'texture'"), std::string::npos) << msg;
    }
}

TEST_F(SampleModels, SaveAndReloadKeepsEveryValueBitForBit)
{
    for (const fs::path &p : readable()) {
        SCOPED_TRACE(p.filename().string());
        ac::ReadOptions quiet;
        quiet.warn = [](const std::string &) {};
        const std::string original = slurp(p);
        ac::Model a = ac::read_file(p.string(), quiet);
        const std::string written = ac::write_text(a);
        Loaded b = load(written, "written.ac");
        for (const std::string &w : b.warnings)  // only a material kept as it was
            EXPECT_NE(w.find("warning: material"), std::string::npos) << w;
        expect_same_model(a, b.model);
        EXPECT_EQ(ac::write_text(b.model), written);

        std::vector<std::string> ignore;
        ac::ReadOptions collect;
        collect.warn = [&](const std::string &s) { ignore.push_back(s); };
        ac::read_file(p.string(), collect);
        if (!ignore.empty()) continue;  // repaired: the repair changes the text
        // Unrepaired files come back word for word, and byte for byte when
        // their layout is the writer's own (single spaces, no blank lines).
        EXPECT_EQ(words(written), words(original));
        const bool plain = original.find('\t') == std::string::npos && original.find(" \n") == std::string::npos &&
                           original.find(" \r") == std::string::npos && original.find("\n\n") == std::string::npos &&
                           original.find("\n\r\n") == std::string::npos && original.back() == '\n';
        if (plain) {
            EXPECT_TRUE(written == original) << "byte difference";
        }
    }
}

void expect_only_y_rewritten(const std::string &before, const std::string &after, float moved);

TEST_F(SampleModels, ChangingOneCoordinateRewritesOnlyThatNumber)
{
    // Edited in the model, or handed to the writer by a caller that had the
    // model read without its copy of the coordinates as read.
    for (const bool edit : {true, false}) {
        ac::ReadOptions options;
        options.keep_read_copy = edit;
        const fs::path p = dir_ / "ask21-asi-crlf.ac";
        ac::Model m = ac::read_file(p.string(), options);
        ac::Object &o = m.world.kids.at(1);
        ASSERT_GT(o.verts.size(), 10u);
        const float moved = o.verts[7].y + 0.125f;
        std::vector<ac::Vertex> given = o.verts;
        (edit ? o.verts : given)[7].y = moved;
        const std::string before = slurp(p);
        const std::string after =
            ac::write_text(m, [&](const ac::Object &ob) { return !edit && &ob == &o ? given.data() : nullptr; });
        expect_only_y_rewritten(before, after, moved);
    }
}

// Between BEFORE and AFTER only the y of vertex 7 of the second object differs.
void expect_only_y_rewritten(const std::string &before, const std::string &after, float moved)
{

    std::vector<std::string> lb, la;
    std::istringstream sb(before), sa(after);
    for (std::string l; std::getline(sb, l);) lb.push_back(l);
    for (std::string l; std::getline(sa, l);) la.push_back(l);
    ASSERT_EQ(lb.size(), la.size());
    std::vector<std::size_t> differ;
    for (std::size_t i = 0; i < lb.size(); ++i)
        if (lb[i] != la[i]) differ.push_back(i);
    ASSERT_EQ(differ.size(), 1u);
    const auto wb = words(lb[differ[0]]), wa = words(la[differ[0]]);
    ASSERT_EQ(wa.size(), 3u);
    EXPECT_EQ(wa[0], wb[0]);
    EXPECT_EQ(wa[2], wb[2]);
    EXPECT_EQ(wa[1], ac::format_float(moved));
    EXPECT_EQ(la[differ[0]].back(), '\r');  // CRLF kept

    Loaded back = load(after);
    EXPECT_EQ(bits(back.model.world.kids.at(1).verts[7].y), bits(moved));
}

// ------------------------------------------------------------ tolerated quirks

TEST(ReaderQuirks, LayoutVariantsReadAsTheSameModel)
{
    const Loaded plain = load(quad);
    std::string crlf;
    for (char c : quad) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string variants[] = {
        crlf,
        quad.substr(0, quad.size() - 1),  // no final newline
        replace(replace(quad, "OBJECT poly\n", "\n\nOBJECT poly\n\n"), "kids 0\n", "kids 0\n\n\n"),
        replace(quad, "1 1 -0\n", "1\t1\t-0\n"),
        replace(quad, "numvert 4\n", "numvert 4   \n"),
        replace(quad, "1 0 0\n1 1 -0\n", "1 0 0\n\n  1 1 -0 \n"),
        replace(quad, "SURF 0x10\nmat 0\nrefs 4\n", "SURF 0x10 mat 0 refs 4\n"),
        replace(quad, "SURF 0x10\nmat 0\n", "SURF\n0x10\n\nmat\t0\n"),
        replace(quad, "1 1 0\n2 1 1\n", "1 1 0\n\n2\t1  1 \n"),
    };
    for (const std::string &v : variants) {
        SCOPED_TRACE(v);
        Loaded l = load(v);
        EXPECT_TRUE(l.warnings.empty());
        expect_same_model(plain.model, l.model);
        EXPECT_EQ(l.model.world.kids[0].tokens[1].text, "plate");
    }
    EXPECT_TRUE(load(crlf).model.crlf);
    EXPECT_FALSE(plain.model.crlf);
}

TEST(ReaderQuirks, AFileFlattenedToOneLineReadsLikeTheOriginal)
{
    std::string flat = quad;
    std::replace(flat.begin(), flat.end(), '\n', ' ');
    Loaded l = load(flat);
    EXPECT_TRUE(l.warnings.empty());
    expect_same_model(load(quad).model, l.model);
    // And a data count that does not fit is settled by the next word.
    Loaded bad = load(replace(flat, "data 5", "data 3"));
    ASSERT_EQ(bad.warnings.size(), 1u);
    EXPECT_EQ(bad.model.world.kids[0].tokens[1].text, "plate");
}

TEST(ReaderQuirks, SurfaceFlagsInEveryWrittenForm)
{
    const std::pair<const char *, std::uint32_t> forms[] = {{"0x10", 0x10}, {"0X10", 0x10}, {"0x0", 0},  {"0X0", 0},
                                                            {"0x2", 2},     {"0x32", 0x32}, {"31", 0x31}};
    for (const auto &[text, value] : forms) {
        SCOPED_TRACE(text);
        const std::string src = replace(quad, "SURF 0x10", std::string("SURF ") + text);
        Loaded l = load(src);
        EXPECT_EQ(l.model.world.kids[0].surfs[0].flags, value);
        EXPECT_EQ(ac::write_text(l.model), src);  // kept as written
    }
}

TEST(ReaderQuirks, ObjectTokensInAnyOrderAndUnknownOnesAreKept)
{
    const std::string src =
        "AC3Db\nOBJECT world\nname \"w\"\nhidden\nkids 1\n"
        "OBJECT group\nfolded\nloc 0 -0 1e-005\nshowname 1\nlocked\ncrease 372.99999102746796\n"
        "texoff 0.5 0.5\ntexrep -0.25 0.25\nsubdiv 3\nurl \"http://x\"\nmystery \"a b\" 1 2\nname \"g 1\"\n"
        "kids 0\n";
    Loaded l = load(src);
    EXPECT_TRUE(l.warnings.empty());
    const ac::Object &g = l.model.world.kids.at(0);
    std::vector<std::string> keys;
    for (const ac::Token &t : g.tokens) keys.push_back(t.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"folded", "loc", "showname", "locked", "crease", "texoff", "texrep",
                                              "subdiv", "url", "mystery", "name"}));
    EXPECT_EQ(g.name(), "g 1");
    EXPECT_EQ(g.subdiv(), 3);
    EXPECT_EQ(g.find("mystery")->args, (std::vector<std::string>{"\"a b\"", "1", "2"}));
    EXPECT_EQ(g.loc[2], 1e-5);
    EXPECT_EQ(ac::write_text(l.model), src);

    const std::string beyond = replace(quad, "mat 0\n", "mat 5\n");
    Loaded b = load(beyond);
    ASSERT_EQ(b.warnings.size(), 1u);
    EXPECT_EQ(
        b.warnings[0].rfind("t.ac:17: warning: surface 0 of object 'plate' uses material 5, but the file has 1 ", 0),
        0u)
        << b.warnings[0];
    EXPECT_EQ(ac::write_text(b.model), beyond);
}

TEST(ReaderQuirks, DataCountPolicy)
{
    struct Case {
        const char *data;  // what follows "name \"o\"\n"
        const char *text;  // the text kept
        bool warns;
    };
    const Case cases[] = {
        {"data 5\nplate\n", "plate", false},
        {"data 10\nSphere\ncre\n", "Sphere\ncre", false},           // count right, spans a line
        {"data 10\r\nSphere\r\ncre\r\n", "Sphere\ncre", false},     // CRLF counts as one
        {"data 6\r\nSphere\r\n", "Sphere", false},                  // count excludes CR
        {"data 19\nButton_LT1_g.002\n", "Button_LT1_g.002", true},  // too large
        {"data 11\nCircle\n", "Circle", true},
        {"data 14\nLampMasterFireOff\n", "LampMasterFireOff", true},  // too small
        {"data 0\n", "", false},
        {"data 0\n\n", "", false},
        {"data 5\nab \"c\n", "ab \"c", false},  // a quote is just text
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.data);
        const std::string src =
            std::string("AC3Db\nOBJECT world\nkids 1\nOBJECT poly\nname \"o\"\n") + c.data + "crease 30\nkids 0\n";
        Loaded l = load(src);
        const ac::Token *d = l.model.world.kids.at(0).find("data");
        ASSERT_TRUE(d);
        EXPECT_EQ(d->text, c.text);
        EXPECT_TRUE(l.model.world.kids[0].find("crease"));
        ASSERT_EQ(l.warnings.size(), c.warns ? 1u : 0u);
        if (c.warns) {
            EXPECT_EQ(l.warnings[0].rfind("t.ac:6: warning: data ", 0), 0u) << l.warnings[0];
        }
        // Written back with the count of the text kept, so it reads cleanly.
        Loaded again = load(ac::write_text(l.model));
        EXPECT_TRUE(again.warnings.empty());
        EXPECT_EQ(again.model.world.kids.at(0).find("data")->text, c.text);
    }
}

TEST(ReaderQuirks, KidsCountsThatDoNotMatchAreSettledByWhatFollows)
{
    const std::string obj = "OBJECT poly\nname \"a\"\nkids 0\n";
    Loaded over = load("AC3Db\nOBJECT world\nkids 3\n" + obj);
    ASSERT_EQ(over.warnings.size(), 1u);
    EXPECT_EQ(over.model.world.kids.size(), 1u);
    EXPECT_NE(ac::write_text(over.model).find("kids 1\n"), std::string::npos);

    Loaded under = load("AC3Db\nOBJECT world\nkids 1\n" + obj + obj + obj);
    ASSERT_EQ(under.warnings.size(), 1u);
    EXPECT_EQ(under.warnings[0].rfind("t.ac:7: warning:", 0), 0u) << under.warnings[0];
    EXPECT_EQ(under.model.world.kids.size(), 3u);

    Loaded nested_short = load("AC3Db\nOBJECT world\nkids 2\nOBJECT group\nkids 2\n" + obj);
    ASSERT_EQ(nested_short.warnings.size(), 1u);
    EXPECT_NE(nested_short.warnings[0].find("2 object(s) short"), std::string::npos);

    Loaded noworld = load("AC3Db\nOBJECT poly\nkids 0");
    ASSERT_EQ(noworld.warnings.size(), 1u);
    EXPECT_EQ(noworld.model.world.type, "world");
    EXPECT_EQ(ac::write_text(noworld.model), "AC3Db\nOBJECT world\nkids 1\nOBJECT poly\nkids 0\n");
}

TEST(ReaderQuirks, OddNumbersAndMaterialsAreKeptAsWritten)
{
    std::string src = replace(quad, "0 0 0\n1 1 0\n", "0 -nan -nan\n1 1. 0\n");
    src = replace(src, "1 0 0\n", "-6.91973e-005 1. -0\n");
    src = replace(src, "shi 10  trans 0", "shi 0trans 0");
    src = replace(src, "MATERIAL \"m\"",
                  "MATERIAL \"\" rgb 1 1 1 amb 1 1 1 emis 0 0 0 spec 0 0 0 shi 12.8 trans 0\nMATERIAL \"m\"");
    Loaded l = load(src);
    ASSERT_EQ(l.warnings.size(), 1u);
    EXPECT_EQ(l.warnings[0].rfind("t.ac:3: warning: material 1 ", 0), 0u) << l.warnings[0];
    ASSERT_EQ(l.model.materials.size(), 2u);
    EXPECT_EQ(l.model.materials[1].substr(l.model.materials[1].size() - 12), "shi 0trans 0");
    const ac::Object &o = l.model.world.kids[0];
    EXPECT_TRUE(std::isnan(l.model.u(o.refs[0])));
    EXPECT_EQ(l.model.v(o.refs[1]), 0.0f);
    EXPECT_EQ(o.verts[1].x, -6.91973e-5f);
    EXPECT_TRUE(std::signbit(o.verts[1].z));
    EXPECT_EQ(ac::write_text(l.model), src);
}

// Coordinates in every written form, read through the quick path for plain
// decimals and the careful one for the rest, give what from_chars gives.
TEST(ReaderQuirks, EveryFormOfCoordinateReadsAsFromCharsReadsIt)
{
    std::mt19937 rng(7);
    const auto digits = [&](int n) {
        std::string d;
        for (int i = 0; i < n; ++i) d += static_cast<char>('0' + rng() % 10);
        return d;
    };
    const auto number = [&]() -> std::string {
        const std::string sign = rng() % 3 == 0 ? "-" : "";
        switch (rng() % 6) {
        case 0:
            return sign + digits(1 + rng() % 3);
        case 1:
            return sign + digits(1 + rng() % 4) + "." + digits(1 + rng() % 11);  // up to 15 digits
        case 2:
            return sign + digits(1 + rng() % 2) + "." + digits(rng() % 3) + "e" + sign + digits(1);
        case 3:
            return "+" + digits(1) + "." + digits(1 + rng() % 6);
        case 4:
            return sign + "0." + digits(rng() % 12) + digits(1);
        default:
            return sign + digits(1 + rng() % 20) + "." + digits(1 + rng() % 3);  // more than a float holds
        }
    };
    std::string src =
        "AC3Db\nMATERIAL \"m\" rgb 1 1 1  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  trans 0\n"
        "OBJECT world\nkids 1\nOBJECT poly\nnumvert 3000\n";
    std::vector<std::string> written;
    for (int i = 0; i < 3000 * 3; ++i) {
        written.push_back(number());
        src += written.back() + (i % 3 == 2 ? "\n" : " ");
    }
    src += "numsurf 1\nSURF 0x10\nmat 0\nrefs 3\n0 " + number() + " " + number() + "\n1 0.5 " + number() + "\n2 " +
           number() + " 1\nkids 0\n";
    const Loaded l = load(src);
    const ac::Object &o = l.model.world.kids.at(0);
    ASSERT_EQ(o.verts.size(), 3000u);
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string &w = written[i];
        float want = 0;
        const char *first = w.data() + (w[0] == '+');
        std::from_chars(first, w.data() + w.size(), want);
        const ac::Vertex &v = o.verts[i / 3];
        const float got = i % 3 == 0 ? v.x : i % 3 == 1 ? v.y : v.z;
        ASSERT_EQ(bits(got), bits(want)) << w;
    }
    EXPECT_EQ(ac::write_text(l.model), src);
}

// ------------------------------------------------------------ refused input

TEST(ReaderRefuses, WhatCannotBeReadWithoutGuessing)
{
    struct Case {
        std::string src;
        const char *start;  // message begins with this
        const char *found;  // and ends with this
    };
    std::string acc = replace(quad, "1 0 0\n", "1 0 0 0.1 0.2 0.3\n");
    std::string flat_acc = acc;
    std::replace(flat_acc.begin(), flat_acc.end(), '\n', ' ');
    const Case cases[] = {
        {"", "t.ac:1: expected the header AC3Db or AC3Dc", "found end of file"},
        {"AC3Dd\nOBJECT world\nkids 0\n", "t.ac:1: expected the header", "found 'AC3Dd'"},
        {"ac3db\n", "t.ac:1: expected the header", "found 'ac3db'"},
        {"AC3Db\n", "t.ac:2: expected OBJECT or MATERIAL", "found end of file"},
        {acc, "t.ac:12: expected 3 numbers on a vertex line", "found '0.1'"},
        {flat_acc, "t.ac:1: expected numsurf or kids after the 4 vertices", "found '0'"},
        {replace(quad, "2 1 1\n", "2 1 1 0.5 0.5\n"), "t.ac:21: expected 3 values on a refs line", "found '0.5'"},
        {replace(quad, "SURF 0x10", "SURF 0x24"), "t.ac:16: expected surface type 0, 1 or 2", "found '0x24'"},
        {replace(quad, "SURF 0x10", "SURF 0xg"), "t.ac:16: expected hexadecimal surface flags", "found '0xg'"},
        {replace(quad, "2 1 1\n", "4 1 1\n"), "t.ac:21: expected a vertex index below 4", "found '4'"},
        {replace(quad, "0 1 2.5e-05\n", ""), "t.ac:14: expected coordinate x of vertex 3 of 4", "found 'numsurf'"},
        {quad.substr(0, quad.find("1 1 -0")), "t.ac:13: expected coordinate x of vertex 2 of 4", "found end of file"},
        {replace(quad, "1 1 -0\n", "1 1\n-0\n"), "t.ac:13: expected 3 coordinates on the line of vertex 2, found 2",
         ""},
        {replace(quad, "1 1 -0", "1 nan -0"), "t.ac:13: expected a finite vertex coordinate", "found 'nan'"},
        {replace(quad, "1 1 -0", "1 1e39 -0"), "t.ac:13: expected a finite vertex coordinate", "found '1e39'"},
        {replace(quad, "loc 1 2 3", "loc 1 2 x"), "t.ac:9: expected a number in loc", "found 'x'"},
        {replace(quad, "loc 1 2 3", "loc 1e39 2 3"), "t.ac:9: expected a number within single precision in loc",
         "found '1e39'"},
        {replace(quad, "loc 1 2 3", "rot 1 0 0 0 -4e38 0 0 0 1"),
         "t.ac:9: expected a number within single precision in rot of object 'plate'", "found '-4e38'"},
        {replace(quad, "refs 4\n", std::string("refs f\0u\x1b\n", 10)), "t.ac:18: expected a whole number after refs",
         "found 'f\\x00u\\x1b'"},
        {replace(quad, "loc 1 2 3", "loc 1 2 3\nloc 1 2 3"), "t.ac:10: expected one loc per object", "found 'loc'"},
        {replace(quad, "name \"plate\"", "name \"plate"), "t.ac:6: expected a closing '\"'", "found end of file"},
        {quad.substr(0, quad.size() - 7), "t.ac:23: expected kids to end object 'plate'", "found end of file"},
        {replace(quad, "refs 4\n", "refs four\n"), "t.ac:18: expected a whole number after refs", "found 'four'"},
        {replace(quad, "mat 0\n", ""), "t.ac:17: expected mat after SURF", "found 'refs'"},
        {quad + "junk\n", "t.ac:24: expected OBJECT or the end of the file", "found 'junk'"},
        {replace(quad, "kids 0\n", "kids 1\nOBJECT world\nkids 0\n"), "t.ac:24: expected OBJECT world only as the root",
         ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.src);
        const std::string msg = error_of(c.src);
        EXPECT_EQ(msg.rfind(c.start, 0), 0u) << msg;
        const std::string found = c.found;
        EXPECT_TRUE(msg.size() >= found.size() && msg.compare(msg.size() - found.size(), found.size(), found) == 0)
            << msg;
    }
}

TEST(ReaderRefuses, AFileThatCannotBeReadNamesTheCallThatFailed)
{
    const std::string dir = fs::temp_directory_path().string();
    const std::pair<std::string, std::string> cases[] = {
        {dir + "/acfile_test_no_such.ac", ": cannot load: open: No such file or directory"},
        {dir, ": cannot load: not a regular file (a folder)"},
    };
    for (const auto &[path, tail] : cases) {
        try {
            ac::read_file(path);
            ADD_FAILURE() << path << " read";
        } catch (const ac::Error &e) {
            EXPECT_EQ(std::string(e.what()), path + tail);
        }
    }
}

TEST(ReaderRefuses, IndicesAreCheckedEvenWhenSurfacesComeFirst)
{
    const std::string src =
        "AC3Db\nOBJECT world\nkids 1\nOBJECT poly\nnumsurf 1\nSURF 0x0\nmat 0\nrefs 3\n0 0 0\n1 0 0\n3 0 0\n"
        "numvert 3\n0 0 0\n1 0 0\n0 1 0\nkids 0\n";
    EXPECT_NE(error_of(src).find("expected vertex indices below 3"), std::string::npos);
    EXPECT_EQ(error_of(replace(src, "3 0 0\nnumvert", "2 0 0\nnumvert")), "");
}

TEST(ReaderRefuses, DeepNestingAndHugeCountsFailCleanly)
{
    std::string deep = "AC3Db\nOBJECT world\nkids 1\n";
    for (int i = 0; i < 1100; ++i) deep += "OBJECT group\nkids 1\n";
    EXPECT_NE(error_of(deep).find("nested at most 1000 deep"), std::string::npos);
    EXPECT_NE(error_of("AC3Db\nOBJECT world\nkids 1\nOBJECT poly\nnumvert 4000000000\n0 0 0\n")
                  .find("expected coordinate x of vertex 1"),
              std::string::npos);
    // Room is made for no more than the rest of the text could hold.
    EXPECT_NE(error_of("AC3Db\nOBJECT world\nkids 1\nOBJECT poly\nnumvert 1\n0 0 0\nnumsurf 4000000000\n"
                       "SURF 0x10\nmat 0\nrefs 4000000000\n0 0 0\n")
                  .find("expected a vertex index (ref 1 of 4000000000)"),
              std::string::npos);
    const Loaded kids = load("AC3Db\nOBJECT world\nkids 4000000000\nOBJECT group\nkids 4000000000\n");
    ASSERT_EQ(kids.warnings.size(), 1u);
    EXPECT_NE(kids.warnings[0].find("7999999999 object(s) short"), std::string::npos) << kids.warnings[0];
}

// ------------------------------------------------------------ writer

class Saving : public ::testing::Test {
protected:
    std::vector<std::string> names() const
    {
        std::vector<std::string> v;
        for (const auto &e : fs::directory_iterator(dir_)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }
    ScratchDir scratch_{"acfile_test"};
    fs::path dir_ = scratch_.path();
};

TEST_F(Saving, ReplacesTheFileAndKeepsItsMode)
{
    const fs::path target = dir_ / "m.ac";
    {
        std::ofstream(target) << "old";
    }
    ::chmod(target.c_str(), 0640);
    ac::write_file(load(quad).model, target.string());
    EXPECT_EQ(slurp(target), quad);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(names(), std::vector<std::string>{"m.ac"});
}

// The message of the error saving m to `path` gives, or "" when it saves.
std::string save_error(const ac::Model &m, const fs::path &path)
{
    try {
        ac::write_file(m, path.string());
    } catch (const ac::Error &e) {
        return e.what();
    }
    return "";
}

TEST_F(Saving, AFailedSaveLeavesNothingBehind)
{
    const ac::Model m = load(quad).model;
    const fs::path missing = dir_ / "missing" / "m.ac";
    const std::string msg = save_error(m, missing);
    EXPECT_EQ(msg, missing.string() + ": cannot save: its folder " + (dir_ / "missing").string() +
                       " does not exist; nothing written");
    EXPECT_EQ(save_error(m, dir_),
              dir_.string() + ": cannot save: it is a directory, not a regular file; left as it is");
    EXPECT_TRUE(names().empty());

    if (::geteuid() != 0) {
        const fs::path ro = dir_ / "ro";
        fs::create_directory(ro);
        {
            std::ofstream(ro / "m.ac") << "old";
        }
        ::chmod(ro.c_str(), 0555);
        EXPECT_THROW(ac::write_file(m, (ro / "m.ac").string()), ac::Error);
        ::chmod(ro.c_str(), 0755);
        EXPECT_EQ(slurp(ro / "m.ac"), "old");
    }
}

TEST_F(Saving, AWriteThatFailsHalfwayKeepsTheOldFile)
{
    // A file size limit makes the write fail after the first bytes.
    const fs::path target = dir_ / "m.ac";
    {
        std::ofstream(target) << "old";
    }
    ac::Model m = load(quad).model;
    for (int i = 0; i < 20000; ++i) m.world.kids[0].verts.push_back({1.5f, 2.5f, float(i)});
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        try {
            ac::write_file(m, target.string());
        } catch (const ac::Error &e) {
            _exit(std::strstr(e.what(), "cannot save: write") ? 3 : 4);
        }
        _exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(slurp(target), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"m.ac"});
}

// A model read without its copy of the coordinates as read takes its own
// for them: once they are edited, the writer refuses it rather than give
// them their old text, and leaves the file as it was.
TEST_F(Saving, AModelReadWithoutItsCopyIsRefusedOnceItsVerticesAreEdited)
{
    using Verts = std::vector<ac::Vertex>;
    const struct {
        const char *edit;
        void (*change)(Verts &);
        bool refused;
    } cases[] = {
        {"none", [](Verts &) {}, false},
        {"one coordinate", [](Verts &v) { v[1].y = 0.5f; }, true},
        {"the sign of a zero", [](Verts &v) { v[2].z = 0.0f; }, true},
        {"two vertices swapped", [](Verts &v) { std::swap(v[0], v[3]); }, true},
        {"the last vertex erased", [](Verts &v) { v.pop_back(); }, true},
        {"a copy of the first put before it", [](Verts &v) { v.insert(v.begin(), v[0]); }, true},
        {"a copy of the first added after those read", [](Verts &v) { v.insert(v.end(), v[0]); }, false},
    };
    const fs::path target = dir_ / "m.ac";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.edit);
        {
            std::ofstream(target) << "old";
        }
        ac::ReadOptions once;
        once.keep_read_copy = false;
        ac::Model m = ac::read_text(quad, "in.ac", once);
        Verts &verts = m.world.kids[0].verts;
        c.change(verts);
        const std::string msg = save_error(m, target);
        if (c.refused) {
            EXPECT_EQ(msg, target.string() +
                               ": cannot save: the vertices of object 'plate' were edited after a read without their "
                               "copy as read (keep_read_copy off), and would be written with their old text; nothing "
                               "written");
            EXPECT_EQ(slurp(target), "old");
        } else {
            ASSERT_EQ(msg, "");
            const Verts back = load(slurp(target)).model.world.kids[0].verts;
            ASSERT_EQ(back.size(), verts.size());
            for (std::size_t i = 0; i < back.size(); ++i) EXPECT_TRUE(ac::same_bits(back[i], verts[i])) << i;
        }
        EXPECT_EQ(names(), std::vector<std::string>{"m.ac"});
    }
}

TEST(Writer, ValuesMadeByTheProgramUseTheShortestExactForm)
{
    ac::Model m = load(quad).model;
    ac::Object &o = m.world.kids[0];
    o.verts[2].z = 0.0f;  // was -0: a change of sign is a change
    o.verts[3].x = 0.1f;
    o.verts.push_back({1.0f / 3.0f, -2e-30f, 123456.79f});
    o.surfs[0].flags = 0x21;
    ac::Surface tri;
    tri.first = static_cast<std::uint32_t>(o.refs.size());
    tri.count = 3;
    for (std::uint32_t i : {4u, 0u, 1u}) o.refs.push_back(m.make_ref(i, 0.5f, 1.0f / 3.0f));
    o.surfs.push_back(tri);
    const std::string out = ac::write_text(m);
    EXPECT_NE(out.find("numsurf 2\nSURF 0x21\n"), std::string::npos);
    EXPECT_NE(out.find("SURF 0x00\nmat 0\nrefs 3\n4 0.5 0.33333334\n0 0.5 0.33333334\n"), std::string::npos);
    EXPECT_NE(out.find("\n1 1 0\n0.1 1 2.5e-05\n0.33333334 -2e-30 123456.79\n"), std::string::npos) << out;
    EXPECT_NE(out.find("numvert 5\n"), std::string::npos);
    EXPECT_NE(out.find("SURF 0x21\n"), std::string::npos);
    const Loaded reread = load(out);
    const ac::Object &back = reread.model.world.kids[0];
    for (std::size_t i = 0; i < o.verts.size(); ++i) {
        EXPECT_EQ(bits(back.verts[i].x), bits(o.verts[i].x));
        EXPECT_EQ(bits(back.verts[i].y), bits(o.verts[i].y));
        EXPECT_EQ(bits(back.verts[i].z), bits(o.verts[i].z));
    }
}

// ------------------------------------------------------------ world coordinates

// (Placements in the scene's terms are tested with the scene.)
TEST(Placement, MovedVerticesGoBackThroughTheInverse)
{
    ac::Model m = load("AC3Db\nOBJECT world\nkids 1\nOBJECT group\nloc 0 0 5\nkids 1\n"
                       "OBJECT poly\nrot 0.6 -0.8 0 0.8 0.6 0 0 0 2\nloc 10 0 0\nnumvert 1\n1 2 3\nkids 0\n")
                      .model;
    ac::for_each_object(m, [&](ac::Object &o, const ac::Placement &p) {
        if (o.verts.empty()) return;
        const ac::Vertex old = o.verts[0];
        ac::Vertex w = p.to_world(old);
        EXPECT_EQ(bits(p.to_local(w, old).x), bits(old.x));  // not moved: unchanged
        w.y += 0.75f;
        const ac::Vertex l = p.to_local(w, old);
        const ac::Vertex again = p.to_world(l);
        EXPECT_NEAR(again.x, w.x, 1e-5);
        EXPECT_NEAR(again.y, w.y, 1e-5);
        EXPECT_EQ(bits(again.z), bits(w.z));
        EXPECT_EQ(bits(l.z), bits(old.z));  // z does not depend on a move in y
    });
}

// A placement that only adds zeros leaves every coordinate as it is, but
// for the sign of a zero, which is what the sum in double makes of it.
TEST(Placement, LocsOfZerosKeepTheSignThatTheSumGives)
{
    const char *const locs[] = {"", "loc 0 0 0\n", "loc -0 -0 -0\n", "loc -0 0 -0\n", "loc 0.5 -0 0\n"};
    for (const char *world_loc : locs) {
        for (const char *own_loc : locs) {
            SCOPED_TRACE(std::string(world_loc) + "/" + own_loc);
            ac::Model m = load(std::string("AC3Db\nOBJECT world\n") + world_loc + "kids 1\nOBJECT poly\n" + own_loc +
                               "numvert 2\n-0 0 1.5\n-0 -0 -2.25\nkids 0\n")
                              .model;
            const ac::Object &o = m.world.kids.at(0);
            ac::for_each_object(m, [&](const ac::Object &ob, const ac::Placement &p) {
                for (const ac::Vertex &v : ob.verts) {
                    const ac::Vertex w = p.to_world(v);
                    const float c[3] = {v.x, v.y, v.z}, got[3] = {w.x, w.y, w.z};
                    for (std::size_t i = 0; i < 3; ++i) {
                        const double sum = double(c[i]) + o.loc[i] + m.world.loc[i];
                        EXPECT_EQ(bits(got[i]), bits(static_cast<float>(sum))) << i;
                    }
                }
            });
        }
    }
}

// ------------------------------------------------------------ progress

TEST(Progress, ShownOnATerminalOnly)
{
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    {
        ac::detail::Progress p("loading", "big.ac", 200, true, slave);
        EXPECT_TRUE(p.active());
        p.update(100);
        p.update(101);  // same percent: not redrawn
    }
    // Each redraw may arrive as a read of its own: read until it is quiet.
    char buf[512];
    std::string shown;
    pollfd pfd{master, POLLIN, 0};
    while (::poll(&pfd, 1, 200) == 1) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;
        shown.append(buf, static_cast<std::size_t>(n));
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.find("loading big.ac 50%"), std::string::npos);
    EXPECT_EQ(shown.find("50%", shown.find("50%") + 1), std::string::npos);
    ::close(master);
    ::close(slave);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    {
        ac::detail::Progress p("saving", "big.ac", 200, true, fds[1]);
        EXPECT_FALSE(p.active());
        p.update(100);
    }
    ::close(fds[1]);
    EXPECT_EQ(::read(fds[0], buf, sizeof buf), 0);
    ::close(fds[0]);
}

}  // namespace
