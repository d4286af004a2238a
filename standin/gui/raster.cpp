// Drawing the projected model into the view's image: surfaces filled flat
// with a depth buffer, edges as lines, the ground grid, the marks of
// selected vertices.
#include <algorithm>
#include <cmath>
#include <limits>

#include "view.h"

namespace {

constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return r | g << 8 | b << 16 | 0xffu << 24;
}

// The window's colours (window.tcl's colours): background, edge, selected, mark.
constexpr std::uint32_t kBackground = rgb(0xfb, 0xfb, 0xfd);
constexpr std::uint32_t kEdge = rgb(0x36, 0x50, 0x7a);
constexpr std::uint32_t kSelected = rgb(0xe4, 0x57, 0x2e);
constexpr std::uint32_t kMark = rgb(0xc0, 0x16, 0x0f);
constexpr std::uint32_t kGrid = rgb(0xd4, 0xd9, 0xe2);
constexpr std::uint32_t kSurface = rgb(0xc8, 0xd2, 0xe2);

// COLOUR in LIGHT (0 to 1), to 1/256.
std::uint32_t shade(std::uint32_t colour, double light)
{
    const auto level = static_cast<std::uint32_t>(std::clamp(light, 0.0, 1.0) * 256);
    auto channel = [&](int shift) { return ((((colour >> shift) & 0xff) * level) >> 8) << shift; };
    return channel(0) | channel(8) | channel(16) | 0xffu << 24;
}

// A quarter of the way from the pixel's colour to COLOUR, each channel
// to within one: where a model's edges crowd closer than pixels, the
// wireframe darkens with their number and still shows the model's shape.
std::uint32_t blend(std::uint32_t pixel, std::uint32_t colour)
{
    return pixel - ((pixel >> 2) & 0x3f3f3fu) + ((colour >> 2) & 0x3f3f3fu);
}

struct Pen {
    std::uint32_t colour;
    int width;
    bool depth_test;
    float bias;  // a point passes the depth test this much behind what is drawn
    bool blend;
};

inline void plot(Image &image, int x, int y, float z, const Pen &pen)
{
    if (pen.width == 1) {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
        const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
        if (pen.depth_test && !(z + pen.bias >= image.depth[at])) return;
        image.pixels[at] = pen.blend ? blend(image.pixels[at], pen.colour) : pen.colour;
        return;
    }
    for (int oy = 0; oy < pen.width; ++oy) {
        const int py = y + oy - pen.width / 2;
        if (py < 0 || py >= image.height) continue;
        for (int ox = 0; ox < pen.width; ++ox) {
            const int px = x + ox - pen.width / 2;
            if (px < 0 || px >= image.width) continue;
            const std::size_t at = static_cast<std::size_t>(py) * image.width + px;
            if (pen.depth_test && !(z + pen.bias >= image.depth[at])) continue;
            image.pixels[at] = pen.blend ? blend(image.pixels[at], pen.colour) : pen.colour;
        }
    }
}

// Cuts a segment to the image (Liang-Barsky); false when none of it is inside.
bool clip(const Image &image, float p[6])
{
    float t0 = 0, t1 = 1;
    const float dx = p[3] - p[0], dy = p[4] - p[1];
    const float d[4] = {-dx, dx, -dy, dy};
    const float q[4] = {p[0], image.width - p[0], p[1], image.height - p[1]};
    for (int i = 0; i < 4; ++i) {
        if (d[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const float t = q[i] / d[i];
        if (d[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    const float start[3] = {p[0], p[1], p[2]}, delta[3] = {dx, dy, p[5] - p[2]};
    for (int k = 0; k < 3; ++k) {
        p[k] = start[k] + t0 * delta[k];
        p[k + 3] = start[k] + t1 * delta[k];
    }
    return true;
}

// A line from (x0, y0) to (x1, y1) in image pixels, depths z0 and z1.
void line(Image &image, float x0, float y0, float z0, float x1, float y1, float z1, const Pen &pen)
{
    float p[6] = {x0, y0, z0, x1, y1, z1};
    if (!(x0 == x0 && x1 == x1)) return;  // not drawable: NaN
    const bool inside = x0 >= 0 && y0 >= 0 && x1 >= 0 && y1 >= 0 && x0 < image.width && x1 < image.width &&
                        y0 < image.height && y1 < image.height;
    if (!inside && !clip(image, p)) return;
    const int right = image.width - 1, bottom = image.height - 1;
    const int x_from = std::min(static_cast<int>(p[0]), right), y_from = std::min(static_cast<int>(p[1]), bottom);
    if (x_from == std::min(static_cast<int>(p[3]), right) && y_from == std::min(static_cast<int>(p[4]), bottom))
        return plot(image, x_from, y_from, std::max(p[2], p[5]), pen);
    const float dx = p[3] - p[0], dy = p[4] - p[1], dz = p[5] - p[2];
    const int steps = std::max(1, static_cast<int>(std::ceil(std::max(std::abs(dx), std::abs(dy)))));
    const float inverse = 1.0f / static_cast<float>(steps);
    for (int i = 0; i <= steps; ++i) {
        const float t = static_cast<float>(i) * inverse;
        const int px = std::min(static_cast<int>(p[0] + t * dx), right);
        const int py = std::min(static_cast<int>(p[1] + t * dy), bottom);
        plot(image, px, py, p[2] + t * dz, pen);
    }
}

void splat(Image &image, int x, int y, float z, std::uint32_t colour)
{
    const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
    if (z > image.depth[at]) {
        image.depth[at] = z;
        image.pixels[at] = colour;
    }
}

float edge_function(float ax, float ay, float bx, float by, float px, float py)
{
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// A triangle filled where it covers pixels' centres; one within a single
// pixel fills that pixel, so that a mesh finer than the pixels leaves no holes.
void triangle(Image &image, const float *x, const float *y, const float *z, std::uint32_t colour)
{
    const float low_x = std::min({x[0], x[1], x[2]}), high_x = std::max({x[0], x[1], x[2]});
    const float low_y = std::min({y[0], y[1], y[2]}), high_y = std::max({y[0], y[1], y[2]});
    if (!(low_x < image.width && high_x >= 0 && low_y < image.height && high_y >= 0)) return;
    const int x0 = std::max(0, static_cast<int>(low_x)), x1 = std::min(image.width - 1, static_cast<int>(high_x));
    const int y0 = std::max(0, static_cast<int>(low_y)), y1 = std::min(image.height - 1, static_cast<int>(high_y));
    if (x0 == x1 && y0 == y1) return splat(image, x0, y0, (z[0] + z[1] + z[2]) / 3, colour);
    float area = edge_function(x[0], y[0], x[1], y[1], x[2], y[2]);
    if (area == 0) return;
    const float sign = area < 0 ? -1.0f : 1.0f;
    area *= sign;
    for (int py = y0; py <= y1; ++py) {
        const float cy = static_cast<float>(py) + 0.5f;
        for (int px = x0; px <= x1; ++px) {
            const float cx = static_cast<float>(px) + 0.5f;
            const float w0 = sign * edge_function(x[1], y[1], x[2], y[2], cx, cy);
            const float w1 = sign * edge_function(x[2], y[2], x[0], y[0], cx, cy);
            const float w2 = sign * edge_function(x[0], y[0], x[1], y[1], cx, cy);
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            splat(image, px, py, (w0 * z[0] + w1 * z[1] + w2 * z[2]) / area, colour);
        }
    }
}

// The light's direction in the view (towards the upper left, behind the
// viewer), unit length; surfaces are lit on both sides.
constexpr double kLight[3] = {-0.3651483716701107, 0.5477225575051661, 0.7302967433402214};

}  // namespace

const Image &View::draw(const Camera &camera, const DrawOptions &options)
{
    grain_ = std::clamp(camera.grain, 1, 16);
    left_ = camera.left;
    top_ = camera.top;
    image_.width = std::max(1, static_cast<int>((camera.right - camera.left) / grain_));
    image_.height = std::max(1, static_cast<int>((camera.bottom - camera.top) / grain_));
    const std::size_t pixels = static_cast<std::size_t>(image_.width) * image_.height;
    image_.pixels.assign(pixels, kBackground);
    image_.depth.assign(pixels, -std::numeric_limits<float>::infinity());
    project(camera, options.mode);
    drawn_ = true;
    shaded_ = options.style != Style::wireframe;
    if (shaded_) {
        for (const Part &part : parts_)
            if (!part.hidden) draw_faces(part, options);
    }
    if (options.grid) draw_grid();
    for (int selected = 0; selected < 2; ++selected) {
        for (const Part &part : parts_)
            if (!part.hidden && edges_shown(part, options)) draw_edges(part, options, selected != 0);
    }
    if (options.mode == Pick::vertices) {
        for (const Part &part : parts_)
            if (!part.hidden) draw_marks(part, options);
    }
    float box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (const Part &part : parts_) {
        if (part.hidden || !(part.bounds[0] <= part.bounds[2])) continue;
        box[0] = std::min(box[0], std::max(part.bounds[0], 0.0f));
        box[1] = std::min(box[1], std::max(part.bounds[1], 0.0f));
        box[2] = std::max(box[2], std::min(part.bounds[2], static_cast<float>(image_.width)));
        box[3] = std::max(box[3], std::min(part.bounds[3], static_cast<float>(image_.height)));
    }
    image_.box[0] = 1;
    image_.box[2] = 0;
    if (box[0] <= box[2] && box[1] <= box[3]) {
        image_.box[0] = static_cast<int>(std::floor(canvas_x(box[0])));
        image_.box[1] = static_cast<int>(std::floor(canvas_y(box[1])));
        image_.box[2] = static_cast<int>(std::ceil(canvas_x(box[2])));
        image_.box[3] = static_cast<int>(std::ceil(canvas_y(box[3])));
    }
    return image_;
}

// Whether a part's edges are drawn: always in a wireframe, never on bare
// surfaces, and over surfaces only where they stand apart (about three
// pixels or more), since closer edges would hide the shading under them.
bool View::edges_shown(const Part &part, const DrawOptions &options) const
{
    if (options.style == Style::wireframe) return true;
    if (options.style == Style::shaded) return false;
    return !crowded(part);
}

// Whether a part's edges are mostly shorter than three pixels, from a
// sample of 64 of them across the part.
bool View::crowded(const Part &part) const
{
    const std::size_t edges = part.edges.size() / 2;
    if (edges == 0) return false;
    const std::size_t step = std::max<std::size_t>(1, edges / 64);
    double length = 0;
    std::size_t counted = 0;
    for (std::size_t e = 0; e < edges; e += step) {
        const std::uint32_t a = part.first + part.edges[2 * e], b = part.first + part.edges[2 * e + 1];
        const double d = std::hypot(sx_[a] - sx_[b], sy_[a] - sy_[b]);
        if (!std::isfinite(d)) continue;
        length += d;
        ++counted;
    }
    return counted > 0 && length < 3.0 * static_cast<double>(counted);
}

// How much light a surface takes from the light in the view, from its
// normal (Newell's) found from positions taken back out of the perspective:
// the image's x and y grow by 1 / (1 - z / eye).
double View::face_light(const Part &part, const standin::RefRange &refs) const
{
    const double inverse_eye = eye_ > 0 ? 1 / eye_ : 0;
    double n[3] = {0, 0, 0};
    auto view_point = [&](std::uint32_t r, double p[3]) {
        const std::uint32_t at = part.first + r;
        const double f = 1 - sz_[at] * inverse_eye;
        p[0] = (sx_[at] - mid_[0]) * f;
        p[1] = (mid_[1] - sy_[at]) * f;
        p[2] = sz_[at] * view_scale_;
    };
    double a[3], b[3], c[3], d[3];
    if (refs.size() == 3 || refs.size() == 4) {
        // The cross product of the diagonals (of two sides for a triangle):
        // Newell's normal for these, at less cost.
        view_point(refs[0], a);
        view_point(refs[1], b);
        view_point(refs[2], c);
        if (refs.size() == 4) {
            view_point(refs[3], d);
        } else {
            std::copy(a, a + 3, d);
            std::copy(b, b + 3, a);
        }
        const double u[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]}, v[3] = {d[0] - b[0], d[1] - b[1], d[2] - b[2]};
        n[0] = u[1] * v[2] - u[2] * v[1];
        n[1] = u[2] * v[0] - u[0] * v[2];
        n[2] = u[0] * v[1] - u[1] * v[0];
    } else {
        view_point(refs.back(), b);
        for (std::uint32_t r : refs) {
            view_point(r, a);
            n[0] += (b[1] - a[1]) * (b[2] + a[2]);
            n[1] += (b[2] - a[2]) * (b[0] + a[0]);
            n[2] += (b[0] - a[0]) * (b[1] + a[1]);
            std::copy(a, a + 3, b);
        }
    }
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return length > 0 ? 0.3 + 0.7 * std::abs(n[0] * kLight[0] + n[1] * kLight[1] + n[2] * kLight[2]) / length : 0.6;
}

// Fills the part's polygons; those thinner than a pixel (a mesh finer than
// the pixels) fill the pixels of their box (splat_small).
void View::draw_faces(const Part &part, const DrawOptions &options)
{
    const Object &o = *part.object;
    const bool lit = options.mode == Pick::objects && part.lit;
    const bool chosen = options.mode == Pick::surfaces;
    std::uint32_t s = 0;
    o.surfaces.for_each_span([&](const Surface *surfaces, std::size_t n) {
        for (std::size_t i = 0; i < n && s < part.surfaces; ++i, ++s) {
            const Surface &surface = surfaces[i];
            if (surface.count < 3 || (s < part.kinds.size() && part.kinds[s] != 0)) continue;
            const standin::RefRange refs = o.refs_at(surface.first, surface.count);
            float low_x = INFINITY, high_x = -INFINITY, low_y = INFINITY, high_y = -INFINITY, mean = 0;
            for (std::uint32_t r : refs) {
                const std::uint32_t at = part.first + r;
                low_x = std::min(low_x, sx_[at]);
                high_x = std::max(high_x, sx_[at]);
                low_y = std::min(low_y, sy_[at]);
                high_y = std::max(high_y, sy_[at]);
                mean += sz_[at];
            }
            if (!(low_x < image_.width && high_x >= 0 && low_y < image_.height && high_y >= 0)) continue;
            const int px = static_cast<int>(std::floor(low_x)), py = static_cast<int>(std::floor(low_y));
            const std::uint32_t base = lit || (chosen && surface.selected) ? kSelected : kSurface;
            const float width = high_x - low_x, height = high_y - low_y;
            if ((width < 1 && height < 4) || (height < 1 && width < 4)) {
                const int box[4] = {px, py, static_cast<int>(std::floor(high_x)), static_cast<int>(std::floor(high_y))};
                splat_small(part, refs, box, mean / static_cast<float>(refs.size()), base);
                continue;
            }
            fill_polygon(part, refs, shade(base, face_light(part, refs)));
        }
    });
}

// A polygon thinner than a pixel, over the few pixels of its box (x0, y0,
// x1, y1): each takes its mean depth, lit only if nearer than what the
// pixel holds, so that most of a dense mesh costs a depth test and none
// leaves a hole.
void View::splat_small(const Part &part, const standin::RefRange &refs, const int box[4], float depth,
                       std::uint32_t base)
{
    std::uint32_t colour = 0;
    for (int py = std::max(box[1], 0); py <= box[3] && py < image_.height; ++py) {
        for (int px = std::max(box[0], 0); px <= box[2] && px < image_.width; ++px) {
            const std::size_t at = static_cast<std::size_t>(py) * image_.width + px;
            if (!(depth > image_.depth[at])) continue;
            if (colour == 0) colour = shade(base, face_light(part, refs));
            image_.depth[at] = depth;
            image_.pixels[at] = colour;
        }
    }
}

// A polygon as a fan of triangles from its first vertex.
void View::fill_polygon(const Part &part, const standin::RefRange &refs, std::uint32_t colour)
{
    float x[3], y[3], z[3];
    const std::uint32_t first = part.first + refs[0];
    x[0] = sx_[first];
    y[0] = sy_[first];
    z[0] = sz_[first];
    for (std::size_t i = 1; i + 1 < refs.size(); ++i) {
        for (int k = 1; k < 3; ++k) {
            const std::uint32_t at = part.first + refs[i + k - 1];
            x[k] = sx_[at];
            y[k] = sy_[at];
            z[k] = sz_[at];
        }
        if (x[0] == x[0] && x[1] == x[1] && x[2] == x[2]) triangle(image_, x, y, z, colour);
    }
}

void View::draw_edges(const Part &part, const DrawOptions &options, bool selected)
{
    const bool crowd = crowded(part);
    const float extent = std::max({high_[0] - low_[0], high_[1] - low_[1], high_[2] - low_[2], 0.0f});
    Pen pen{selected ? kSelected : kEdge, std::max(1, options.line + (selected && !crowd ? 1 : 0)), shaded_,
            static_cast<float>(2 / std::max(view_scale_, 1e-30) + 1e-3 * extent), crowd};
    auto draw = [&](std::uint32_t a, std::uint32_t b) {
        a += part.first;
        b += part.first;
        line(image_, sx_[a], sy_[a], sz_[a], sx_[b], sy_[b], sz_[b], pen);
    };
    if (options.mode == Pick::objects && part.lit != selected) return;
    if (options.mode != Pick::surfaces || !selected) {
        for (std::size_t e = 0; e + 1 < part.edges.size(); e += 2) {
            const std::uint32_t a = part.edges[e], b = part.edges[e + 1];
            if (options.mode == Pick::vertices && (chosen_[part.first + a] && chosen_[part.first + b]) != selected)
                continue;
            draw(a, b);
        }
        return;
    }
    const Object &o = *part.object;
    for (std::uint32_t s = 0; s < part.surfaces; ++s) {
        const Surface &surface = o.surfaces[s];
        if (!surface.selected) continue;
        const standin::RefRange refs = o.refs_at(surface.first, surface.count);
        const bool open = s < part.kinds.size() && part.kinds[s] == 2;
        for (std::size_t j = 0; j + 1 < refs.size(); ++j) draw(refs[j], refs[j + 1]);
        if (!open && refs.size() > 2) draw(refs.back(), refs.front());
    }
}

void View::draw_marks(const Part &part, const DrawOptions &options)
{
    const int side = 2 * std::max(0, options.mark) + 1;
    const Pen pen{kMark, side, false, 0, false};
    for (std::uint32_t v = part.first, end = part.first + part.vertices; v < end; ++v) {
        if (!chosen_[v] || !(sx_[v] >= 0 && sy_[v] >= 0 && sx_[v] < image_.width && sy_[v] < image_.height)) continue;
        plot(image_, static_cast<int>(sx_[v]), static_cast<int>(sy_[v]), 0, pen);
    }
}

// The ground: lines a power of ten apart in model units (about a tenth of
// the model's size) on the plane of its lowest point, a cell beyond its
// extent, behind whatever stands on it.
void View::draw_grid()
{
    if (!(low_[0] <= high_[0])) return;
    const double extent = std::max<double>(high_[0] - low_[0], high_[2] - low_[2]);
    const double spacing = extent > 0 ? std::pow(10.0, std::round(std::log10(extent) - 1)) : 1;
    const double from[2] = {std::floor(low_[0] / spacing) - 1, std::floor(low_[2] / spacing) - 1};
    const double to[2] = {std::ceil(high_[0] / spacing) + 1, std::ceil(high_[2] / spacing) + 1};
    if (to[0] - from[0] > 400 || to[1] - from[1] > 400) return;
    const float depth_extent = std::max({high_[0] - low_[0], high_[1] - low_[1], high_[2] - low_[2], 1e-6f});
    const Pen pen{kGrid, 1, shaded_, -1e-3f * depth_extent, false};
    const double y = low_[1];
    for (int along = 0; along < 2; ++along) {
        for (double i = from[along]; i <= to[along]; ++i) {
            for (double j = from[1 - along]; j < to[1 - along]; ++j) {
                double a[3] = {i * spacing, y, j * spacing}, b[3] = {i * spacing, y, (j + 1) * spacing};
                if (along == 1) {
                    std::swap(a[0], a[2]);
                    std::swap(b[0], b[2]);
                }
                float p[3], q[3];
                if (place(a[0], a[1], a[2], p[0], p[1], p[2]) && place(b[0], b[1], b[2], q[0], q[1], q[2]))
                    line(image_, p[0], p[1], p[2], q[0], q[1], q[2], pen);
            }
        }
    }
}
