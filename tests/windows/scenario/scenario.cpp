// A modeller without an interpreter that loads rilo.p from its plug-in folder
// and drives it end to end: initialisation, the texts, bad parameters, the
// three selection modes, subdivided objects and undo.
//
//   ac3d [PLUGIN-DIR]      (the folder defaults to the executable's own)
//
// Every check that fails is reported on standard error; the exit status is 0
// when all pass, 1 when any fails and 2 when the module cannot be loaded.
// Standard output lists the vertices each good call moved, as float bit
// patterns, so that runs on different systems can be compared.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "coordinates.h"
#include "error.h"
#include "host.h"
#include "plugin_loader.h"

using namespace standin;

namespace {

int failures = 0;

void check(bool ok, const std::string &what)
{
    if (ok) return;
    ++failures;
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
}

uint32_t bits(float value)
{
    uint32_t b = 0;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

// ---- the scene ----

struct Model {
    Object *frame, *strut, *bolt;  // bolt inside strut inside frame
    Object *bystander;
    Object *sheet;  // three surfaces, the first two sharing a vertex
    Object *rod;
    Object *smooth_a, *smooth_b;  // subdivided
    Object *sweep;                // many vertices spread over several cycles
};

void add_vertices(Object &object, std::initializer_list<Vertex> vertices)
{
    for (const Vertex &v : vertices) object.add_vertex(v.x, v.y, v.z);
}

Model build_model()
{
    Scene &scene = host().scene();
    Model m{};
    m.frame = &scene.add_object("frame");
    add_vertices(*m.frame, {{0.0f, 0.5f, -1.0f}, {1.3f, 0.2f, 0.4f}, {2.9f, -0.7f, 1.1f}, {4.1f, 1.6f, -0.3f}});
    m.strut = &scene.add_object("strut", m.frame);
    add_vertices(*m.strut, {{0.6f, 2.0f, 0.25f}, {1.9f, 2.2f, -0.8f}, {3.4f, 1.1f, 0.9f}});
    m.bolt = &scene.add_object("bolt", m.strut);
    add_vertices(*m.bolt, {{2.2f, -1.4f, 0.05f}, {3.7f, 0.8f, -1.2f}});
    m.bystander = &scene.add_object("bystander");
    add_vertices(*m.bystander, {{0.1f, 0.1f, 0.1f}, {5.0f, 5.0f, 5.0f}, {-2.0f, 3.0f, -4.0f}});
    m.sheet = &scene.add_object("sheet");
    add_vertices(*m.sheet, {{0.0f, 0.0f, 0.0f},
                            {1.0f, 0.1f, 0.35f},
                            {1.1f, 1.0f, 0.7f},
                            {0.1f, 1.2f, 1.45f},
                            {2.3f, 0.4f, 2.05f},
                            {2.9f, 1.7f, 2.6f},
                            {3.3f, 0.6f, 3.15f},
                            {3.8f, 1.9f, 3.9f}});
    m.sheet->add_surface({0, 1, 2});
    m.sheet->add_surface({2, 3, 4});
    m.sheet->add_surface({4, 5, 6, 7});
    m.rod = &scene.add_object("rod");
    add_vertices(
        *m.rod,
        {{-1.0f, -0.25f, 0.3f}, {-0.5f, 0.45f, 0.6f}, {0.0f, 1.15f, 0.2f}, {0.5f, 1.85f, -0.1f}, {1.0f, 2.55f, 0.8f}});
    m.smooth_a = &scene.add_object("smooth_a");
    add_vertices(*m.smooth_a, {{-3.0f, 0.0f, 1.0f}, {-2.2f, 0.3f, 1.5f}, {-1.7f, 0.9f, 0.5f}});
    m.smooth_a->subdivided = true;
    m.smooth_b = &scene.add_object("smooth_b");
    add_vertices(*m.smooth_b, {{1.2f, 0.0f, -1.0f}, {2.6f, -0.3f, -1.5f}, {3.1f, 0.4f, -0.5f}});
    m.smooth_b->subdivided = true;
    m.sweep = &scene.add_object("sweep");
    for (int i = 0; i < 1500; ++i) {
        m.sweep->add_vertex(static_cast<float>(-6.0 + 0.0173 * i), static_cast<float>(0.001 * i), 0.0f);
    }
    return m;
}

struct Saved {
    HostVertex *vertex;
    Vertex position;
};

std::vector<Saved> snapshot()
{
    std::vector<Saved> all;
    host().scene().for_each_object([&](Object &o) {
        for (auto &v : o.vertices) all.push_back(Saved{&v, v.v});
    });
    return all;
}

// ---- selections ----

void select_objects(std::vector<Object *> objects)
{
    Host &h = host();
    h.select_none();
    h.set_select_mode(kSelectObjects);
    for (Object *o : objects) h.select_object(*o);
}

void select_surfaces(Object &object, std::initializer_list<size_t> indices)
{
    Host &h = host();
    h.select_none();
    h.set_select_mode(kSelectSurfaces);
    for (size_t i : indices) object.surfaces[i].selected = true;
}

void select_vertices(Object &object, std::initializer_list<size_t> indices)
{
    Host &h = host();
    h.select_none();
    h.set_select_mode(kSelectVertices);
    for (size_t i : indices) standin::state_of(object.vertices[i]).selected = true;
}

// ---- running the command ----

struct Effects {
    size_t messages, undo, tcl;
    Counters counts;
};

Effects effects()
{
    const Host &h = host();
    return Effects{h.messages().size(), h.undo_steps().size(), h.tcl_log().size(), h.counts()};
}

// ---- good calls ----

struct GoodCase {
    const char *name;
    std::vector<std::string> params;  // the seven strings
    std::vector<HostVertex *> moved;  // what the selection covers
    long remake;                      // rebuild requests expected
};

struct Params {
    int f, a;  // axes: 0, 1, 2
    double frequency, amplitude, offset;
    bool additive, per_unit;
};

Params parse(const std::vector<std::string> &p)
{
    return Params{axis_index(p[0]),        axis_index(p[1]), std::stod(p[2]), std::stod(p[3]),
                  std::stod(p[4]) / 100.0, p[5][0] != '0',   p[6][0] != '0'};
}

// The wave in double precision: amplitude * sin(2 pi (distance * frequency + phase)),
// measured along the frequency axis from the selection's lowest vertex.
std::vector<double> expected_amplitude_coordinates(const Params &p, const std::vector<Vertex> &before)
{
    size_t lowest = 0;
    float lo = coordinate(before[0], p.f), hi = lo;
    for (size_t i = 1; i < before.size(); ++i) {
        const float f = coordinate(before[i], p.f);
        if (f < lo) {
            lo = f;
            lowest = i;
        }
        hi = std::max(hi, f);
    }
    double frequency = p.frequency, phase = p.offset;
    if (!p.per_unit) {
        phase = p.offset * p.frequency;
        frequency = hi > lo ? p.frequency / (static_cast<double>(hi) - lo) : 0.0;
    }
    const double two_pi = 6.283185307179586;
    std::vector<double> result;
    for (const Vertex &v : before) {
        const double turns = (static_cast<double>(coordinate(v, p.f)) - lo) * frequency + phase;
        const double start = p.additive ? coordinate(v, p.a) : coordinate(before[lowest], p.a);
        result.push_back(start + p.amplitude * std::sin(two_pi * turns));
    }
    return result;
}

void run_good(const RegisteredCommand &command, const GoodCase &c)
{
    Host &h = host();
    const std::string name = std::string("case ") + c.name + ": ";
    const std::vector<Saved> before = snapshot();
    const Effects was = effects();
    h.clear(Record::Debug);
    invoke_command(command, c.params);

    check(h.messages().size() == was.messages, name + "no message");
    check(h.debug().rfind("Rilo:\n", 0) == 0, name + "trace written");
    check(h.undo_steps().size() == was.undo + 1 && h.undo_steps().back().name == "rilo",
          name + "one undo step named rilo");
    if (h.undo_steps().size() == was.undo + 1) {
        std::vector<HostVertex *> saved, wanted = c.moved;
        for (const auto &s : h.undo_steps().back().saved) saved.push_back(s.vertex);
        std::sort(saved.begin(), saved.end());
        std::sort(wanted.begin(), wanted.end());
        check(saved == wanted, name + "the undo step holds each selected vertex once");
    }
    check(h.counts().bounding_box == was.counts.bounding_box + 1 && h.counts().redraw == was.counts.redraw + 1 &&
              h.counts().status == was.counts.status + 1,
          name + "bounding box, redraw and status once each");
    check(h.counts().remake_subdivisions == was.counts.remake_subdivisions + c.remake,
          name + std::to_string(c.remake) + " rebuild request(s) counted");
    const auto remakes = std::count(h.tcl_log().begin() + static_cast<std::ptrdiff_t>(was.tcl), h.tcl_log().end(),
                                    std::string("ac3d remake_subdivisions"));
    check(remakes == c.remake && h.tcl_log().size() == was.tcl + static_cast<size_t>(c.remake),
          name + "Tcl texts sent: " + std::to_string(c.remake) + " ac3d remake_subdivisions");

    // Unselected vertices keep every bit; selected ones move along the
    // amplitude axis only, by the wave.
    const Params p = parse(c.params);
    std::vector<Vertex> moved_before;
    for (HostVertex *v : c.moved) {
        for (const Saved &s : before) {
            if (s.vertex == v) moved_before.push_back(s.position);
        }
    }
    const std::vector<double> expected = expected_amplitude_coordinates(p, moved_before);
    for (const Saved &s : before) {
        const auto at = std::find(c.moved.begin(), c.moved.end(), s.vertex);
        const Vertex &now = s.vertex->v;
        const std::string which =
            name + standin::owner_of(*s.vertex)->name + " vertex " + std::to_string(standin::index_of(*s.vertex));
        if (at == c.moved.end()) {
            check(same_bits(now, s.position), which + " untouched");
            continue;
        }
        for (int axis : {0, 1, 2}) {
            if (axis == p.a) continue;
            check(bits(coordinate(now, axis)) == bits(coordinate(s.position, axis)),
                  which + " keeps its " + axis_letter(axis) + " coordinate");
        }
        const double want = expected[static_cast<size_t>(at - c.moved.begin())];
        const double got = coordinate(now, p.a);
        check(std::fabs(got - want) <= 1e-5 * (1.0 + std::fabs(want)),
              which + " at " + std::to_string(got) + ", expected " + std::to_string(want));
        std::printf("%s %s %u %08x %08x %08x\n", c.name, standin::owner_of(*s.vertex)->name.c_str(),
                    standin::index_of(*s.vertex), bits(now.x), bits(now.y), bits(now.z));
    }
}

std::vector<HostVertex *> vertices_of(std::initializer_list<Object *> objects)
{
    std::vector<HostVertex *> all;
    for (Object *o : objects) {
        for (auto &v : o->vertices) all.push_back(&v);
    }
    return all;
}

std::vector<HostVertex *> vertices_of(Object &object, std::initializer_list<size_t> indices)
{
    std::vector<HostVertex *> some;
    for (size_t i : indices) some.push_back(&object.vertices[i]);
    return some;
}

// ---- bad calls ----

struct BadCase {
    std::vector<std::string> params;
    std::string message;
};

void run_bad(const RegisteredCommand &command, const BadCase &c)
{
    Host &h = host();
    std::string shown;
    for (const auto &p : c.params) shown += " \"" + p + "\"";
    const std::string name = "bad call" + shown + ": ";
    const std::vector<Saved> before = snapshot();
    const Effects was = effects();
    invoke_command(command, c.params);

    check(h.messages().size() == was.messages + 1 && h.messages().back() == c.message,
          name + "shows \"" + c.message + "\"" +
              (h.messages().size() > was.messages ? ", got \"" + h.messages().back() + "\"" : ""));
    check(h.undo_steps().size() == was.undo, name + "no undo step");
    check(h.tcl_log().size() == was.tcl, name + "no Tcl text");
    check(h.counts().bounding_box == was.counts.bounding_box && h.counts().redraw == was.counts.redraw &&
              h.counts().status == was.counts.status,
          name + "no refresh");
    bool untouched = true;
    for (const Saved &s : before) untouched = untouched && same_bits(s.vertex->v, s.position);
    check(untouched, name + "every vertex keeps every bit");
}

// ---- initialisation and the calls ----

void initialise(LoadedPlugin &plugin)
{
    Host &h = host();
    // Without a folder the module does nothing and waits for a proper call.
    check(plugin.init(nullptr) == 0, "init without a record returns 0");
    check(h.tcl_log().empty() && h.menu().empty() && h.commands().empty(), "init without a record changes nothing");

    check(init_plugin(plugin) == 0, "init returns 0");
    std::string script_dir;
    for (char ch : plugin.dir) {
        if (ch == '"' || ch == '$' || ch == '[' || ch == ']') script_dir += '\\';
        script_dir += ch == '\\' ? '/' : ch;
    }
    const std::string source = "source \"" + script_dir + "/rilo.tcl\"";
    check(h.tcl_log().size() == 1 && h.tcl_log()[0] == source,
          "init sends " + source + (h.tcl_log().empty() ? "" : ", sent " + h.tcl_log()[0]));
    check(h.menu().size() == 1 && h.menu()[0].label == "Rilo..." && h.menu()[0].command == "pjtrilo_dialog",
          "init adds the Rilo... menu entry running pjtrilo_dialog");
    check(h.commands().size() == 1 && h.commands()[0].name == "pjtrilo_go" && h.commands()[0].nparams == 7 &&
              h.commands()[0].style == AC_CMD_ARGV,
          "init registers pjtrilo_go with seven string arguments");

    check(init_plugin(plugin) == 0, "second init returns 0");
    check(h.tcl_log().size() == 1 && h.menu().size() == 1 && h.commands().size() == 1, "second init changes nothing");

    const char *about = plugin.about();
    const char *info = plugin.info();
    check(about != nullptr && std::strncmp(about, "Rilo", 4) == 0, "About names Rilo");
    check(info != nullptr && std::strncmp(info, "Rilo", 4) == 0, "Info names Rilo");
    check(plugin.about() == about && plugin.info() == info, "About and Info return the same texts each call");
}

void exercise(const RegisteredCommand &command, const Model &m)
{
    Host &h = host();
    const std::vector<Saved> initial = snapshot();

    select_objects({m.frame});
    const std::vector<BadCase> bad = {
        {{"x", "y", "1"}, "Insufficient parameters passed to rilo utility"},
        {{"x", "X", "1", "1", "0", "0", "0"}, "rilo : cannot apply frequency and amplitude to same axis"},
        {{"q", "y", "1", "1", "0", "0", "0"}, "rilo : cannot interpret frequency axis q"},
        {{"z", "w", "1", "1", "0", "0", "0"}, "rilo : cannot interpret amplitude axis w"},
        {{"x", "y", "fast", "1", "0", "0", "0"}, "rilo : unable to parse fast for frequency"},
        {{"x", "y", "1", "1e999", "0", "0", "0"}, "rilo : unable to parse 1e999 for amplitude"},
        {{"x", "y", "1", "1", "--3", "0", "0"}, "rilo : unable to parse --3 for offset"},
        // The phase, offset times frequency, overflows single precision.
        {{"x", "y", "1000", "1", "1e38", "0", "0"}, "rilo : the wave would take coordinates out of range"},
    };
    for (const BadCase &c : bad) run_bad(command, c);
    select_objects({});
    run_bad(command, {{"x", "y", "1", "1", "0", "0", "0"}, "rilo : no vertices selected"});

    select_objects({m.frame});
    run_good(command,
             {"objects", {"x", "y", "1.5", "0.75", "0", "0", "0"}, vertices_of({m.frame, m.strut, m.bolt}), 0});
    select_surfaces(*m.sheet, {0, 1});
    run_good(command,
             {"surfaces", {"z", "x", "0.4", "1.25", "25", "1", "1"}, vertices_of(*m.sheet, {0, 1, 2, 3, 4}), 0});
    select_vertices(*m.rod, {0, 2, 4});
    run_good(command, {"vertices", {"Y", "Z", "2.5", "-2", "10", "0", "1"}, vertices_of(*m.rod, {0, 2, 4}), 0});
    select_objects({m.smooth_a, m.smooth_b});
    run_good(command, {"subdivided", {"x", "z", "1", "0.5", "50", "1", "0"}, vertices_of({m.smooth_a, m.smooth_b}), 1});
    select_objects({m.sweep});
    run_good(command, {"sweep", {"x", "y", "0.37", "3.3", "7", "1", "1"}, vertices_of({m.sweep}), 0});

    size_t steps = 0;
    std::string step;
    while (h.undo_last(step)) {
        ++steps;
        check(step == "rilo", "undo step " + std::to_string(steps) + " is named rilo");
    }
    check(steps == 5, "five undo steps, one per good call");
    bool restored = initial.size() == snapshot().size();
    for (const Saved &s : initial) restored = restored && same_bits(s.vertex->v, s.position);
    check(restored, "undo restores every vertex bit for bit");
    check(h.live_list_nodes() == 0, "every list handed to the module was released");
    for (const auto &misuse : h.misuse()) check(false, "list contract: " + misuse);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [PLUGIN-DIR]\n", argv[0]);
        return 2;
    }
    Host &h = host();
    h.echo = false;
    const std::string dir = argc == 2 ? argv[1] : executable_dir();
    LoadedPlugin plugin;
    try {
        plugin = load_plugin(dir);
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    const Model model = build_model();
    initialise(plugin);
    if (const RegisteredCommand *command = h.find_command("pjtrilo_go")) exercise(*command, model);
    check(plugin.exit() == 0, "exit returns 0");
    unload_plugin(plugin);
    std::fflush(stdout);
    if (failures > 0) {
        std::fprintf(stderr, "%d checks failed\n", failures);
        return 1;
    }
    return 0;
}
