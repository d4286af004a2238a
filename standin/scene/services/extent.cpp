#include "extent.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <limits>
#include <vector>

#include "host.h"

namespace standin {

namespace {

float component(const Vertex &p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

// The vertices the selection hands a command, each once, as
// gather_selected_vertices takes them; each is marked with STAMP.
std::vector<HostVertex *> gathered(Host &host, Stamp stamp)
{
    std::vector<HostVertex *> vertices;
    auto take = [&](HostVertex &v) {
        Stamp &mark = state_of(v).mark;
        if (mark == stamp) return;
        mark = stamp;
        vertices.push_back(&v);
    };
    const int mode = host.select_mode();
    if (mode == kSelectObjects) {
        for (Object *o : objects_reached(host.selected_objects(), kSelectObjects)) {
            for (HostVertex &v : o->vertices) take(v);
        }
        return vertices;
    }
    host.scene().for_each_object([&](Object &o) {
        if (mode == kSelectVertices) {
            for (HostVertex &v : o.vertices) {
                if (is_selected(v)) take(v);
            }
            return;
        }
        for (Surface &s : o.surfaces) {
            if (!is_selected(s)) continue;
            for (uint32_t ref : s.refs()) take(o.vertices[ref]);
        }
    });
    return vertices;
}

// The selected vertices' coordinates along AXIS, a vertex the live preview
// moved counted where the preview's first step found it: the wave shown is
// not the model's, and the command run for real starts from the model.
std::vector<float> coordinates(Host &host, int axis)
{
    const Stamp stamp = host.lists().new_stamp();
    const std::vector<HostVertex *> vertices = gathered(host, stamp);
    std::vector<float> values;
    values.reserve(vertices.size());
    for (const UndoStep &step : host.live_steps()) {
        for (const SavedVertices::Saved saved : step.saved) {
            Stamp &mark = state_of(*saved.vertex).mark;
            if (mark != stamp) continue;
            mark = 0;  // counted: a later step's position is the preview's own
            values.push_back(component(saved.position, axis));
        }
    }
    for (const HostVertex *v : vertices) {
        if (state_of(*v).mark == stamp) values.push_back(component(v->v, axis));
    }
    return values;
}

// How many distinct values VALUES holds (none a not-a-number): their
// ordered keys sorted by radix, 11 bits a pass, as a million coordinates
// must take a few milliseconds where a comparison sort takes a hundred.
size_t distinct_count(const std::vector<float> &values)
{
    std::vector<uint32_t> keys(values.size());
    std::vector<uint32_t> spare(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const float c = values[i] == 0.0f ? 0.0f : values[i];  // -0 is 0
        const uint32_t bits = std::bit_cast<uint32_t>(c);
        keys[i] = (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
    }
    for (int shift = 0; shift < 32; shift += 11) {
        std::vector<size_t> start(2049, 0);
        for (uint32_t k : keys) ++start[((k >> shift) & 0x7ffu) + 1];
        for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
        for (uint32_t k : keys) spare[start[(k >> shift) & 0x7ffu]++] = k;
        keys.swap(spare);
    }
    return static_cast<size_t>(std::unique(keys.begin(), keys.end()) - keys.begin());
}

std::optional<AxisExtent> extent_of(std::vector<float> values)
{
    const size_t count = values.size();
    if (count == 0) return std::nullopt;
    std::erase_if(values, [](float c) { return std::isnan(c); });
    if (values.empty()) {
        const float none = std::numeric_limits<float>::quiet_NaN();
        return AxisExtent{none, none, count, 0.0};
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const size_t distinct = distinct_count(values);
    const double span = static_cast<double>(*high) - static_cast<double>(*low);
    return AxisExtent{*low, *high, count, distinct > 1 ? span / static_cast<double>(distinct - 1) : 0.0};
}

}  // namespace

std::optional<AxisExtent> SelectionExtent::along(Host &host, int axis)
{
    const Key now{host.scene().serial(), host.versions().current(), host.selection_version()};
    if (now != key_) {
        key_ = now;
        std::fill(std::begin(known_), std::end(known_), false);
    }
    if (!known_[axis]) {
        extents_[axis] = extent_of(coordinates(host, axis));
        known_[axis] = true;
    }
    return extents_[axis];
}

}  // namespace standin
