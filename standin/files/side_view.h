// A side view of a change to a model as an SVG picture: the edges after in
// colour, before drawn over them in thin grey dashes, on the plane of two
// axes.
#ifndef RILO_STANDIN_SIDE_VIEW_H
#define RILO_STANDIN_SIDE_VIEW_H

#include <cstddef>
#include <string>
#include <vector>

namespace standin {

struct SideViewLine {
    float x0, y0, x1, y1;  // model units: across, up
};

struct SideView {
    // The title: "IN → OUT: " and then this (this alone without files);
    // the paths are shortened in their middle, their files' names kept,
    // when the title is wider than the picture.
    std::string in, out, title;
    std::string across, up;  // axis names, e.g. "x" and "y"
    std::vector<SideViewLine> before, after;
};

// At most this many lines are drawn per layer; larger layers are thinned
// evenly and the picture says so.
inline constexpr std::size_t kSideViewMaxLines = 100000;

std::string side_view_svg(const SideView &view);

}  // namespace standin

#endif
