#include "view.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The pixel a canvas coordinate falls on.
int pixel(double v)
{
    return v >= 0 ? static_cast<int>(v + 0.5) : static_cast<int>(std::floor(v + 0.5));
}

double dot(const double a[3], const float *p)
{
    return a[0] * p[0] + a[1] * p[1] + a[2] * p[2];
}

bool finite(const float *p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Cuts the segment to the viewport (Liang-Barsky); false when none of it is inside.
bool clip(const Camera &c, double &x0, double &y0, double &x1, double &y1)
{
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - c.left, c.right - x0, y0 - c.top, c.bottom - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    const double ax = x0, ay = y0;
    x0 = ax + t0 * dx;
    y0 = ay + t0 * dy;
    x1 = ax + t1 * dx;
    y1 = ay + t1 * dy;
    return true;
}

double segment_distance2(double px, double py, double x0, double y0, double x1, double y1)
{
    const double dx = x1 - x0, dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = x0 + t * dx - px, ey = y0 + t * dy - py;
    return ex * ex + ey * ey;
}

template <typename Parts, typename Key>
std::size_t part_by(const Parts &parts, std::uint32_t index, Key key)
{
    auto after = std::upper_bound(parts.begin(), parts.end(), index,
                                  [&](std::uint32_t i, const ViewModel::Part &p) { return i < key(p); });
    return after == parts.begin() ? 0 : static_cast<std::size_t>(after - parts.begin() - 1);
}

}  // namespace

std::size_t ViewModel::part_of_vertex(std::uint32_t vertex) const
{
    return part_by(parts, vertex, [](const Part &p) { return p.first_vertex; });
}

std::size_t ViewModel::part_of_surface(std::uint32_t surface) const
{
    return part_by(parts, surface, [](const Part &p) { return p.first_surface; });
}

Axes camera_axes(double azimuth, double elevation)
{
    const double a = azimuth * M_PI / 180, e = elevation * M_PI / 180;
    const double ca = std::cos(a), sa = std::sin(a), ce = std::cos(e), se = std::sin(e);
    return Axes{{ca, 0, sa}, {sa * se, ce, -ca * se}, {-sa * ce, se, ca * ce}};
}

Camera fit_camera(const ViewModel &model, Camera camera)
{
    const Axes axes = camera_axes(camera.azimuth, camera.elevation);
    const double *directions[3] = {axes.right, axes.up, axes.towards};
    double low[3], high[3];
    std::fill(low, low + 3, std::numeric_limits<double>::infinity());
    std::fill(high, high + 3, -std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i + 2 < model.xyz.size(); i += 3) {
        const float *p = &model.xyz[i];
        if (!finite(p)) continue;
        for (int k = 0; k < 3; ++k) {
            const double d = dot(directions[k], p);
            low[k] = std::min(low[k], d);
            high[k] = std::max(high[k], d);
        }
    }
    if (low[0] > high[0]) return camera;
    double span_x = high[0] - low[0], span_y = high[1] - low[1];
    double extent = std::max(span_x, span_y);
    if (!(extent > 0)) extent = 1;
    span_x = std::max(span_x, extent * 1e-3);
    span_y = std::max(span_y, extent * 1e-3);
    const double width = std::max(camera.right - camera.left, 1.0), height = std::max(camera.bottom - camera.top, 1.0);
    camera.scale = 0.92 * std::min(width / span_x, height / span_y);
    for (int k = 0; k < 3; ++k) {
        camera.centre[k] = 0;
        for (int d = 0; d < 3; ++d) camera.centre[k] += directions[d][k] * (low[d] + high[d]) / 2;
    }
    return camera;
}

const Drawing &Projector::project(const ViewModel &model, const Camera &camera)
{
    camera_ = camera;
    camera_.grain = std::max(1, camera.grain);
    const Axes axes = camera_axes(camera.azimuth, camera.elevation);
    const double mid_x = (camera.left + camera.right) / 2, mid_y = (camera.top + camera.bottom) / 2;
    auto along = [&](const double d[3]) {
        return d[0] * camera.centre[0] + d[1] * camera.centre[1] + d[2] * camera.centre[2];
    };
    const double offset[3] = {along(axes.right), along(axes.up), along(axes.towards)};
    const std::uint32_t n = model.vertex_count();
    sx_.resize(n);
    sy_.resize(n);
    depth_.resize(n);
    for (std::uint32_t v = 0; v < n; ++v) {
        const float *p = &model.xyz[3 * std::size_t{v}];
        sx_[v] = static_cast<float>(mid_x + camera.scale * (dot(axes.right, p) - offset[0]));
        sy_[v] = static_cast<float>(mid_y - camera.scale * (dot(axes.up, p) - offset[1]));
        depth_[v] = static_cast<float>(dot(axes.towards, p) - offset[2]);
    }
    cells_width_ = static_cast<std::size_t>(std::max(0.0, camera.right - camera.left)) + 2;
    cells_.assign(cells_width_ * (static_cast<std::size_t>(std::max(0.0, camera.bottom - camera.top)) + 2), 0);
    draw_class(model, false, drawing_.lines, drawing_.line_starts);
    std::fill(cells_.begin(), cells_.end(), 0);
    draw_class(model, true, drawing_.selected, drawing_.selected_starts);

    drawing_.marks.clear();
    for (std::uint32_t v = 0; v < n && v < model.vertex_selected.size(); ++v) {
        if (!model.vertex_selected[v]) continue;
        const double x = sx_[v], y = sy_[v];
        if (!(x >= camera.left && x <= camera.right && y >= camera.top && y <= camera.bottom)) continue;
        const int px = snap_x(x), py = snap_y(y);
        if (repeats(px, py, px, py)) continue;
        drawing_.marks.push_back(px);
        drawing_.marks.push_back(py);
    }
    return drawing_;
}

// Draws the edges of one class: those cut by the viewport's border as single
// segments, the rest gathered in kept_ and walked into polylines.
// A canvas coordinate on the camera's grain, within the viewport.
int Projector::snap_x(double x) const
{
    const int grain = camera_.grain;
    return std::clamp(pixel(x / grain) * grain, pixel(camera_.left), pixel(camera_.right));
}

int Projector::snap_y(double y) const
{
    const int grain = camera_.grain;
    return std::clamp(pixel(y / grain) * grain, pixel(camera_.top), pixel(camera_.bottom));
}

void Projector::draw_class(const ViewModel &model, bool selected, std::vector<int> &out,
                           std::vector<std::uint32_t> &starts)
{
    out.clear();
    starts.clear();
    kept_.clear();
    const Camera &c = camera_;
    const std::size_t edges = model.edges.size() / 2;
    for (std::size_t e = 0; e < edges; ++e) {
        if ((model.edge_selected[e] != 0) != selected) continue;
        const std::uint32_t a = model.edges[2 * e], b = model.edges[2 * e + 1];
        double x0 = sx_[a], y0 = sy_[a], x1 = sx_[b], y1 = sy_[b];
        if (!std::isfinite(x0 + y0 + x1 + y1)) continue;
        const bool inside = x0 >= c.left && x0 <= c.right && y0 >= c.top && y0 <= c.bottom && x1 >= c.left &&
                            x1 <= c.right && y1 >= c.top && y1 <= c.bottom;
        if (!inside && !clip(c, x0, y0, x1, y1)) continue;
        const int px0 = snap_x(x0), py0 = snap_y(y0), px1 = snap_x(x1), py1 = snap_y(y1);
        if ((px0 == px1 && py0 == py1) || repeats(px0, py0, px1, py1)) continue;
        if (inside) {
            kept_.push_back(static_cast<std::uint32_t>(e));
            continue;
        }
        starts.push_back(static_cast<std::uint32_t>(out.size() / 2));
        out.insert(out.end(), {px0, py0, px1, py1});
    }
    chain(model, out, starts);
}

// Whether a short segment (at most two pixels either way) or a point was
// drawn on the same pixels already; records it.  Where a dense model crowds
// the canvas its edges repeat at this length; longer ones rarely do.
bool Projector::repeats(int x0, int y0, int x1, int y1)
{
    if (x1 < x0 || (x1 == x0 && y1 < y0)) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int grain = camera_.grain;
    const int dx = (x1 - x0) / grain, dy = (y1 - y0) / grain;
    if (dx > 2 || dy > 2 || dy < -2) return false;
    const int column = (x0 - static_cast<int>(camera_.left)) / grain,
              row = (y0 - static_cast<int>(camera_.top)) / grain;
    if (column < 0 || row < 0 || static_cast<std::size_t>(column) >= cells_width_) return false;
    const std::size_t cell = static_cast<std::size_t>(row) * cells_width_ + static_cast<std::size_t>(column);
    if (cell >= cells_.size()) return false;
    const std::uint16_t bit = dx == 0 && dy == 0 ? 0x8000 : static_cast<std::uint16_t>(1u << (dx * 5 + dy + 2));
    if (cells_[cell] & bit) return true;
    cells_[cell] |= bit;
    return false;
}

// Joins the kept edges into polylines: each walk follows unused edges until
// it reaches a vertex with none left, starting first from vertices with an
// odd number of them, where paths must end anyway.
void Projector::chain(const ViewModel &model, std::vector<int> &out, std::vector<std::uint32_t> &starts)
{
    const std::uint32_t n = model.vertex_count();
    offsets_.assign(std::size_t{n} + 1, 0);
    for (std::uint32_t e : kept_) {
        ++offsets_[model.edges[2 * std::size_t{e}] + 1];
        ++offsets_[model.edges[2 * std::size_t{e} + 1] + 1];
    }
    for (std::uint32_t v = 0; v < n; ++v) offsets_[v + 1] += offsets_[v];
    adjacent_.resize(2 * kept_.size());
    cursor_.assign(offsets_.begin(), offsets_.end() - 1);
    for (std::uint32_t k = 0; k < kept_.size(); ++k) {
        adjacent_[cursor_[model.edges[2 * std::size_t{kept_[k]}]]++] = k;
        adjacent_[cursor_[model.edges[2 * std::size_t{kept_[k]} + 1]]++] = k;
    }
    cursor_.assign(offsets_.begin(), offsets_.end() - 1);
    remaining_.resize(n);
    for (std::uint32_t v = 0; v < n; ++v) remaining_[v] = offsets_[v + 1] - offsets_[v];
    used_.assign(kept_.size(), 0);
    auto put = [&](std::uint32_t v) {
        out.push_back(snap_x(sx_[v]));
        out.push_back(snap_y(sy_[v]));
    };
    auto walk = [&](std::uint32_t v) {
        starts.push_back(static_cast<std::uint32_t>(out.size() / 2));
        put(v);
        for (;;) {
            std::uint32_t &at = cursor_[v];
            while (at < offsets_[v + 1] && used_[adjacent_[at]]) ++at;
            if (at == offsets_[v + 1]) return;
            const std::uint32_t k = adjacent_[at];
            used_[k] = 1;
            const std::uint32_t a = model.edges[2 * std::size_t{kept_[k]}],
                                b = model.edges[2 * std::size_t{kept_[k]} + 1];
            --remaining_[a];
            --remaining_[b];
            v = v == a ? b : a;
            put(v);
        }
    };
    for (std::uint32_t v = 0; v < n; ++v) {
        if (remaining_[v] % 2 == 1) walk(v);
    }
    for (std::uint32_t v = 0; v < n; ++v) {
        while (remaining_[v] > 0) walk(v);
    }
}

bool Projector::point(std::uint32_t vertex, double &x, double &y) const
{
    if (vertex >= sx_.size()) return false;
    x = sx_[vertex];
    y = sy_[vertex];
    return true;
}

long Projector::pick_vertex(const ViewModel &model, double x, double y, double tolerance) const
{
    long best = -1;
    double best_distance = tolerance * tolerance;
    const std::uint32_t n = std::min<std::uint32_t>(model.vertex_count(), static_cast<std::uint32_t>(sx_.size()));
    for (std::uint32_t v = 0; v < n; ++v) {
        const double dx = sx_[v] - x, dy = sy_[v] - y;
        const double d = dx * dx + dy * dy;
        if (d < best_distance - 0.25 || (d <= best_distance && (best < 0 || depth_[v] > depth_[best]))) {
            best = v;
            best_distance = std::min(d, best_distance);
        }
    }
    return best;
}

long Projector::pick_surface(const ViewModel &model, double x, double y, double tolerance) const
{
    long best = -1;
    double best_distance = tolerance * tolerance, best_depth = 0;
    for (std::uint32_t s = 0; s < model.surface_count(); ++s) {
        const std::uint32_t first = model.surface_first[s], end = model.surface_first[s + 1];
        if (end - first < 2 || model.surface_refs[end - 1] >= sx_.size()) continue;
        double d = std::numeric_limits<double>::infinity(), depth = 0;
        bool inside = false;
        for (std::uint32_t i = first; i < end; ++i) {
            const std::uint32_t a = model.surface_refs[i];
            const std::uint32_t b = model.surface_refs[i + 1 < end ? i + 1 : first];
            if (a >= sx_.size() || b >= sx_.size()) continue;
            depth += depth_[a];
            if (i + 1 < end || end - first > 2)
                d = std::min(d, segment_distance2(x, y, sx_[a], sy_[a], sx_[b], sy_[b]));
            if ((sy_[a] > y) != (sy_[b] > y) && x < sx_[a] + (y - sy_[a]) * (sx_[b] - sx_[a]) / (sy_[b] - sy_[a])) {
                inside = !inside;
            }
        }
        if (inside && end - first > 2) d = 0;
        depth /= end - first;
        if (d < best_distance - 0.25 || (d <= best_distance && (best < 0 || depth > best_depth))) {
            best = s;
            best_distance = std::min(d, best_distance);
            best_depth = depth;
        }
    }
    return best;
}

long Projector::pick_part(const ViewModel &model, double x, double y, double tolerance) const
{
    long best = -1;
    double best_distance = tolerance * tolerance;
    for (std::size_t e = 0; e + 1 < model.edges.size(); e += 2) {
        const std::uint32_t a = model.edges[e], b = model.edges[e + 1];
        if (a >= sx_.size() || b >= sx_.size()) continue;
        const double d = segment_distance2(x, y, sx_[a], sy_[a], sx_[b], sy_[b]);
        if (d < best_distance) {
            best_distance = d;
            best = a;
        }
    }
    if (best >= 0) return static_cast<long>(model.part_of_vertex(static_cast<std::uint32_t>(best)));
    const long surface = pick_surface(model, x, y, tolerance);
    return surface < 0 ? -1 : static_cast<long>(model.part_of_surface(static_cast<std::uint32_t>(surface)));
}
