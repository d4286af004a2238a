// Fuzzes the seven parameters through the real command against the strict
// host.  Input: the first byte picks the selection mode, the rest is split at
// newlines into the parameter strings.  Checks: no breach of the host's
// rules; a refused call shows exactly one message and changes nothing; an
// accepted one writes finite coordinates only and undoes exactly.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "coordinates.h"
#include "host.h"
#include "rilo.h"

using namespace standin;

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void build_scene()
{
    Host &h = host();
    h.echo = false;
    Scene &s = h.scene();
    Object &group = s.add_object("group");
    Object &a = s.add_object("a", &group);
    Object &b = s.add_object("b", &a);
    Object &c = s.add_object("c");
    c.subdivided = true;
    const float values[] = {0.0f, 1.5f, -2.25f, 1e-30f, 3e3f, -7e5f, 0.125f, 1e30f, -1e-40f};
    int i = 0;
    for (Object *o : {&a, &b, &c}) {
        for (int k = 0; k < 6; ++k, ++i) o->add_vertex(values[i % 9], values[(i + 3) % 9], values[(i + 5) % 9]);
        o->add_surface({0, 1, 2});
        o->add_surface({3, 4, 5, 0});
        o->surfaces[0].selected = true;
        state_of(o->vertices[1]).selected = state_of(o->vertices[4]).selected = true;
    }
    h.select_object(group);
    h.select_object(c);
}

std::vector<Vertex> positions()
{
    std::vector<Vertex> out;
    host().scene().for_each_object([&](Object &o) {
        for (auto &v : o.vertices) out.push_back(v.v);
    });
    return out;
}

bool same_positions(const std::vector<Vertex> &a, const std::vector<Vertex> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Vertex &p, const Vertex &q) { return same_bits(p, q); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = (build_scene(), true);
    (void)ready;
    Host &h = host();
    if (size == 0) return 0;
    h.set_select_mode(1 + data[0] % 3);

    std::vector<std::string> params;
    std::string field;
    for (size_t i = 1; i < size && params.size() < 8; ++i) {
        if (data[i] == '\n') {
            params.push_back(field);
            field.clear();
        } else {
            field.push_back(static_cast<char>(data[i]));
        }
    }
    if (params.size() < 8) params.push_back(field);

    const auto before = positions();
    h.clear(Record::Messages);
    h.clear(Record::Debug);
    const size_t steps = h.undo_steps().size();
    invoke_command(RegisteredCommand{"pjtrilo_go", sine_deform_command, 7, AC_CMD_ARGV, "", ""}, params);
    if (!h.misuse().empty()) fail(h.misuse().front().c_str());

    const auto after = positions();
    if (!h.messages().empty()) {
        if (h.messages().size() != 1) fail("more than one message");
        if (h.undo_steps().size() != steps) fail("refused call saved an undo step");
        if (!same_positions(before, after)) fail("refused call moved");
        return 0;
    }
    if (h.undo_steps().size() != steps + 1) fail("accepted call without exactly one undo step");
    for (const Vertex &v : after) {
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) fail("non-finite coordinate");
    }
    std::string name;
    h.undo_last(name);
    if (!same_positions(before, positions())) fail("undo inexact");
    return 0;
}
