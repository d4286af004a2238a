// The main window's view at 10^6 vertices: a drawing in each style as each
// step of an orbit makes it, a pick, a box selection, following the scene,
// and the bytes the view holds a vertex.  The model is a rippled sheet of
// quads, 10^6 vertices in one object or in 1000.
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>

#include "scene.h"
#include "view.h"

namespace {

// A rippled sheet of quads: one object of 1000 x 1000 vertices, or 1000
// objects of 32 x 32 (40 x 25 of them, edge to edge).
standin::Scene sheet(std::int64_t objects)
{
    const std::uint32_t side = objects == 1 ? 1000 : 32, across = objects == 1 ? 1 : 40;
    standin::Scene scene;
    for (std::uint32_t t = 0; t < static_cast<std::uint32_t>(objects); ++t) {
        Object &o = scene.add_object("tile");
        o.reserve(std::size_t{side} * side, std::size_t{side - 1} * (side - 1));
        const std::uint32_t column0 = (t % across) * (side - 1), row0 = (t / across) * (side - 1);
        for (std::uint32_t j = 0; j < side; ++j) {
            for (std::uint32_t i = 0; i < side; ++i) {
                const std::uint32_t column = column0 + i, row = row0 + j;
                o.add_vertex(column / 100.0f, static_cast<float>(std::sin(column / 20.0) * std::cos(row / 25.0)),
                             row / 100.0f);
            }
        }
        for (std::uint32_t j = 0; j + 1 < side; ++j) {
            for (std::uint32_t i = 0; i + 1 < side; ++i) {
                const std::uint32_t a = j * side + i;
                const std::uint32_t refs[] = {a, a + 1, a + side + 1, a + side};
                o.add_surface(std::span<const std::uint32_t>(refs));
            }
        }
    }
    return scene;
}

// The window's camera at its default size, fitted to the model.
Camera window_camera(View &view)
{
    Camera c;
    c.azimuth = -35;
    c.elevation = 25;
    c.left = 10;
    c.top = 28;
    c.right = 720;
    c.bottom = 570;
    view.fit(c, false, standin::kSelectObjects);
    return c;
}

struct Fixture {
    standin::Scene scene;
    View view;
    Camera camera;
    explicit Fixture(std::int64_t objects) : scene(sheet(objects))
    {
        view.sync(scene, nullptr);
        camera = window_camera(view);
    }
};

// One orbit step: the camera turns a little and the model is drawn again.
// Arguments: the style (0 wireframe, 1 shaded, 2 shaded with edges), the
// objects, the grain (1 at rest).
void ViewDraw(benchmark::State &state)
{
    Fixture f(state.range(1));
    DrawOptions options;
    options.style = static_cast<Style>(state.range(0));
    f.camera.grain = static_cast<int>(state.range(2));
    // The time of both threads, which the benchmark's own CPU time (its
    // thread's) leaves out.
    const std::clock_t start = std::clock();
    for (auto _ : state) {
        f.camera.azimuth += 1;
        f.view.sync(f.scene, nullptr);
        benchmark::DoNotOptimize(f.view.draw(f.camera, options).pixels.data());
    }
    state.counters["process CPU ms"] =
        1e3 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / static_cast<double>(state.iterations());
    std::size_t vertices = 0;
    f.scene.for_each_object([&](const Object &o) { vertices += o.vertices.size(); });
    state.counters["view bytes/vertex"] = static_cast<double>(f.view.memory()) / static_cast<double>(vertices);
}

// The selection modes, by the benchmarks' first argument.
constexpr standin::SelectMode kModes[] = {standin::kSelectObjects, standin::kSelectSurfaces, standin::kSelectVertices};

// A click: what lies under the middle of the view, in each mode.
void ViewPick(benchmark::State &state)
{
    Fixture f(state.range(1));
    f.view.draw(f.camera, DrawOptions{});
    const standin::SelectMode mode = kModes[state.range(0)];
    const double x = (f.camera.left + f.camera.right) / 2, y = (f.camera.top + f.camera.bottom) / 2;
    for (auto _ : state) benchmark::DoNotOptimize(f.view.pick(mode, x, y, 6).object);
}

// A box over the middle quarter of the view, in each mode.
void ViewBox(benchmark::State &state)
{
    Fixture f(state.range(1));
    f.view.draw(f.camera, DrawOptions{});
    const standin::SelectMode mode = kModes[state.range(0)];
    const double box[4] = {f.camera.left + 200, f.camera.top + 150, f.camera.right - 200, f.camera.bottom - 150};
    std::size_t taken = 0;
    for (auto _ : state) {
        taken = 0;
        f.view.in_box(mode, box, [&](Object &, std::uint32_t) { ++taken; });
    }
    state.counters["taken"] = static_cast<double>(taken);
}

// Following the scene: at once when nothing changed, and after a new scene
// (every object's edges made again).
void ViewSync(benchmark::State &state)
{
    Fixture f(state.range(1));
    for (auto _ : state) {
        if (state.range(0) != 0) {
            state.PauseTiming();
            f.view = View{};
            state.ResumeTiming();
        }
        f.view.sync(f.scene, nullptr);
    }
}

}  // namespace

BENCHMARK(ViewDraw)->ArgsProduct({{0, 1, 2}, {1, 1000}, {1}})->Unit(benchmark::kMillisecond);
BENCHMARK(ViewDraw)->ArgsProduct({{2}, {1}, {2}})->Unit(benchmark::kMillisecond);
BENCHMARK(ViewPick)->ArgsProduct({{0, 1, 2}, {1, 1000}})->Unit(benchmark::kMillisecond);
BENCHMARK(ViewBox)->ArgsProduct({{0, 1, 2}, {1}})->Unit(benchmark::kMillisecond);
BENCHMARK(ViewSync)->ArgsProduct({{0, 1}, {1, 1000}})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
