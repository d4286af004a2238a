// The view's rules for hidden and locked objects, and what a box and a
// click take, on three unit squares side by side in the front view: a at
// x = 0, b at x = 3 and b's child c at x = 6.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "scene.h"
#include "view.h"

namespace {

using standin::kSelectObjects;
using standin::kSelectSurfaces;
using standin::kSelectVertices;
using standin::SelectMode;

struct Squares {
    standin::Scene scene;
    Object *objects[3];

    Squares()
    {
        objects[0] = &scene.add_object("a");
        objects[1] = &scene.add_object("b");
        objects[2] = &scene.add_object("c", objects[1]);
        for (int k = 0; k < 3; ++k) {
            const float x = 3.0f * static_cast<float>(k);
            const float corners[] = {0, 0, 1, 0, 1, 1, 0, 1};
            for (int i = 0; i < 8; i += 2) objects[k]->add_vertex(x + corners[i], corners[i + 1], 0);
            objects[k]->add_surface(std::vector<std::uint32_t>{0, 1, 2, 3});
        }
    }
};

// A front camera on a canvas of 600 x 200; with a scale, looking at (cx, cy).
Camera front(double scale = 0, double cx = 0, double cy = 0)
{
    Camera c;
    c.left = 0;
    c.top = 0;
    c.right = 600;
    c.bottom = 200;
    if (scale > 0) c.scale = scale, c.centre[0] = cx, c.centre[1] = cy;
    return c;
}

DrawOptions without_grid(Style style, SelectMode mode = kSelectObjects)
{
    DrawOptions options;
    options.style = style;
    options.grid = false;
    options.mode = mode;
    return options;
}

// Where the model point (x, y, 0) falls on the canvas of the front camera C.
void on_canvas(const Camera &c, double x, double y, double &cx, double &cy)
{
    cx = (c.left + c.right) / 2 + c.scale * (x - c.centre[0]);
    cy = (c.top + c.bottom) / 2 - c.scale * (y - c.centre[1]);
}

struct Row {
    const char *flags;  // per object: h hidden, l locked, - neither
    SelectMode mode;
    const char *drawn;   // per object: whether its middle is drawn over the background
    const char *picked;  // what a click at each object's middle picks: its letter, or -
    const char *boxed;   // what a box over the whole canvas takes, in scene order
    double fit_centre;   // the x of the fitted camera's centre
};

TEST(View, HiddenAndLockedObjectsAreLeftOutWhereTheyCount)
{
    const Row rows[] = {
        {"---", kSelectObjects, "yyy", "abc", "abc", 3.5},   {"h--", kSelectObjects, "nyy", "-bc", "bc", 5},
        {"-h-", kSelectObjects, "ynn", "a--", "a", 0.5},  // c is hidden with its parent
        {"--h", kSelectSurfaces, "yyn", "ab-", "ab", 2},     {"l--", kSelectObjects, "yyy", "-bc", "bc", 3.5},
        {"-l-", kSelectVertices, "yyy", "a--", "aaaa", 3.5},  // c is locked with its parent
        {"-l-", kSelectSurfaces, "yyy", "a--", "a", 3.5},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.flags) + " mode " + std::to_string(static_cast<int>(row.mode)));
        Squares s;
        for (int k = 0; k < 3; ++k) {
            s.objects[k]->hidden = row.flags[k] == 'h';
            s.objects[k]->locked = row.flags[k] == 'l';
        }
        View view;
        view.sync(s.scene, nullptr);
        Camera fitted = front();
        ASSERT_TRUE(view.fit(fitted, false, row.mode));
        EXPECT_NEAR(fitted.centre[0], row.fit_centre, 1e-9);
        // Drawn with the camera that shows all three.
        Camera camera = front(70, 3.5, 0.5);
        const Image &image = view.draw(camera, without_grid(Style::shaded, row.mode));
        std::string drawn, picked, boxed;
        for (int k = 0; k < 3; ++k) {
            double x, y;
            on_canvas(camera, 3 * k + 0.5, 0.5, x, y);
            const std::uint32_t pixel =
                image.pixels[static_cast<std::size_t>(y) * image.width + static_cast<std::size_t>(x)];
            drawn += pixel != image.pixels[0] ? 'y' : 'n';
            const Hit hit = view.pick(row.mode, row.mode == kSelectVertices ? x - 0.5 * camera.scale : x,
                                      row.mode == kSelectVertices ? y + 0.5 * camera.scale : y, 4);
            picked += hit.object == nullptr ? '-' : hit.object->name[0];
        }
        const double everything[4] = {camera.left, camera.top, camera.right, camera.bottom};
        view.in_box(row.mode, everything, [&](Object &o, std::uint32_t) { boxed += o.name[0]; });
        EXPECT_EQ(drawn, row.drawn);
        EXPECT_EQ(picked, row.picked);
        EXPECT_EQ(boxed, row.boxed);
    }
}

// A box takes surfaces only with every corner inside, and vertices one by one.
TEST(View, BoxTakesWholeSurfacesAndSingleVertices)
{
    Squares s;
    View view;
    view.sync(s.scene, nullptr);
    Camera camera = front();
    view.fit(camera, false, kSelectObjects);
    view.draw(camera, DrawOptions{});
    double x0, y0, x1, y1;
    on_canvas(camera, -0.1, 1.1, x0, y0);  // around a whole
    on_canvas(camera, 3.5, -0.1, x1, y1);  // and the left half of b
    const double box[4] = {x0, y0, x1, y1};
    std::vector<std::string> taken;
    for (SelectMode mode : {kSelectObjects, kSelectSurfaces, kSelectVertices}) {
        std::string names;
        view.in_box(mode, box, [&](Object &o, std::uint32_t index) { names += o.name + std::to_string(index); });
        taken.push_back(names);
    }
    EXPECT_EQ(taken, (std::vector<std::string>{"a0b0", "a0", "a0a1a2a3b0b3"}));
}

}  // namespace

// Points at the centre's depth land where the scale puts them, in either
// projection; nearer ones spread out in perspective only, and a fit keeps
// every vertex in the viewport, where what lies nearer is drawn larger.
TEST(View, PointsLandWhereTheCameraPutsThemAndAFitKeepsThemIn)
{
    for (const bool perspective : {false, true}) {
        SCOPED_TRACE(perspective ? "perspective" : "orthographic");
        Squares s;
        s.objects[0]->add_vertex(1, 1, 1);  // before the square's top right corner, towards the viewer
        s.objects[2]->add_vertex(7, 1, 3);  // c's top right corner, brought nearer still
        View view;
        view.sync(s.scene, nullptr);
        Camera camera = front(100, 0.5, 0.5);
        camera.right = 400;
        camera.perspective = perspective;
        view.draw(camera, DrawOptions{});
        double x[3], y[3];
        for (std::uint32_t i : {0u, 2u, 4u}) ASSERT_TRUE(view.point(*s.objects[0], i, x[i / 2], y[i / 2]));
        EXPECT_NEAR(x[0], 150, 1e-3);
        EXPECT_NEAR(y[0], 150, 1e-3);
        EXPECT_NEAR(x[1], 250, 1e-3);
        EXPECT_NEAR(y[1], 50, 1e-3);
        EXPECT_EQ(x[2] > x[1] + 1 && y[2] < y[1] - 1, perspective);

        ASSERT_TRUE(view.fit(camera, false, kSelectObjects));
        view.draw(camera, DrawOptions{});
        double fx, fy;
        ASSERT_TRUE(view.point(*s.objects[2], 4, fx, fy));
        EXPECT_LE(fx, camera.right);
        EXPECT_GE(fy, camera.top);
    }
}

// A line (a surface of two vertices) shows in every style, surfaces or not.
TEST(View, LinesShowInEveryStyle)
{
    for (const Style style : {Style::wireframe, Style::shaded, Style::shaded_edges}) {
        standin::Scene scene;
        Object &line = scene.add_object("line");
        line.add_vertex(0, 0, 0);
        line.add_vertex(1, 0, 0);
        line.add_surface(std::vector<std::uint32_t>{0, 1});
        View view;
        view.sync(scene, nullptr);
        const Image &image = view.draw(front(100, 0.5), without_grid(style));
        const std::size_t middle = static_cast<std::size_t>(image.height / 2) * image.width + image.width / 2;
        EXPECT_NE(image.pixels[middle], image.pixels[0]) << static_cast<int>(style);
    }
}

// The view holds under 100 bytes a vertex of a sheet of 40,000, its image
// (8 bytes a pixel, and as many again for the spare) aside.
TEST(View, HoldsLittleMemoryAVertex)
{
    standin::Scene scene;
    Object &sheet = scene.add_object("sheet");
    for (int j = 0; j < 200; ++j)
        for (int i = 0; i < 200; ++i) sheet.add_vertex(float(i), std::sin(float(i) / 9), float(j));
    for (std::uint32_t a = 0; a < 199 * 200; ++a)
        if (a % 200 != 199) sheet.add_surface(std::vector<std::uint32_t>{a, a + 1, a + 201, a + 200});
    View view;
    view.sync(scene, nullptr);
    Camera camera = front();
    view.fit(camera, false, kSelectObjects);
    const Image &image = view.draw(camera, DrawOptions{});
    EXPECT_LT(double(view.memory() - 16 * image.pixels.size()) / 40000, 100);
}
