// Following the scene, projecting it, fitting it and picking from it; the
// drawing itself is in raster.cpp.
#include "view.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>
#include <unordered_map>

using standin::HostVertex;
using standin::kSelectObjects;
using standin::kSelectSurfaces;
using standin::kSelectVertices;
using standin::SelectMode;
using standin::VertexState;

namespace {

constexpr float kNowhere = std::numeric_limits<float>::quiet_NaN();

// An object counts as hidden or locked when it or an ancestor is.
double segment_distance2(double px, double py, double x0, double y0, double x1, double y1)
{
    const double dx = x1 - x0, dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = x0 + t * dx - px, ey = y0 + t * dy - py;
    return ex * ex + ey * ey;
}

template <typename T>
std::size_t bytes(const std::vector<T> &v)
{
    return v.capacity() * sizeof(T);
}

}  // namespace

void in_halves(std::uint32_t n, bool parallel, const std::function<void(int, std::uint32_t, std::uint32_t)> &work)
{
    const std::uint32_t middle = n / 2;
    if (!parallel) {
        work(0, 0, middle);
        work(1, middle, n);
        return;
    }
    std::thread second([&] { work(1, middle, n); });
    work(0, 0, middle);
    second.join();
}

Axes camera_axes(double azimuth, double elevation)
{
    const double a = azimuth * M_PI / 180, e = elevation * M_PI / 180;
    const double ca = std::cos(a), sa = std::sin(a), ce = std::cos(e), se = std::sin(e);
    return Axes{{ca, 0, sa}, {sa * se, ce, -ca * se}, {-sa * ce, se, ca * ce}};
}

void View::sync(const standin::Scene &scene, const SurfaceKinds &kinds, std::uint64_t shape, std::uint64_t selection)
{
    sync(scene, kinds, Looks{}, shape, selection);
}

void View::sync(const standin::Scene &scene, const SurfaceKinds &kinds, const Looks &looks, std::uint64_t shape,
                std::uint64_t selection)
{
    const bool same_selection = selection != kUnknownShape && selection == synced_selection_;
    synced_selection_ = selection;
    if (shape != kUnknownShape && shape == synced_shape_ && scene.serial() == synced_serial_ &&
        parts_.size() == scene.object_count()) {
        if (!same_selection) follow_selection();
        return;
    }
    synced_shape_ = shape;
    synced_serial_ = scene.serial();
    if (textures_serial_ != synced_serial_) {
        textures_.clear();
        textures_serial_ = synced_serial_;
    }
    // Where things were drawn stays good for picking until the next drawing
    // unless the parts moved in the arrays.
    if (rebuild_parts(scene, kinds, looks)) {
        drawn_ = false;
        for (Projection &p : slots_) p.drawn = false;
    }
}

// The parts made again from the scene's objects, each kept where its object
// kept its counts; true when a part's vertices now lie elsewhere in the
// drawn arrays than at the last drawing.
bool View::rebuild_parts(const standin::Scene &scene, const SurfaceKinds &kinds, const Looks &looks)
{
    std::unordered_map<const Object *, std::size_t> before;
    for (std::size_t i = 0; i < parts_.size(); ++i) before.emplace(parts_[i].object, i);
    std::unordered_map<const Object *, std::int32_t> index;  // in next
    std::vector<Part> next;
    next.reserve(scene.object_count());
    const std::uint32_t vertices_before = vertices_;
    bool moved = false;
    vertices_ = 0;
    scene.for_each_object([&](Object &o) {
        const auto up = index.find(o.parent);
        const std::int32_t above = up == index.end() ? -1 : up->second;
        const Part *parent = above < 0 ? nullptr : &next[static_cast<std::size_t>(above)];
        const bool hidden = (parent && parent->hidden) || o.hidden;
        index.emplace(&o, static_cast<std::int32_t>(next.size()));
        const auto old = before.find(&o);
        Part part = reused_part(o, old == before.end() ? nullptr : &parts_[old->second], scene.serial());
        if (part.object == nullptr) {
            moved = true;
            part = new_part(o, scene.serial(), kinds);
            dress(part, looks);
        }
        moved = moved || part.hidden != hidden || part.first != vertices_;
        part.hidden = hidden;
        part.locked = (parent && parent->locked) || o.locked;
        part.in_selected_tree = (parent && parent->in_selected_tree) || o.selected;
        part.above = above;
        part.first = vertices_;
        if (!part.hidden) vertices_ += part.vertices;
        next.push_back(std::move(part));
    });
    moved = moved || parts_.size() != next.size() || vertices_ != vertices_before;
    parts_ = std::move(next);
    return moved;
}

// WAS, moved out, when it was made for O as O is now (the same scene, the
// same counts); else an empty part.
View::Part View::reused_part(const Object &o, Part *was, std::uint64_t serial)
{
    if (was != nullptr && was->scene == serial && was->vertices == o.vertices.size() &&
        was->surfaces == o.surfaces.size())
        return std::move(*was);
    return Part{};
}

void View::exchange(Projection &p)
{
    std::swap(p.sx, sx_);
    std::swap(p.sy, sy_);
    std::swap(p.sz, sz_);
    std::swap(p.chosen, chosen_);
    p.bounds.resize(parts_.size());
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        std::array<float, 4> &b = p.bounds[i];
        for (int k = 0; k < 4; ++k) std::swap(b[k], parts_[i].bounds[k]);
    }
    std::swap(p.drawn, drawn_);
    std::swap(p.shaded, shaded_);
    std::swap(p.left, left_);
    std::swap(p.top, top_);
    std::swap(p.right, right_);
    std::swap(p.bottom, bottom_);
    std::swap(p.grain, grain_);
    std::swap(p.low, low_);
    std::swap(p.high, high_);
    std::swap(p.eye, eye_);
    std::swap(p.view_scale, view_scale_);
    std::swap(p.mid, mid_);
    std::swap(p.axes, axes_);
    std::swap(p.offset, offset_);
    std::swap(p.matrix, matrix_);
}

void View::use_slot(int slot)
{
    slot = std::clamp(slot, 0, kSlots - 1);
    if (slot == slot_) return;
    exchange(slots_[slot_]);
    exchange(slots_[slot]);
    slot_ = slot;
}

int View::slot_at(double x, double y) const
{
    for (int i = 0; i < kSlots; ++i) {
        const bool current = i == slot_;
        const Projection &p = slots_[i];
        const bool drawn = current ? drawn_ : p.drawn;
        const double left = current ? left_ : p.left, top = current ? top_ : p.top;
        const double right = current ? right_ : p.right, bottom = current ? bottom_ : p.bottom;
        if (drawn && x >= left && x <= right && y >= top && y <= bottom) return i;
    }
    return slot_;
}

// Only the selection changed since the last sync: which parts lie in a selected tree.
void View::follow_selection()
{
    // Parents come before their children in parts_.
    for (Part &part : parts_)
        part.in_selected_tree = part.object->selected || (part.above >= 0 && parts_[part.above].in_selected_tree);
}

// The part of O made anew: its counts, its surfaces' kinds and its edges.
View::Part View::new_part(Object &o, std::uint64_t serial, const SurfaceKinds &kinds)
{
    Part part;
    part.object = &o;
    part.vertices = static_cast<std::uint32_t>(o.vertices.size());
    part.surfaces = static_cast<std::uint32_t>(o.surfaces.size());
    part.scene = serial;
    if (kinds) kinds(o, part.kinds);
    part.edges = standin::edges_of(o, part.vertices, part.surfaces, part.kinds, standin::EdgeOrder::by_vertex);
    part.lines = std::any_of(part.kinds.begin(), part.kinds.end(),
                             [](standin::SurfaceKind k) { return k != standin::SurfaceKind::polygon; });
    for (std::uint32_t s = 0; s < part.surfaces && !part.lines; ++s) part.lines = o.surfaces[s].count < 3;
    return part;
}

// A vertex's place in the image and its depth, as place() finds them but in
// single precision, as they are kept: the pass over every vertex.
inline bool View::to_image(const Vertex &v, float &ix, float &iy, float &iz) const
{
    const float *m = matrix_;
    const float x = m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3];
    const float y = m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7];
    const float z = m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11];
    if (eye_ > 0) {
        const float eye = static_cast<float>(eye_);
        if (!(eye - z > eye * 1e-3f)) {
            ix = iy = iz = kNowhere;
            return false;
        }
        const float f = eye / (eye - z);
        ix = static_cast<float>(mid_[0]) + x * f;
        iy = static_cast<float>(mid_[1]) + y * f;
    } else {
        ix = x;
        iy = y;
    }
    iz = z;
    if (std::isfinite(ix) && std::isfinite(iy) && std::isfinite(iz)) return true;
    ix = iy = iz = kNowhere;
    return false;
}

// Where each drawn vertex falls in the image, its depth, and in vertex mode
// whether it is selected; the drawn model's box in model units.
void View::project(const Camera &camera, SelectMode mode)
{
    axes_ = camera_axes(camera.azimuth, camera.elevation);
    const double *directions[3] = {axes_.right, axes_.up, axes_.towards};
    for (int k = 0; k < 3; ++k)
        offset_[k] = directions[k][0] * camera.centre[0] + directions[k][1] * camera.centre[1] +
                     directions[k][2] * camera.centre[2];
    view_scale_ = camera.scale / grain_;
    mid_[0] = image_.width / 2.0;
    mid_[1] = image_.height / 2.0;
    eye_ = camera.perspective ? 2 * (camera.bottom - camera.top) / std::max(camera.scale, 1e-30) : 0;
    // Orthographic: the image's x and y; in perspective: the view's x and y
    // in image pixels at the centre's depth, to be divided by the distance.
    const double sign[2] = {1, -1};
    for (int k = 0; k < 2; ++k) {
        const double out = eye_ > 0 ? 0 : mid_[k];
        for (int d = 0; d < 3; ++d) matrix_[4 * k + d] = static_cast<float>(sign[k] * view_scale_ * directions[k][d]);
        matrix_[4 * k + 3] = static_cast<float>(out - sign[k] * view_scale_ * offset_[k]);
    }
    for (int d = 0; d < 3; ++d) matrix_[8 + d] = static_cast<float>(directions[2][d]);
    matrix_[11] = static_cast<float>(-offset_[2]);
    sx_.resize(vertices_);
    sy_.resize(vertices_);
    sz_.resize(vertices_);
    chosen_.resize(mode == kSelectVertices ? vertices_ : 0);
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> bounds(2 * 4 * parts_.size());
    float low[2][3], high[2][3];
    for (int h = 0; h < 2; ++h) {
        for (std::size_t p = 0; p < parts_.size(); ++p) {
            float *box = &bounds[(h * parts_.size() + p) * 4];
            box[0] = box[1] = inf;
            box[2] = box[3] = -inf;
        }
        std::fill(low[h], low[h] + 3, inf);
        std::fill(high[h], high[h] + 3, -inf);
    }
    in_halves(vertices_, vertices_ >= kParallel, [&](int h, std::uint32_t from, std::uint32_t to) {
        project_range(from, to, &bounds[h * parts_.size() * 4], low[h], high[h]);
    });
    for (int k = 0; k < 3; ++k) {
        low_[k] = std::min(low[0][k], low[1][k]);
        high_[k] = std::max(high[0][k], high[1][k]);
    }
    for (std::size_t p = 0; p < parts_.size(); ++p) {
        const float *a = &bounds[p * 4], *b = &bounds[(parts_.size() + p) * 4];
        parts_[p].bounds[0] = std::min(a[0], b[0]);
        parts_[p].bounds[1] = std::min(a[1], b[1]);
        parts_[p].bounds[2] = std::max(a[2], b[2]);
        parts_[p].bounds[3] = std::max(a[3], b[3]);
    }
}

// Projects the drawn vertices FROM to before TO, widening each part's box
// in BOUNDS (four a part) and the model's box LOW to HIGH.
void View::project_range(std::uint32_t from, std::uint32_t to, float *bounds, float low[3], float high[3])
{
    // Kept in locals, not in BOUNDS, LOW and HIGH: the other half's lie in
    // the same cache lines, which writes at every vertex would pass to and fro.
    float model[6] = {low[0], low[1], low[2], high[0], high[1], high[2]};
    for (std::size_t p = 0; p < parts_.size(); ++p) {
        const Part &part = parts_[p];
        if (part.hidden || part.first >= to || part.first + part.vertices <= from) continue;
        float box[4] = {bounds[4 * p], bounds[4 * p + 1], bounds[4 * p + 2], bounds[4 * p + 3]};
        std::uint32_t at = part.first;
        const std::uint32_t end = std::min(to, part.first + part.vertices);
        part.object->vertices.for_each_span([&](const HostVertex *records, std::size_t n) {
            n = std::min<std::size_t>(n, end - std::min(at, end));
            const std::size_t skip = at < from ? std::min<std::size_t>(n, from - at) : 0;
            if (!chosen_.empty() && n > skip) {
                const VertexState *states = standin::states_of_run(records, n);
                for (std::size_t i = skip; i < n; ++i) chosen_[at + i] = states[i].selected;
            }
            at += static_cast<std::uint32_t>(skip);
            for (std::size_t i = skip; i < n; ++i, ++at) {
                const Vertex &v = records[i].v;
                float x, y, z;
                const bool shown = to_image(v, x, y, z);
                sx_[at] = x;
                sy_[at] = y;
                sz_[at] = z;
                if (!shown) continue;
                box[0] = std::min(box[0], x);
                box[1] = std::min(box[1], y);
                box[2] = std::max(box[2], x);
                box[3] = std::max(box[3], y);
                model[0] = std::min(model[0], v.x);
                model[1] = std::min(model[1], v.y);
                model[2] = std::min(model[2], v.z);
                model[3] = std::max(model[3], v.x);
                model[4] = std::max(model[4], v.y);
                model[5] = std::max(model[5], v.z);
            }
        });
        std::copy(box, box + 4, bounds + 4 * p);
    }
    std::copy(model, model + 3, low);
    std::copy(model + 3, model + 6, high);
}

// A model point's place in the image and its depth; false (and NaN) where
// it cannot be drawn: not finite, or behind the eye.
bool View::place(double x, double y, double z, float &ix, float &iy, float &iz) const
{
    const double vx = axes_.right[0] * x + axes_.right[1] * y + axes_.right[2] * z - offset_[0];
    const double vy = axes_.up[0] * x + axes_.up[1] * y + axes_.up[2] * z - offset_[1];
    const double vz = axes_.towards[0] * x + axes_.towards[1] * y + axes_.towards[2] * z - offset_[2];
    double f = 1;
    if (eye_ > 0) {
        if (!(eye_ - vz > eye_ * 1e-3)) {
            ix = iy = iz = kNowhere;
            return false;
        }
        f = eye_ / (eye_ - vz);
    }
    ix = static_cast<float>(mid_[0] + view_scale_ * vx * f);
    iy = static_cast<float>(mid_[1] - view_scale_ * vy * f);
    iz = static_cast<float>(vz);
    const bool finite = std::isfinite(ix) && std::isfinite(iy) && std::isfinite(iz);
    if (!finite) ix = iy = iz = kNowhere;
    return finite;
}

bool View::fit(Camera &camera, bool selection, SelectMode mode) const
{
    const Axes axes = camera_axes(camera.azimuth, camera.elevation);
    const double *directions[3] = {axes.right, axes.up, axes.towards};
    double low[3], high[3];
    std::fill(low, low + 3, std::numeric_limits<double>::infinity());
    std::fill(high, high + 3, -std::numeric_limits<double>::infinity());
    auto take = [&](const Vertex &p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
        for (int k = 0; k < 3; ++k) {
            const double d = directions[k][0] * p.x + directions[k][1] * p.y + directions[k][2] * p.z;
            low[k] = std::min(low[k], d);
            high[k] = std::max(high[k], d);
        }
    };
    for (const Part &part : parts_) {
        if (!part.hidden) for_fitting(part, selection, mode, take);
    }
    if (low[0] > high[0]) return false;
    double span_x = high[0] - low[0], span_y = high[1] - low[1];
    double extent = std::max(span_x, span_y);
    if (!(extent > 0)) extent = selection ? std::max(1e-3, std::abs(low[0]) * 1e-2) : 1;
    span_x = std::max(span_x, extent * 1e-3);
    span_y = std::max(span_y, extent * 1e-3);
    const double width = std::max(camera.right - camera.left, 1.0), height = std::max(camera.bottom - camera.top, 1.0);
    camera.scale = 0.92 * std::min(width / span_x, height / span_y);
    // In perspective, what lies before the centre grows by eye / (eye - z),
    // the eye twice the viewport's height (in model units) away: a scale
    // that leaves room for the nearest point at the widest place.
    if (camera.perspective) camera.scale /= 1 + camera.scale * (high[2] - low[2]) / 2 / (2 * height);
    for (int k = 0; k < 3; ++k) {
        camera.centre[k] = 0;
        for (int d = 0; d < 3; ++d) camera.centre[k] += directions[d][k] * (low[d] + high[d]) / 2;
    }
    return true;
}

// Hands TAKE the positions of a part's vertices that a fit counts: all of
// them, or those selected in MODE.
void View::for_fitting(const Part &part, bool selection, SelectMode mode,
                       const std::function<void(const Vertex &)> &take) const
{
    const Object &o = *part.object;
    if (selection && mode == kSelectSurfaces) {
        for (std::uint32_t s = 0; s < part.surfaces; ++s) {
            const Surface &surface = o.surfaces[s];
            if (!surface.selected) continue;
            for (std::uint32_t r : o.refs_at(surface.first, surface.count))
                if (r < part.vertices) take(o.vertices[r].v);
        }
        return;
    }
    if (selection && mode == kSelectObjects && !part.in_selected_tree) return;
    const bool each = selection && mode == kSelectVertices;
    std::uint32_t left = part.vertices;
    o.vertices.for_each_span([&](const HostVertex *records, std::size_t n) {
        n = std::min<std::size_t>(n, left);
        left -= static_cast<std::uint32_t>(n);
        const VertexState *states = n > 0 && each ? standin::states_of_run(records, n) : nullptr;
        for (std::size_t i = 0; i < n; ++i)
            if (!each || states[i].selected) take(records[i].v);
    });
}

bool View::point(const Object &object, std::uint32_t index, double &x, double &y) const
{
    if (!drawn_) return false;
    for (const Part &part : parts_) {
        if (part.object != &object || part.hidden || index >= part.vertices) continue;
        const std::uint32_t at = part.first + index;
        if (!std::isfinite(sx_[at])) return false;
        x = canvas_x(sx_[at]);
        y = canvas_y(sy_[at]);
        return true;
    }
    return false;
}

bool View::selection_box(SelectMode mode, double box[4]) const
{
    if (!drawn_) return false;
    float low_x = INFINITY, low_y = INFINITY, high_x = -INFINITY, high_y = -INFINITY;
    auto take = [&](std::uint32_t at) {
        if (!std::isfinite(sx_[at])) return;
        low_x = std::min(low_x, sx_[at]);
        high_x = std::max(high_x, sx_[at]);
        low_y = std::min(low_y, sy_[at]);
        high_y = std::max(high_y, sy_[at]);
    };
    for (const Part &part : parts_) {
        if (part.hidden) continue;
        if (mode == kSelectObjects && part.in_selected_tree) {
            if (!(part.bounds[0] <= part.bounds[2])) continue;
            low_x = std::min(low_x, part.bounds[0]);
            low_y = std::min(low_y, part.bounds[1]);
            high_x = std::max(high_x, part.bounds[2]);
            high_y = std::max(high_y, part.bounds[3]);
        } else if (mode == kSelectSurfaces) {
            const Object &o = *part.object;
            for (std::uint32_t s = 0; s < part.surfaces; ++s) {
                if (!o.surfaces[s].selected) continue;
                for (std::uint32_t r : o.refs_at(o.surfaces[s].first, o.surfaces[s].count))
                    if (r < part.vertices) take(part.first + r);
            }
        } else if (mode == kSelectVertices && !chosen_.empty()) {
            for (std::uint32_t v = part.first, end = part.first + part.vertices; v < end; ++v)
                if (chosen_[v]) take(v);
        }
    }
    const double width = (right_ - left_) / grain_, height = (bottom_ - top_) / grain_;
    if (!(low_x <= high_x) || high_x < 0 || high_y < 0 || low_x > width || low_y > height) return false;
    box[0] = canvas_x(std::max(low_x, 0.0f));
    box[1] = canvas_y(std::max(low_y, 0.0f));
    box[2] = canvas_x(std::min<float>(high_x, static_cast<float>(width)));
    box[3] = canvas_y(std::min<float>(high_y, static_cast<float>(height)));
    return true;
}

// The drawn vertex nearest (x, y) in the image within TOLERANCE, of an
// object not locked; the nearer the viewer among those about as near.
std::uint32_t View::vertex_at(double x, double y, double tolerance) const
{
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    double best_distance = tolerance * tolerance;
    float best_depth = 0;
    for (const Part &part : parts_) {
        if (part.hidden || part.locked || part.bounds[0] > x + tolerance || part.bounds[2] < x - tolerance ||
            part.bounds[1] > y + tolerance || part.bounds[3] < y - tolerance)
            continue;
        for (std::uint32_t v = part.first, end = part.first + part.vertices; v < end; ++v) {
            const double dx = sx_[v] - x, dy = sy_[v] - y, d = dx * dx + dy * dy;
            if (!(d <= best_distance)) continue;
            if (d < best_distance - 0.25 || best == std::numeric_limits<std::uint32_t>::max() || sz_[v] > best_depth) {
                best = v;
                best_distance = std::min(d, best_distance);
                best_depth = sz_[v];
            }
        }
    }
    return best;
}

// The surface of PART nearest (x, y) within TOLERANCE (one containing it
// counts as at no distance), and its mean depth; -1 when none is.
long View::surface_at(const Part &part, double x, double y, double tolerance, float &depth) const
{
    long best = -1;
    double best_distance = tolerance * tolerance;
    const Object &o = *part.object;
    for (std::uint32_t s = 0; s < part.surfaces; ++s) {
        const Surface &surface = o.surfaces[s];
        const standin::RefRange refs = o.refs_at(surface.first, surface.count);
        const std::size_t n = refs.size();
        if (n == 0) continue;
        float bounds[4];
        image_box(part, refs, bounds);
        const float low_x = bounds[0], low_y = bounds[1], high_x = bounds[2], high_y = bounds[3];
        if (!(low_x <= x + tolerance && high_x >= x - tolerance && low_y <= y + tolerance && high_y >= y - tolerance))
            continue;
        const standin::SurfaceKind kind = standin::kind_of(part.kinds, s);
        const bool closed = n > 2 && kind != standin::SurfaceKind::line;
        const bool filled = n > 2 && kind == standin::SurfaceKind::polygon;
        double d = std::numeric_limits<double>::infinity(), mean = 0;
        bool inside = false;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t a = part.first + refs[i], b = part.first + refs[(i + 1) % n];
            mean += sz_[a];
            if (i + 1 < n || closed) d = std::min(d, segment_distance2(x, y, sx_[a], sy_[a], sx_[b], sy_[b]));
            if ((sy_[a] > y) != (sy_[b] > y) && x < sx_[a] + (y - sy_[a]) * (sx_[b] - sx_[a]) / (sy_[b] - sy_[a]))
                inside = !inside;
        }
        if (n == 1)
            d = (sx_[part.first + refs[0]] - x) * (sx_[part.first + refs[0]] - x) +
                (sy_[part.first + refs[0]] - y) * (sy_[part.first + refs[0]] - y);
        if (inside && filled) d = 0;
        mean /= static_cast<double>(n);
        if (!(d <= best_distance)) continue;
        if (d < best_distance - 0.25 || best < 0 || mean > depth) {
            best = s;
            best_distance = std::min(d, best_distance);
            depth = static_cast<float>(mean);
        }
    }
    return best;
}

// Whether an edge of PART passes within TOLERANCE of (x, y); DEPTH is the
// nearer end's of the nearest one.
bool View::near_edge(const Part &part, double x, double y, double tolerance, float &depth) const
{
    double best = tolerance * tolerance;
    bool found = false;
    for (const standin::Edge &edge : part.edges) {
        const std::uint32_t a = part.first + edge.a, b = part.first + edge.b;
        const float low_x = std::min(sx_[a], sx_[b]), high_x = std::max(sx_[a], sx_[b]);
        if (!(low_x <= x + tolerance && high_x >= x - tolerance)) continue;
        const double d = segment_distance2(x, y, sx_[a], sy_[a], sx_[b], sy_[b]);
        if (d <= best) {
            best = d;
            depth = std::max(sz_[a], sz_[b]);
            found = true;
        }
    }
    return found;
}

Hit View::pick(SelectMode mode, double x, double y, double tolerance) const
{
    Hit hit;
    if (!drawn_) return hit;
    x = (x - left_) / grain_;
    y = (y - top_) / grain_;
    tolerance /= grain_;
    if (mode == kSelectVertices) {
        const std::uint32_t v = vertex_at(x, y, tolerance);
        if (v == std::numeric_limits<std::uint32_t>::max()) return hit;
        const auto part = std::upper_bound(parts_.begin(), parts_.end(), v,
                                           [](std::uint32_t i, const Part &p) { return i < p.first; });
        for (auto p = part; p != parts_.begin();) {
            --p;
            if (!p->hidden && v >= p->first && v < p->first + p->vertices) return Hit{p->object, v - p->first};
        }
        return hit;
    }
    float best_depth = -INFINITY;
    for (const Part &part : parts_) {
        if (part.hidden || part.locked || part.bounds[0] > x + tolerance || part.bounds[2] < x - tolerance ||
            part.bounds[1] > y + tolerance || part.bounds[3] < y - tolerance)
            continue;
        float depth = -INFINITY;
        long index = -1;
        if (mode == kSelectSurfaces || shaded_) {
            index = surface_at(part, x, y, tolerance, depth);
        }
        if (index < 0 && mode == kSelectObjects && near_edge(part, x, y, tolerance, depth)) index = 0;
        if (index >= 0 && (hit.object == nullptr || depth > best_depth)) {
            hit = Hit{part.object, static_cast<std::uint32_t>(mode == kSelectObjects ? 0 : index)};
            best_depth = depth;
        }
    }
    return hit;
}

void View::in_box(SelectMode mode, const double box[4], const std::function<void(Object &, std::uint32_t)> &take) const
{
    if (!drawn_) return;
    const double x0 = (std::min(box[0], box[2]) - left_) / grain_, x1 = (std::max(box[0], box[2]) - left_) / grain_;
    const double y0 = (std::min(box[1], box[3]) - top_) / grain_, y1 = (std::max(box[1], box[3]) - top_) / grain_;
    auto inside = [&](std::uint32_t v) { return sx_[v] >= x0 && sx_[v] <= x1 && sy_[v] >= y0 && sy_[v] <= y1; };
    for (const Part &part : parts_) {
        if (part.hidden || part.locked || part.bounds[0] > x1 || part.bounds[2] < x0 || part.bounds[1] > y1 ||
            part.bounds[3] < y0)
            continue;
        Object &o = *part.object;
        if (mode == kSelectSurfaces) {
            for (std::uint32_t s = 0; s < part.surfaces; ++s) {
                const Surface &surface = o.surfaces[s];
                const standin::RefRange refs = o.refs_at(surface.first, surface.count);
                if (!refs.empty() &&
                    std::all_of(refs.begin(), refs.end(), [&](std::uint32_t r) { return inside(part.first + r); }))
                    take(o, s);
            }
            continue;
        }
        for (std::uint32_t v = 0; v < part.vertices; ++v) {
            if (!inside(part.first + v)) continue;
            take(o, v);
            if (mode == kSelectObjects) break;
        }
    }
}

std::size_t View::edge_count() const
{
    std::size_t n = 0;
    for (const Part &part : parts_) n += part.edges.size();
    return n;
}

std::size_t View::memory() const
{
    std::size_t n = sizeof(View) + bytes(parts_) + bytes(sx_) + bytes(sy_) + bytes(sz_) + bytes(chosen_) +
                    bytes(image_.pixels) + bytes(image_.depth) + bytes(spare_.pixels) + bytes(spare_.depth);
    for (const Projection &p : slots_) n += bytes(p.sx) + bytes(p.sy) + bytes(p.sz) + bytes(p.chosen) + bytes(p.bounds);
    for (const Part &part : parts_) n += bytes(part.edges) + bytes(part.kinds) + part.looks.bytes();
    for (const auto &[name, texture] : textures_)
        if (texture) n += bytes(texture->texels);
    return n;
}
