// Drawing the projected model into the view's image: surfaces filled flat
// in their materials' colours or textured, with a depth buffer, those that
// let light through over the others; edges as lines, the ground grid, the
// marks of selected vertices.
#include <algorithm>
#include <cmath>
#include <limits>

#include "view.h"

using standin::kSelectObjects;
using standin::kSelectSurfaces;
using standin::kSelectVertices;

namespace {

constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return r | g << 8 | b << 16 | 0xffu << 24;
}

// The colours; the window takes the first four from view_colours.
constexpr std::uint32_t kBackground = rgb(0xfb, 0xfb, 0xfd);
constexpr std::uint32_t kEdge = rgb(0x36, 0x50, 0x7a);
constexpr std::uint32_t kSelected = rgb(0xe4, 0x57, 0x2e);
constexpr std::uint32_t kMark = rgb(0xc0, 0x16, 0x0f);
constexpr std::uint32_t kGrid = rgb(0xd4, 0xd9, 0xe2);
constexpr std::uint32_t kSurface = rgb(0xc8, 0xd2, 0xe2);
constexpr std::uint32_t kChosenSurface = rgb(0xf6, 0xa8, 0x8e);  // a selected surface, light under its edges

constexpr NamedColour kShared[] = {
    {"background", kBackground}, {"edge", kEdge}, {"selected", kSelected}, {"mark", kMark}};

// COLOUR in LIGHT (0 to 1), to 1/256.
std::uint32_t shade(std::uint32_t colour, float light)
{
    const auto level = static_cast<std::uint32_t>(std::clamp(light, 0.0f, 1.0f) * 256);
    auto channel = [&](int shift) { return ((((colour >> shift) & 0xff) * level) >> 8) << shift; };
    return channel(0) | channel(8) | channel(16) | 0xffu << 24;
}

// A selected surface's colour: three quarters of the way from its own to
// the selection's, so that it reads as selected whatever its material.
std::uint32_t chosen(std::uint32_t colour)
{
    const std::uint32_t quarter = (colour >> 2) & 0x3f3f3fu, towards = (kChosenSurface >> 2) & 0x3f3f3fu;
    return (quarter + 3 * towards) | 0xffu << 24;
}

// COLOUR over PIXEL, OPACITY of it showing.
std::uint32_t over(std::uint32_t pixel, std::uint32_t colour, float opacity)
{
    const auto a = static_cast<std::uint32_t>(std::clamp(opacity, 0.0f, 1.0f) * 256);
    auto channel = [&](int shift) {
        const std::uint32_t p = (pixel >> shift) & 0xff, c = (colour >> shift) & 0xff;
        return ((p * (256 - a) + c * a) >> 8) << shift;
    };
    return channel(0) | channel(8) | channel(16) | 0xffu << 24;
}

// An eighth of the way from the pixel's colour to COLOUR, each channel to
// within one: where a model's edges crowd closer than pixels, the wireframe
// darkens with their number and still shows the model's shape.
std::uint32_t blend(std::uint32_t pixel, std::uint32_t colour)
{
    return pixel - ((pixel >> 3) & 0x1f1f1fu) + ((colour >> 3) & 0x1f1f1fu);
}

struct Pen {
    std::uint32_t colour;
    int width;
    bool depth_test;
    float bias;  // a point passes the depth test this much behind what is drawn
    bool blend;
};

inline void plot(Image &image, const Band &band, int x, int y, float z, const Pen &pen)
{
    if (pen.width == 1) {
        if (x < 0 || y < band.top || x >= image.width || y >= band.bottom) return;
        const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
        if (pen.depth_test && !(z + pen.bias >= image.depth[at])) return;
        image.pixels[at] = pen.blend ? blend(image.pixels[at], pen.colour) : pen.colour;
        return;
    }
    for (int oy = 0; oy < pen.width; ++oy) {
        const int py = y + oy - pen.width / 2;
        if (py < band.top || py >= band.bottom) continue;
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

// A line from (x0, y0) to (x1, y1) in image pixels, depths z0 and z1: its
// pixels in the band's rows.
void line(Image &image, const Band &band, float x0, float y0, float z0, float x1, float y1, float z1, const Pen &pen)
{
    float p[6] = {x0, y0, z0, x1, y1, z1};
    if (!(x0 == x0 && x1 == x1)) return;  // not drawable: NaN
    if (std::max(y0, y1) < static_cast<float>(band.top - pen.width) ||
        std::min(y0, y1) >= static_cast<float>(band.bottom + pen.width))
        return;
    const bool inside = x0 >= 0 && y0 >= 0 && x1 >= 0 && y1 >= 0 && x0 < image.width && x1 < image.width &&
                        y0 < image.height && y1 < image.height;
    if (!inside && !clip(image, p)) return;
    const int right = image.width - 1, bottom = image.height - 1;
    const int x_from = std::min(static_cast<int>(p[0]), right), y_from = std::min(static_cast<int>(p[1]), bottom);
    if (x_from == std::min(static_cast<int>(p[3]), right) && y_from == std::min(static_cast<int>(p[4]), bottom))
        return plot(image, band, x_from, y_from, std::max(p[2], p[5]), pen);
    const float dx = p[3] - p[0], dy = p[4] - p[1], dz = p[5] - p[2];
    const int steps = std::max(1, static_cast<int>(std::ceil(std::max(std::abs(dx), std::abs(dy)))));
    const float inverse = 1.0f / static_cast<float>(steps);
    for (int i = 0; i <= steps; ++i) {
        const float t = static_cast<float>(i) * inverse;
        const int px = std::min(static_cast<int>(p[0] + t * dx), right);
        const int py = std::min(static_cast<int>(p[1] + t * dy), bottom);
        plot(image, band, px, py, p[2] + t * dz, pen);
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

// A convex polygon of N (3 to 8) corners filled where it covers pixels'
// centres, in the band's rows, at depths on the plane of its largest fan
// triangle; one within a single pixel fills that pixel, so that a mesh finer
// than the pixels leaves no holes.  Each row steps the edge functions
// (positive inside) along it.
template <typename Fill>
void convex(Image &image, const Band &band, const float *x, const float *y, const float *z, int n, const Fill &fill)
{
    float low_x = x[0], high_x = x[0], low_y = y[0], high_y = y[0], twice_area = 0;
    for (int i = 0; i < n; ++i) {
        low_x = std::min(low_x, x[i]);
        high_x = std::max(high_x, x[i]);
        low_y = std::min(low_y, y[i]);
        high_y = std::max(high_y, y[i]);
        const int j = (i + 1) % n;
        twice_area += x[i] * y[j] - x[j] * y[i];
    }
    if (!(low_x < image.width && high_x >= 0 && low_y < image.height && high_y >= 0)) return;
    const int x0 = std::max(0, static_cast<int>(low_x)), x1 = std::min(image.width - 1, static_cast<int>(high_x));
    const int row0 = std::max(0, static_cast<int>(low_y)), row1 = std::min(image.height - 1, static_cast<int>(high_y));
    if (x0 == x1 && row0 == row1) {
        float mean = 0;
        for (int i = 0; i < n; ++i) mean += z[i];
        if (row0 >= band.top && row0 < band.bottom) fill(image, x0, row0, mean / static_cast<float>(n));
        return;
    }
    if (twice_area == 0) return;
    const float sign = twice_area < 0 ? -1.0f : 1.0f;
    // The depth's plane, from the fan triangle of the largest area.
    float best = 0, dzdx = 0, dzdy = 0;
    for (int i = 1; i + 1 < n; ++i) {
        const float ux = x[i] - x[0], uy = y[i] - y[0], vx = x[i + 1] - x[0], vy = y[i + 1] - y[0];
        const float cross = ux * vy - uy * vx;
        if (std::abs(cross) <= best) continue;
        best = std::abs(cross);
        const float uz = z[i] - z[0], vz = z[i + 1] - z[0];
        dzdx = (uz * vy - vz * uy) / cross;
        dzdy = (vz * ux - uz * vx) / cross;
    }
    float step[8], start[8];
    const float cx0 = static_cast<float>(x0) + 0.5f;
    for (int py = std::max(row0, band.top); py <= std::min(row1, band.bottom - 1); ++py) {
        const float cy = static_cast<float>(py) + 0.5f;
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            step[i] = -sign * (y[j] - y[i]);
            start[i] = sign * ((x[j] - x[i]) * (cy - y[i]) - (y[j] - y[i]) * (cx0 - x[i]));
        }
        float depth = z[0] + dzdx * (cx0 - x[0]) + dzdy * (cy - y[0]);
        for (int px = x0; px <= x1; ++px, depth += dzdx) {
            bool inside = true;
            for (int i = 0; i < n; ++i) {
                inside = inside && start[i] >= 0;
                start[i] += step[i];
            }
            if (inside) fill(image, px, py, depth);
        }
    }
}

// Whether a polygon of N corners turns one way only (and so is convex).
bool turns_one_way(const float *x, const float *y, int n)
{
    int positive = 0, negative = 0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n, k = (i + 2) % n;
        const float cross = (x[j] - x[i]) * (y[k] - y[j]) - (y[j] - y[i]) * (x[k] - x[j]);
        positive += cross > 0;
        negative += cross < 0;
    }
    return positive == 0 || negative == 0;
}

// A polygon of the corners REFS (from FIRST in the drawn arrays X, Y, Z)
// into IMAGE's rows: whole when convex and of at most eight corners, as a
// fan of triangles from its first corner otherwise.
template <typename Fill>
void polygon(Image &image, const float *sx, const float *sy, const float *sz, std::uint32_t first,
             const standin::RefRange &refs, const Fill &fill)
{
    const Band band{0, image.height};
    float x[8], y[8], z[8];
    const int n = static_cast<int>(std::min<std::size_t>(refs.size(), 8));
    for (int i = 0; i < n; ++i) {
        const std::uint32_t at = first + refs[i];
        x[i] = sx[at];
        y[i] = sy[at];
        z[i] = sz[at];
        if (!(x[i] == x[i])) return;  // not drawable: NaN
    }
    if (static_cast<std::size_t>(n) == refs.size() && turns_one_way(x, y, n))
        return convex(image, band, x, y, z, n, fill);
    for (std::size_t i = 1; i + 1 < refs.size(); ++i) {
        for (int k = 1; k < 3; ++k) {
            const std::uint32_t at = first + refs[i + k - 1];
            x[k] = sx[at];
            y[k] = sy[at];
            z[k] = sz[at];
        }
        if (x[1] == x[1] && x[2] == x[2]) convex(image, band, x, y, z, 3, fill);
    }
}

// Whether a surface of a part shows its texture: the texture is given and
// its corners have their places on it.
bool textured(const View::Part &part, const Surface &surface)
{
    return part.texture && part.looks.uv.size() >= 2 * (std::size_t{surface.first} + surface.count);
}

// Whether a surface is drawn as selected.
bool shown_selected(const View::Part &part, const Surface &surface, const DrawOptions &options)
{
    return (options.mode == kSelectObjects && part.in_selected_tree) ||
           (options.mode == kSelectSurfaces && surface.selected);
}

}  // namespace

std::span<const NamedColour> view_colours()
{
    return kShared;
}

const Image &View::draw(const Camera &camera, const DrawOptions &options)
{
    use_slot(camera.slot);
    grain_ = std::clamp(camera.grain, 1, 16);
    left_ = camera.left;
    top_ = camera.top;
    right_ = camera.right;
    bottom_ = camera.bottom;
    image_.width = std::max(1, static_cast<int>((camera.right - camera.left) / grain_));
    image_.height = std::max(1, static_cast<int>((camera.bottom - camera.top) / grain_));
    const std::size_t pixels = static_cast<std::size_t>(image_.width) * image_.height;
    image_.pixels.assign(pixels, kBackground);
    image_.depth.assign(pixels, -std::numeric_limits<float>::infinity());
    project(camera, options.mode);
    drawn_ = true;
    shaded_ = options.style != Style::wireframe;
    // The lines in the image's upper and lower halves side by side, each by
    // every part in the same order: the same pixels as one after the other.
    if (shaded_) fill_surfaces(options);
    in_halves(image_.height, vertices_ >= kParallel, [&](int, std::uint32_t top, std::uint32_t bottom) {
        render(Band{static_cast<int>(top), static_cast<int>(bottom)}, options);
    });
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

// Fills the surfaces: the first half of them into the image and the
// second into a spare one, side by side, and then each pixel of the spare
// that is nearer into the image: as the image alone would have them, the
// first surface drawn at a depth keeping the pixel.
void View::fill_surfaces(const DrawOptions &options)
{
    std::uint32_t surfaces = 0;
    for (const Part &part : parts_)
        if (!part.hidden) surfaces += part.surfaces;
    spare_.width = image_.width;
    spare_.height = image_.height;
    see_through_[0].clear();
    see_through_[1].clear();
    in_halves(surfaces, vertices_ >= kParallel, [&](int half, std::uint32_t from, std::uint32_t to) {
        Image &target = half == 0 ? image_ : spare_;
        if (half == 1) {
            spare_.pixels.assign(image_.pixels.size(), kBackground);
            spare_.depth.assign(image_.depth.size(), -std::numeric_limits<float>::infinity());
        }
        std::uint32_t first = 0;
        for (const Part &part : parts_) {
            if (part.hidden) continue;
            if (first < to && first + part.surfaces > from)
                draw_faces(target, part, options, from - std::min(from, first), to - first);
            first += part.surfaces;
        }
    });
    for (std::size_t at = 0; at < image_.pixels.size(); ++at) {
        if (spare_.depth[at] > image_.depth[at]) {
            image_.depth[at] = spare_.depth[at];
            image_.pixels[at] = spare_.pixels[at];
        }
    }
    if (!see_through_[0].empty() || !see_through_[1].empty()) fill_see_through(options);
}

// The faces whose material lets light through, over the others, the
// farthest first, each blended with what lies behind it and hiding
// nothing: the depth buffer keeps the opaque faces'.
void View::fill_see_through(const DrawOptions &options)
{
    std::vector<SeeThrough> &faces = see_through_[0];
    faces.insert(faces.end(), see_through_[1].begin(), see_through_[1].end());
    std::stable_sort(faces.begin(), faces.end(),
                     [](const SeeThrough &a, const SeeThrough &b) { return a.depth < b.depth; });
    for (const SeeThrough &face : faces) {
        const Part &part = parts_[face.part];
        const Object &o = *part.object;
        const Surface &surface = o.surfaces[face.surface];
        const standin::RefRange refs = o.refs_at(surface.first, surface.count);
        const bool selected = shown_selected(part, surface, options);
        const float light = face_light(part, refs), opacity = part.looks.material(face.surface)->opacity;
        if (textured(part, surface)) {
            fill_textured(image_, part, refs, surface.first, selected, light, opacity);
            continue;
        }
        const std::uint32_t colour = shade(face_colour(part, face.surface, selected), light);
        polygon(image_, sx_.data(), sy_.data(), sz_.data(), part.first, refs, [&](Image &image, int x, int y, float z) {
            const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
            if (z > image.depth[at]) image.pixels[at] = over(image.pixels[at], colour, opacity);
        });
    }
}

// The grid, the edges and the marks in the band's rows.
void View::render(const Band &band, const DrawOptions &options)
{
    if (options.grid) draw_grid(band);
    for (int selected = 0; selected < 2; ++selected) {
        for (const Part &part : parts_)
            if (!part.hidden && edges_wanted(part, options, selected != 0))
                draw_edges(band, part, options, selected != 0);
    }
    if (options.mode == kSelectVertices) {
        for (const Part &part : parts_)
            if (!part.hidden) draw_marks(band, part, options);
    }
}

// Whether a part's edges are drawn: always in a wireframe, on bare
// surfaces only for a part with lines (nothing else shows them), and over
// surfaces only where they stand apart (about three pixels or more), since
// closer edges would hide the shading under them.
bool View::edges_shown(const Part &part, const DrawOptions &options) const
{
    if (options.style == Style::wireframe) return true;
    if (options.style == Style::shaded) return part.lines;
    return part.lines || !crowded(part);
}

// Whether the selected (or the other) edges of a part are drawn: over
// surfaces with edges, those of what is not selected only when all are
// asked for, or where the part has lines, which only edges show.
bool View::edges_wanted(const Part &part, const DrawOptions &options, bool selected) const
{
    if (!selected && options.style == Style::shaded_edges && !options.all_edges && !part.lines) return false;
    return edges_shown(part, options);
}

// Whether a part's edges are mostly shorter than three pixels, from a
// sample of 64 of them across the part.
bool View::crowded(const Part &part) const
{
    const std::size_t edges = part.edges.size();
    if (edges == 0) return false;
    const std::size_t step = std::max<std::size_t>(1, edges / 64);
    double length = 0;
    std::size_t counted = 0;
    for (std::size_t e = 0; e < edges; e += step) {
        const std::uint32_t a = part.first + part.edges[e].a, b = part.first + part.edges[e].b;
        const double d = std::hypot(sx_[a] - sx_[b], sy_[a] - sy_[b]);
        if (!std::isfinite(d)) continue;
        length += d;
        ++counted;
    }
    return counted > 0 && length < 3.0 * static_cast<double>(counted);
}

// How much light a surface takes from a light at the viewer, on either
// side, over an ambient light, so that none turns black seen edge-on or
// from behind; from its normal (Newell's) found from positions taken back
// out of the perspective: the image's x and y grow by 1 / (1 - z / eye).
float View::face_light(const Part &part, const standin::RefRange &refs) const
{
    const float inverse_eye = eye_ > 0 ? static_cast<float>(1 / eye_) : 0.0f;
    const float mid_x = static_cast<float>(mid_[0]), mid_y = static_cast<float>(mid_[1]);
    const float depth_scale = static_cast<float>(view_scale_);
    float n[3] = {0, 0, 0};
    auto view_point = [&](std::uint32_t r, float p[3]) {
        const std::uint32_t at = part.first + r;
        const float f = 1 - sz_[at] * inverse_eye;
        p[0] = (sx_[at] - mid_x) * f;
        p[1] = (mid_y - sy_[at]) * f;
        p[2] = sz_[at] * depth_scale;
    };
    float a[3], b[3], c[3], d[3];
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
        const float u[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]}, v[3] = {d[0] - b[0], d[1] - b[1], d[2] - b[2]};
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
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return length > 0 ? 0.35f + 0.65f * std::abs(n[2]) / length : 0.6f;
}

// Fills the part's polygons FROM to before TO into TARGET; those thinner
// than a pixel (a mesh finer than the pixels) fill the pixels of their box
// (splat_small), in their texture's colour at their first corner.  Those
// that let light through are kept for later (fill_see_through).
void View::draw_faces(Image &target, const Part &part, const DrawOptions &options, std::uint32_t from, std::uint32_t to)
{
    const Object &o = *part.object;
    const auto index = static_cast<std::uint32_t>(&part - parts_.data());
    std::vector<SeeThrough> &see_through = see_through_[&target == &image_ ? 0 : 1];
    std::uint32_t s = 0;
    to = std::min(to, part.surfaces);
    o.surfaces.for_each_span([&](const Surface *surfaces, std::size_t n) {
        std::size_t i = 0;
        if (s < from) {
            i = std::min<std::size_t>(n, from - s);
            s += static_cast<std::uint32_t>(i);
        }
        for (; i < n && s < to; ++i, ++s) {
            const Surface &surface = surfaces[i];
            if (surface.count < 3 || standin::kind_of(part.kinds, s) != standin::SurfaceKind::polygon) continue;
            const standin::RefRange refs = o.refs_at(surface.first, surface.count);
            float bounds[4];
            const float mean = image_box(part, refs, bounds);
            const float low_x = bounds[0], low_y = bounds[1], high_x = bounds[2], high_y = bounds[3];
            if (!(low_x < target.width && high_x >= 0 && low_y < target.height && high_y >= 0)) continue;
            if (part.looks.transparent && part.looks.material(s)->opacity < 1) {
                see_through.push_back(SeeThrough{index, s, mean});
                continue;
            }
            const int px = static_cast<int>(std::floor(low_x)), py = static_cast<int>(std::floor(low_y));
            const bool selected = shown_selected(part, surface, options), texture = textured(part, surface);
            const float width = high_x - low_x, height = high_y - low_y;
            const bool small = (width < 1 && height < 4) || (height < 1 && width < 4);
            if (texture && !small) {
                fill_textured(target, part, refs, surface.first, selected, face_light(part, refs), 1);
                continue;
            }
            std::uint32_t base = face_colour(part, s, selected);
            if (texture) {
                const std::uint32_t texel = part.texture->at(part.looks.uv[2 * std::size_t{surface.first}],
                                                             part.looks.uv[2 * std::size_t{surface.first} + 1]);
                if (is_hole(texel)) continue;
                base = selected ? chosen(texel) : texel | 0xffu << 24;
            }
            if (small) {
                const int box[4] = {px, py, static_cast<int>(std::floor(high_x)), static_cast<int>(std::floor(high_y))};
                splat_small(target, part, refs, box, mean, base);
                continue;
            }
            fill_polygon(target, part, refs, shade(base, face_light(part, refs)));
        }
    });
}

// A polygon thinner than a pixel, over the few pixels of its box (x0, y0,
// x1, y1): each takes its mean depth, lit only if nearer than what the
// pixel holds, so that most of a dense mesh costs a depth test and none
// leaves a hole.
void View::splat_small(Image &target, const Part &part, const standin::RefRange &refs, const int box[4], float depth,
                       std::uint32_t base)
{
    std::uint32_t colour = 0;
    for (int py = std::max(box[1], 0); py <= box[3] && py < target.height; ++py) {
        for (int px = std::max(box[0], 0); px <= box[2] && px < target.width; ++px) {
            const std::size_t at = static_cast<std::size_t>(py) * target.width + px;
            if (!(depth > target.depth[at])) continue;
            if (colour == 0) colour = shade(base, face_light(part, refs));
            target.depth[at] = depth;
            target.pixels[at] = colour;
        }
    }
}

void View::fill_polygon(Image &target, const Part &part, const standin::RefRange &refs, std::uint32_t colour)
{
    polygon(target, sx_.data(), sy_.data(), sz_.data(), part.first, refs,
            [colour](Image &image, int x, int y, float z) { splat(image, x, y, z, colour); });
}

// A surface's colour before the light: its material's, or the view's own.
std::uint32_t View::face_colour(const Part &part, std::uint32_t surface, bool selected) const
{
    const Material *m = part.looks.material(surface);
    const std::uint32_t colour = m ? m->rgb : kSurface;
    return selected ? chosen(colour) : colour;
}

// A textured polygon as a fan of triangles from its first corner (the
// corners' places on the texture from FIRST in the part's uv), each texel
// in the face's LIGHT, blended at OPACITY below 1; the texture's holes left
// out.  In perspective, u, v and 1 / w go along the image's plane and are
// divided at each pixel.
void View::fill_textured(Image &target, const Part &part, const standin::RefRange &refs, std::uint32_t first,
                         bool selected, float light, float opacity)
{
    const Texture &texture = *part.texture;
    const float *uv = part.looks.uv.data() + 2 * std::size_t{first};
    const float inverse_eye = eye_ > 0 ? static_cast<float>(1 / eye_) : 0.0f;
    const Band band{0, target.height};
    for (std::size_t i = 1; i + 1 < refs.size(); ++i) {
        const std::size_t corner[3] = {0, i, i + 1};
        float x[3], y[3], z[3], a[3][3];  // by corner: u / w, v / w, 1 / w (w 1 but in perspective)
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t at = part.first + refs[corner[k]];
            x[k] = sx_[at];
            y[k] = sy_[at];
            z[k] = sz_[at];
            const float q = 1 / (1 - z[k] * inverse_eye);
            a[k][0] = uv[2 * corner[k]] * q;
            a[k][1] = uv[2 * corner[k] + 1] * q;
            a[k][2] = q;
        }
        if (!(x[0] == x[0] && x[1] == x[1] && x[2] == x[2])) continue;  // not drawable: NaN
        const float ux = x[1] - x[0], uy = y[1] - y[0], vx = x[2] - x[0], vy = y[2] - y[0];
        const float cross = ux * vy - uy * vx;
        float plane[3][2] = {};  // each value's steps along the image's x and y
        for (int k = 0; k < 3 && cross != 0; ++k) {
            const float du = a[1][k] - a[0][k], dv = a[2][k] - a[0][k];
            plane[k][0] = (du * vy - dv * uy) / cross;
            plane[k][1] = (dv * ux - du * vx) / cross;
        }
        convex(target, band, x, y, z, 3, [&](Image &image, int px, int py, float depth) {
            const std::size_t at = static_cast<std::size_t>(py) * image.width + px;
            if (!(depth > image.depth[at])) return;
            const float dx = static_cast<float>(px) + 0.5f - x[0], dy = static_cast<float>(py) + 0.5f - y[0];
            float value[3];
            for (int k = 0; k < 3; ++k) value[k] = a[0][k] + plane[k][0] * dx + plane[k][1] * dy;
            const std::uint32_t texel = texture.at(value[0] / value[2], value[1] / value[2]);
            if (is_hole(texel)) return;
            const std::uint32_t colour = shade(selected ? chosen(texel) : texel, light);
            if (opacity < 1) {
                image.pixels[at] = over(image.pixels[at], colour, opacity);
                return;
            }
            image.depth[at] = depth;
            image.pixels[at] = colour;
        });
    }
}

void View::draw_edges(const Band &band, const Part &part, const DrawOptions &options, bool selected)
{
    const bool crowd = crowded(part);
    const float extent = std::max({high_[0] - low_[0], high_[1] - low_[1], high_[2] - low_[2], 0.0f});
    Pen pen{selected ? kSelected : kEdge, std::max(1, options.line + (selected && !crowd ? 1 : 0)), shaded_,
            static_cast<float>(2 / std::max(view_scale_, 1e-30) + 1e-3 * extent), crowd};
    auto draw = [&](std::uint32_t a, std::uint32_t b) {
        a += part.first;
        b += part.first;
        line(image_, band, sx_[a], sy_[a], sz_[a], sx_[b], sy_[b], sz_[b], pen);
    };
    if (options.mode == kSelectObjects && part.in_selected_tree != selected) return;
    if (options.mode != kSelectSurfaces || !selected) {
        for (const standin::Edge &edge : part.edges) {
            const std::uint32_t a = edge.a, b = edge.b;
            if (options.mode == kSelectVertices && (chosen_[part.first + a] && chosen_[part.first + b]) != selected)
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
        const bool open = standin::kind_of(part.kinds, s) == standin::SurfaceKind::line;
        for (std::size_t j = 0; j + 1 < refs.size(); ++j) draw(refs[j], refs[j + 1]);
        if (!open && refs.size() > 2) draw(refs.back(), refs.front());
    }
}

void View::draw_marks(const Band &band, const Part &part, const DrawOptions &options)
{
    const int side = 2 * std::max(0, options.mark) + 1;
    const Pen pen{kMark, side, false, 0, false};
    for (std::uint32_t v = part.first, end = part.first + part.vertices; v < end; ++v) {
        if (!chosen_[v] || !(sx_[v] >= 0 && sy_[v] >= 0 && sx_[v] < image_.width && sy_[v] < image_.height)) continue;
        plot(image_, band, static_cast<int>(sx_[v]), static_cast<int>(sy_[v]), 0, pen);
    }
}

// The ground: lines a power of ten apart in model units (about a tenth of
// the model's size) on the plane of its lowest point, a cell beyond its
// extent, behind whatever stands on it.
void View::draw_grid(const Band &band)
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
                    line(image_, band, p[0], p[1], p[2], q[0], q[1], q[2], pen);
            }
        }
    }
}
