// The main window's view of the model: the scene copied into flat arrays,
// projected onto the canvas as wireframe polylines, and picked back.
//
// Kept free of Tcl and of the scene, so that it can be measured alone; the
// window reaches it through the ::standin::view command (view_command.cpp).
#ifndef RILO_STANDIN_VIEW_H
#define RILO_STANDIN_VIEW_H

#include <cstdint>
#include <vector>

// The model as the view draws it: every object's vertices, edges and
// surfaces, in scene order, indexed across the whole model.
struct ViewModel {
    struct Part {
        int id;  // the object's id in the scene
        std::uint32_t first_vertex;
        std::uint32_t first_surface;
    };
    std::vector<float> xyz;                     // three per vertex
    std::vector<std::uint32_t> edges;           // two vertex indices per edge, each edge once
    std::vector<std::uint8_t> edge_selected;    // one per edge
    std::vector<std::uint8_t> vertex_selected;  // one per vertex
    std::vector<std::uint32_t> surface_refs;    // vertex indices, surface after surface
    std::vector<std::uint32_t> surface_first;   // where each surface starts in surface_refs, and the end
    std::vector<Part> parts;                    // one per object, by first_vertex

    std::uint32_t vertex_count() const { return static_cast<std::uint32_t>(xyz.size() / 3); }
    std::uint32_t surface_count() const
    {
        return surface_first.empty() ? 0 : static_cast<std::uint32_t>(surface_first.size() - 1);
    }
    // The object holding a vertex or a surface, as an index into parts.
    std::size_t part_of_vertex(std::uint32_t vertex) const;
    std::size_t part_of_surface(std::uint32_t surface) const;
};

// An orthographic camera: the model turned by the azimuth (about Y) and then
// the elevation (about the screen's X), in degrees, scaled by pixels per
// model unit around a centre that lands in the middle of the viewport.
// Azimuth 0 and elevation 0 look along -Z (front); elevation 90 looks down
// (top); azimuth -90 looks along -X (side).
struct Camera {
    double azimuth = 0;
    double elevation = 0;
    double scale = 1;
    double centre[3] = {0, 0, 0};
    double left = 0, top = 0, right = 1, bottom = 1;  // the viewport on the canvas, in pixels
    // Pixels per step of the drawing's grid: above 1, fewer and coarser
    // edges are drawn, for speed while the view moves.
    int grain = 1;
};

// The screen's right and up directions and the direction towards the
// viewer, in model coordinates.
struct Axes {
    double right[3], up[3], towards[3];
};
Axes camera_axes(double azimuth, double elevation);

// Scale and centre that fit the whole model into the camera's viewport,
// keeping its angles; an empty model keeps the camera as it is.
Camera fit_camera(const ViewModel &model, Camera camera);

// What the canvas draws: polylines of unselected and of selected edges
// (coordinates flat, in whole pixels; starts index into them, two per point),
// and the points of selected vertices.  Every coordinate lies in the viewport.
struct Drawing {
    std::vector<int> lines;
    std::vector<std::uint32_t> line_starts;
    std::vector<int> selected;
    std::vector<std::uint32_t> selected_starts;
    std::vector<int> marks;
};

// Projects and culls: edges wholly outside the viewport are dropped and the
// rest clipped to it, edges that fall on one pixel or repeat a short one's
// pixels are dropped, and the rest are joined into as few polylines as a
// greedy walk finds.  Keeps the screen positions for picking.
class Projector {
public:
    const Drawing &project(const ViewModel &model, const Camera &camera);

    // The screen position of a vertex in the last projection.
    bool point(std::uint32_t vertex, double &x, double &y) const;
    // What lies under (x, y) in the last projection, within tolerance pixels;
    // -1 when nothing does.  Nearer the viewer wins among equals.
    long pick_vertex(const ViewModel &model, double x, double y, double tolerance) const;
    long pick_surface(const ViewModel &model, double x, double y, double tolerance) const;
    // The object (an index into parts) whose edge or surface is under (x, y).
    long pick_part(const ViewModel &model, double x, double y, double tolerance) const;

private:
    void draw_class(const ViewModel &model, bool selected, std::vector<int> &out, std::vector<std::uint32_t> &starts);
    void chain(const ViewModel &model, std::vector<int> &out, std::vector<std::uint32_t> &starts);
    bool repeats(int x0, int y0, int x1, int y1);
    int snap_x(double x) const;
    int snap_y(double y) const;

    Camera camera_;
    std::vector<float> sx_, sy_, depth_;  // per vertex
    Drawing drawing_;
    // Scratch kept between calls so that orbiting does not allocate.
    std::vector<std::uint32_t> kept_;  // edge indices drawn whole, for the walk
    std::vector<std::uint32_t> offsets_, adjacent_, cursor_, remaining_;
    std::vector<std::uint8_t> used_;
    std::vector<std::uint16_t> cells_;  // per pixel of the viewport: the short segments drawn from it
    std::size_t cells_width_ = 0;
};

#endif
