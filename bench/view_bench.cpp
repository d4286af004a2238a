// The main window's view: projecting and culling a model for the canvas, as
// each step of an orbit does, and copying nothing else.  The model is a
// rippled sheet of quads, about as many vertices as the benchmark's size.
#include <benchmark/benchmark.h>

#include <cmath>

#include "view.h"

namespace {

ViewModel sheet(std::uint32_t side)
{
    ViewModel m;
    m.parts.push_back({1, 0, 0});
    for (std::uint32_t j = 0; j < side; ++j) {
        for (std::uint32_t i = 0; i < side; ++i) {
            m.xyz.insert(m.xyz.end(),
                         {i / 100.0f, static_cast<float>(std::sin(i / 20.0) * std::cos(j / 25.0)), j / 100.0f});
        }
    }
    m.surface_first.push_back(0);
    for (std::uint32_t j = 0; j + 1 < side; ++j) {
        for (std::uint32_t i = 0; i + 1 < side; ++i) {
            const std::uint32_t a = j * side + i;
            m.surface_refs.insert(m.surface_refs.end(), {a, a + 1, a + side + 1, a + side});
            m.surface_first.push_back(static_cast<std::uint32_t>(m.surface_refs.size()));
        }
    }
    for (std::uint32_t j = 0; j < side; ++j) {
        for (std::uint32_t i = 0; i < side; ++i) {
            const std::uint32_t a = j * side + i;
            if (i + 1 < side) m.edges.insert(m.edges.end(), {a, a + 1});
            if (j + 1 < side) m.edges.insert(m.edges.end(), {a, a + side});
        }
    }
    m.edge_selected.assign(m.edges.size() / 2, 0);
    m.vertex_selected.assign(m.vertex_count(), 0);
    return m;
}

Camera window_camera(const ViewModel &m)
{
    Camera c;
    c.azimuth = -35;
    c.elevation = 25;
    c.left = 10;
    c.top = 28;
    c.right = 670;
    c.bottom = 550;
    return fit_camera(m, c);
}

// One orbit step: the camera turns a little and the model is projected again.
void ViewOrbit(benchmark::State &state)
{
    const ViewModel model = sheet(static_cast<std::uint32_t>(std::lround(std::sqrt(state.range(0)))));
    Camera camera = window_camera(model);
    camera.grain = static_cast<int>(state.range(1));
    Projector projector;
    std::size_t points = 0;
    for (auto _ : state) {
        camera.azimuth += 1;
        const Drawing &d = projector.project(model, camera);
        points = d.lines.size() / 2;
        benchmark::DoNotOptimize(d.lines.data());
    }
    state.counters["vertices"] = model.vertex_count();
    state.counters["points drawn"] = static_cast<double>(points);
}

// Fitting the camera, as opening a model or pressing F does.
void ViewFit(benchmark::State &state)
{
    const ViewModel model = sheet(static_cast<std::uint32_t>(std::lround(std::sqrt(state.range(0)))));
    for (auto _ : state) benchmark::DoNotOptimize(window_camera(model).scale);
}

}  // namespace

// The second argument is the grain: 1 at rest, 3 while the view moves.
BENCHMARK(ViewOrbit)->ArgsProduct({{10000, 100000, 1000000}, {1, 3}})->Unit(benchmark::kMillisecond);
BENCHMARK(ViewFit)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
