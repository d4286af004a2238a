// An object's edges, each once, as the window's view draws them and the side
// view of a change lists them; and the kinds of surface that decide which
// edges a surface has.
#ifndef RILO_STANDIN_EDGES_H
#define RILO_STANDIN_EDGES_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "scene.h"

namespace standin {

// What a surface is: a polygon is filled; a closed line and a line are only
// their edges, and a line's last vertex does not join its first.  The scene
// keeps no kinds: a model file gives them (acscene.h).
enum class SurfaceKind : std::uint8_t { polygon, closed_line, line };

// The kind of surface S among KINDS: a polygon past their end, so that no
// kinds at all stand for polygons only.
inline SurfaceKind kind_of(std::span<const SurfaceKind> kinds, std::size_t s)
{
    return s < kinds.size() ? kinds[s] : SurfaceKind::polygon;
}

// One edge of a surface, by the indices of its two vertices in the object.
struct Edge {
    std::uint32_t a, b;
};

enum class EdgeOrder {
    by_vertex,  // by the lower vertex, then the higher; each edge lower end first
    as_met,     // where each is first met along the surfaces, ends in the surface's order
};

// The edges of O's first SURFACES surfaces between its first VERTICES
// vertices, each once: polygons and closed lines closed, lines open (KINDS).
std::vector<Edge> edges_of(const Object &o, std::uint32_t vertices, std::uint32_t surfaces,
                           std::span<const SurfaceKind> kinds, EdgeOrder order);

}  // namespace standin

#endif
