// The main window's view of the model: the scene drawn into an image of
// pixels (wireframe, flat-shaded with a depth buffer, or both), and picked
// back by what lies under the pointer.
//
// Positions and the selection are read from the scene at each drawing; the
// view keeps only what it cannot read there: each object's edges, each once,
// rebuilt when the object's shape changed, and where each vertex was last
// drawn.  Free of Tcl, so that it can be measured alone; the window reaches
// it through the ::standin::view command (view_command.cpp).
#ifndef RILO_STANDIN_VIEW_H
#define RILO_STANDIN_VIEW_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "edges.h"
#include "host.h"
#include "looks.h"
#include "scene.h"

// A camera: the model turned by the azimuth (about Y) and then the elevation
// (about the screen's X), in degrees, scaled by pixels per model unit around
// a centre that lands in the middle of the viewport.  Azimuth 0 and
// elevation 0 look along -Z (front); elevation 90 looks down (top); azimuth
// -90 looks along -X (side).  In perspective the eye stands twice the
// viewport's height (in model units at the centre) from the centre, so that
// the scale still holds at the centre's depth.
struct Camera {
    double azimuth = 0;
    double elevation = 0;
    double scale = 1;
    double centre[3] = {0, 0, 0};
    double left = 0, top = 0, right = 1, bottom = 1;  // the viewport on the canvas, in pixels
    bool perspective = false;
    // Canvas pixels per pixel of the image: above 1, a smaller image is
    // drawn and shown enlarged, for speed while the view moves.
    int grain = 1;
    // Which of the window's views this is (0 to View::kSlots - 1): each
    // keeps where its own last drawing put the vertices, for picking.
    int slot = 0;
};

// The screen's right and up directions and the direction towards the
// viewer, in model coordinates.
struct Axes {
    double right[3], up[3], towards[3];
};
Axes camera_axes(double azimuth, double elevation);

enum class Style { wireframe, shaded, shaded_edges };

// The colours the window shows beside the drawing too, by name: its
// background, an edge, a selected edge, a selected vertex's mark.
struct NamedColour {
    const char *name;
    std::uint32_t rgba;  // red in the lowest byte, as the image's pixels
};
std::span<const NamedColour> view_colours();

// The drawing, the fitting and the picking go by the host's selection
// modes: what the selection holds, and what a pick or a box takes.
struct DrawOptions {
    Style style = Style::shaded_edges;
    bool grid = true;
    standin::SelectMode mode = standin::kSelectObjects;  // what the selection holds: how it is shown
    int line = 1;  // an edge's width in image pixels; a selected edge is one wider
    int mark = 2;  // half the side of a selected vertex's square
    // Shaded with edges: every object's edges, not only the selection's.
    bool all_edges = false;
};

// The drawing: RGBA pixels, row after row, of the viewport divided by the
// grain, and the box of canvas pixels the model covers (empty: x0 > x1).
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::vector<float> depth;  // towards the viewer: larger is nearer
    int box[4] = {1, 1, 0, 0};
};

// Rows of the image, from top to before bottom: a drawing is made in two
// at once.
struct Band {
    int top, bottom;
};

// What lies under the pointer: an object, and a surface's or a vertex's index in it.
struct Hit {
    Object *object = nullptr;
    std::uint32_t index = 0;
};

// The kind of each surface of an object as its file gave it; none when all
// are polygons.
using SurfaceKinds = std::function<void(const Object &, std::vector<standin::SurfaceKind> &)>;

// Runs WORK(half, first, end) over [0, N) in two halves, the second on a
// thread of its own when PARALLEL.
void in_halves(std::uint32_t n, bool parallel, const std::function<void(int, std::uint32_t, std::uint32_t)> &work);

class View {
public:
    // Vertices from which a drawing is made by two threads.
    static constexpr std::uint32_t kParallel = 20000;

    // A SHAPE no scene is said to have: sync looks at every object.
    static constexpr std::uint64_t kUnknownShape = ~std::uint64_t{0};

    // Follows the scene: objects added or gone, shapes changed, hidden and
    // locked marks, which objects lie in a selected object's tree.  SHAPE
    // is a number that changes whenever objects, their flags or their
    // counts may have (the host's tree version): while it stays, only which
    // objects lie in a selected tree is looked at, and not even that while
    // SELECTION (a number of each change of the selection) stays too.
    // Positions are read at each drawing: they need no sync.
    void sync(const standin::Scene &scene, const SurfaceKinds &kinds, std::uint64_t shape = kUnknownShape,
              std::uint64_t selection = kUnknownShape);
    // The same, with how each object looks (its materials and texture) for
    // the objects it meets anew.
    void sync(const standin::Scene &scene, const SurfaceKinds &kinds, const Looks &looks,
              std::uint64_t shape = kUnknownShape, std::uint64_t selection = kUnknownShape);

    // The texture NAME (as the objects name it) for the parts that show it;
    // null: it cannot be read, and their surfaces keep their colours.
    void set_texture(const std::string &name, std::shared_ptr<const Texture> texture);
    // The textures the objects name that were neither given nor refused
    // since the scene was new.
    std::vector<std::string> wanted_textures() const;

    const Image &draw(const Camera &camera, const DrawOptions &options);
    // Sets the scale and centre that fit what is drawn (or, with SELECTION,
    // what is selected in MODE) into the camera's viewport; false, leaving
    // the camera as it is, when there is nothing.
    bool fit(Camera &camera, bool selection, standin::SelectMode mode) const;

    // The canvas box {x0, y0, x1, y1} of what is selected in MODE, as the
    // last drawing placed it, within its viewport; false when none of it is drawn.
    bool selection_box(standin::SelectMode mode, double box[4]) const;
    // Where a vertex was last drawn, in canvas pixels.
    bool point(const Object &object, std::uint32_t index, double &x, double &y) const;
    // What lies within TOLERANCE canvas pixels of (x, y) in the last drawing,
    // neither hidden nor locked; nearer the viewer wins among equals.
    Hit pick(standin::SelectMode mode, double x, double y, double tolerance) const;
    // Everything of MODE in the canvas rectangle, neither hidden nor locked:
    // objects with a vertex in it, surfaces with all their vertices in it,
    // vertices in it.  TAKE is called once for each, in scene order.
    void in_box(standin::SelectMode mode, const double box[4],
                const std::function<void(Object &, std::uint32_t)> &take) const;

    // Views of one model drawn side by side: a drawing, a pick or a box
    // works with the slot of its view.
    static constexpr int kSlots = 4;
    void use_slot(int slot);
    // The slot whose last drawing's viewport holds (x, y) in canvas pixels;
    // the current one when none does.
    int slot_at(double x, double y) const;

    std::size_t edge_count() const;
    // Bytes the view holds.
    std::size_t memory() const;

    struct Part {
        Object *object = nullptr;
        std::uint32_t vertices = 0, surfaces = 0;  // the counts its edges were made for
        std::uint64_t scene = 0;                   // and the scene's serial
        std::vector<standin::Edge> edges;          // by their lower vertex (edges_of)
        std::vector<standin::SurfaceKind> kinds;   // SurfaceKinds, or empty
        bool lines = false;                        // some surfaces are lines, which only edges show
        std::uint32_t first = 0;                   // its first vertex in the drawn arrays
        bool hidden = false, locked = false;
        bool in_selected_tree = false;   // it or an object above it is selected: drawn as selected in object mode
        std::int32_t above = -1;         // its parent's part, before it in parts_; -1 at the top
        float bounds[4] = {0, 0, 0, 0};  // the image box its vertices fell in at the last drawing
        PartLooks looks;                 // its materials and texture, as the model gives them
        std::shared_ptr<const Texture> texture;  // looks.texture's texels, once given
    };

private:
    // What a drawing leaves for picking, kept for each slot but the current
    // one, whose state is the members below (exchange swaps them).
    struct Projection {
        std::vector<float> sx, sy, sz;
        std::vector<std::uint8_t> chosen;
        std::vector<std::array<float, 4>> bounds;  // each part's
        bool drawn = false, shaded = false;
        double left = 0, top = 0, right = 0, bottom = 0;
        int grain = 1;
        float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
        double eye = 0, view_scale = 1, mid[2] = {0, 0};
        Axes axes{};
        double offset[3] = {0, 0, 0};
        float matrix[12] = {};
    };
    void exchange(Projection &p);
    void follow_selection();
    bool rebuild_parts(const standin::Scene &scene, const SurfaceKinds &kinds, const Looks &looks);
    static Part reused_part(const Object &o, Part *was, std::uint64_t serial);
    static Part new_part(Object &o, std::uint64_t serial, const SurfaceKinds &kinds);
    void project(const Camera &camera, standin::SelectMode mode);
    bool place(double x, double y, double z, float &ix, float &iy, float &iz) const;
    bool to_image(const Vertex &v, float &ix, float &iy, float &iz) const;
    void for_fitting(const Part &part, bool selection, standin::SelectMode mode,
                     const std::function<void(const Vertex &)> &take) const;
    void project_range(std::uint32_t from, std::uint32_t to, float *bounds, float low[3], float high[3]);
    void render(const Band &band, const DrawOptions &options);
    void draw_grid(const Band &band);
    void fill_surfaces(const DrawOptions &options);
    void draw_faces(Image &target, const Part &part, const DrawOptions &options, std::uint32_t from, std::uint32_t to);
    float face_light(const Part &part, const standin::RefRange &refs) const;
    void fill_polygon(Image &target, const Part &part, const standin::RefRange &refs, std::uint32_t colour);
    // A face to be drawn over the others: one whose material lets light through.
    struct SeeThrough {
        std::uint32_t part, surface;
        float depth;
    };
    void dress(Part &part, const Looks &looks);
    std::uint32_t face_colour(const Part &part, std::uint32_t surface, bool selected) const;
    void fill_textured(Image &target, const Part &part, const standin::RefRange &refs, std::uint32_t first,
                       bool selected, float light, float opacity);
    void fill_see_through(const DrawOptions &options);
    bool edges_wanted(const Part &part, const DrawOptions &options, bool selected) const;
    void splat_small(Image &target, const Part &part, const standin::RefRange &refs, const int box[4], float depth,
                     std::uint32_t base);
    void draw_edges(const Band &band, const Part &part, const DrawOptions &options, bool selected);
    void draw_marks(const Band &band, const Part &part, const DrawOptions &options);
    // The image box {low x, low y, high x, high y} of a surface's vertices at
    // the last drawing; returns their mean depth.
    float image_box(const Part &part, const standin::RefRange &refs, float box[4]) const;
    bool edges_shown(const Part &part, const DrawOptions &options) const;
    bool crowded(const Part &part) const;
    std::uint32_t vertex_at(double x, double y, double tolerance) const;
    long surface_at(const Part &part, double x, double y, double tolerance, float &depth) const;
    bool near_edge(const Part &part, double x, double y, double tolerance, float &depth) const;
    double canvas_x(float x) const { return left_ + x * grain_; }
    double canvas_y(float y) const { return top_ + y * grain_; }

    std::vector<Part> parts_;  // drawable objects in scene order
    std::uint64_t synced_shape_ = kUnknownShape;
    std::uint64_t synced_serial_ = 0;
    std::uint64_t synced_selection_ = kUnknownShape;
    std::uint32_t vertices_ = 0;
    // Per vertex of the parts, at the last drawing: image position, depth
    // towards the viewer, and (in vertex mode) whether it is selected.
    std::vector<float> sx_, sy_, sz_;
    std::vector<std::uint8_t> chosen_;
    bool drawn_ = false;
    bool shaded_ = false;  // the last drawing's surfaces were filled
    double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;  // the viewport on the canvas
    int grain_ = 1;
    float low_[3] = {0, 0, 0}, high_[3] = {0, 0, 0};  // the drawn model's box, in model units
    double eye_ = 0;                                  // in perspective, the eye's distance from the centre; 0 otherwise
    double view_scale_ = 1;                           // image pixels per model unit at the centre
    double mid_[2] = {0, 0};                          // the centre's image position
    Axes axes_{};
    double offset_[3] = {0, 0, 0};
    float matrix_[12] = {};  // model to image, by rows (to_image)
    Image image_;
    Image spare_;  // the second half of the surfaces, drawn beside the first
    // The textures given by name since the scene was new (null: refused),
    // and that scene's serial.
    std::unordered_map<std::string, std::shared_ptr<const Texture>> textures_;
    std::uint64_t textures_serial_ = 0;
    std::vector<SeeThrough> see_through_[2];  // by the half of the surfaces that met them
    std::array<Projection, kSlots> slots_;  // the other slots' (slot_'s is moved out)
    int slot_ = 0;
};

inline float View::image_box(const Part &part, const standin::RefRange &refs, float box[4]) const
{
    float low_x = INFINITY, low_y = INFINITY, high_x = -INFINITY, high_y = -INFINITY, depth = 0;
    for (std::uint32_t r : refs) {
        const std::uint32_t at = part.first + r;
        low_x = std::min(low_x, sx_[at]);
        high_x = std::max(high_x, sx_[at]);
        low_y = std::min(low_y, sy_[at]);
        high_y = std::max(high_y, sy_[at]);
        depth += sz_[at];
    }
    box[0] = low_x;
    box[1] = low_y;
    box[2] = high_x;
    box[3] = high_y;
    return depth / static_cast<float>(refs.size());
}

#endif
