#include "edges.h"

#include <algorithm>

namespace standin {

namespace {

// Calls VISIT(a, b) for each side of the first SURFACES surfaces in turn,
// from the end the surface lists first.
template <typename Visit>
void for_each_side(const Object &o, std::uint32_t surfaces, std::span<const SurfaceKind> kinds, Visit &&visit)
{
    for (std::uint32_t s = 0; s < surfaces; ++s) {
        const Surface &surface = o.surfaces[s];
        const RefRange refs = o.refs_at(surface.first, surface.count);
        for (std::size_t j = 0; j + 1 < refs.size(); ++j) visit(refs[j], refs[j + 1]);
        if (kind_of(kinds, s) != SurfaceKind::line && refs.size() > 2) visit(refs.back(), refs.front());
    }
}

// Whether the side (a, b) is an edge between two of the first VERTICES vertices.
bool joins(std::uint32_t a, std::uint32_t b, std::uint32_t vertices)
{
    return a != b && a < vertices && b < vertices;
}

// The sides between two of the first VERTICES vertices, gathered by their
// lower end: the higher ends of vertex v's sides are higher[start[v]] to
// before higher[start[v + 1]], in increasing order, equals together.  Two
// passes over the references rather than a hash set, which a
// million-vertex object makes slow.
struct SidesByLowerEnd {
    std::vector<std::uint32_t> start, higher;

    SidesByLowerEnd(const Object &o, std::uint32_t vertices, std::uint32_t surfaces,
                    std::span<const SurfaceKind> kinds)
        : start(std::size_t{vertices} + 2, 0)
    {
        for_each_side(o, surfaces, kinds, [&](std::uint32_t a, std::uint32_t b) {
            if (joins(a, b, vertices)) ++start[std::min(a, b) + 2];
        });
        for (std::size_t v = 2; v < start.size(); ++v) start[v] += start[v - 1];
        higher.resize(start.back());
        for_each_side(o, surfaces, kinds, [&](std::uint32_t a, std::uint32_t b) {
            if (joins(a, b, vertices)) higher[start[std::min(a, b) + 1]++] = std::max(a, b);
        });
        for (std::uint32_t v = 0; v < vertices; ++v) std::sort(higher.begin() + start[v], higher.begin() + start[v + 1]);
    }
    std::vector<std::uint32_t>::const_iterator begin(std::uint32_t v) const { return higher.begin() + start[v]; }
    std::vector<std::uint32_t>::const_iterator end(std::uint32_t v) const { return higher.begin() + start[v + 1]; }
};

}  // namespace

std::vector<Edge> edges_of(const Object &o, std::uint32_t vertices, std::uint32_t surfaces,
                           std::span<const SurfaceKind> kinds, EdgeOrder order)
{
    const SidesByLowerEnd sides(o, vertices, surfaces, kinds);
    std::vector<Edge> edges;
    if (order == EdgeOrder::by_vertex) {
        auto first_of_equals = [&](std::uint32_t v, std::vector<std::uint32_t>::const_iterator it) {
            return it == sides.begin(v) || *it != *(it - 1);
        };
        // Counted first: the view keeps them as long as the object's shape,
        // with no room to spare.
        std::size_t count = 0;
        for (std::uint32_t v = 0; v < vertices; ++v)
            for (auto it = sides.begin(v); it != sides.end(v); ++it) count += first_of_equals(v, it);
        edges.reserve(count);
        for (std::uint32_t v = 0; v < vertices; ++v)
            for (auto it = sides.begin(v); it != sides.end(v); ++it)
                if (first_of_equals(v, it)) edges.push_back({v, *it});
        return edges;
    }
    // A side is an edge met before when the first of its equals is taken.
    edges.reserve(sides.higher.size());
    std::vector<bool> taken(sides.higher.size());
    for_each_side(o, surfaces, kinds, [&](std::uint32_t a, std::uint32_t b) {
        if (!joins(a, b, vertices)) return;
        const std::uint32_t low = std::min(a, b);
        const auto at = std::lower_bound(sides.begin(low), sides.end(low), std::max(a, b)) - sides.higher.begin();
        if (taken[static_cast<std::size_t>(at)]) return;
        taken[static_cast<std::size_t>(at)] = true;
        edges.push_back({a, b});
    });
    return edges;
}

}  // namespace standin
