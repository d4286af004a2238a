// The command end to end against the stand-in's host, repeated on a warm
// scene, beside the wave floor of the speed harness (floor.h).  The harness
// (speed_bench) measures one cold run per process on a loaded model instead.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "floor.h"
#include "host.h"
#include "rilo.h"

using namespace standin;

namespace {

// n vertices spread over `objects` top-level objects, all selected.
void build_scene(long n, long objects)
{
    Host &h = host();
    h.reset_scene();
    h.echo = false;
    h.set_select_mode(kSelectObjects);
    const long per_object = n / objects;
    for (long o = 0; o < objects; ++o) {
        Object &object = h.scene().add_object("o" + std::to_string(o));
        for (long i = 0; i < per_object; ++i) {
            const float x = static_cast<float>(o * per_object + i) * 0.001f;
            object.add_vertex(x, std::cos(x), 0.5f);
        }
        h.select_object(object);
    }
}

void run_command()
{
    char name[] = "pjtrilo_go", x[] = "x", y[] = "y", f[] = "0.37", a[] = "0.25", off[] = "12", one[] = "1";
    char *argv[] = {name, x, y, f, a, off, one, one, nullptr};
    sine_deform_command(8, argv);
}

void command(benchmark::State &state, long objects)
{
    const long n = state.range(0);
    build_scene(n, objects);
    std::string undone;
    for (auto _ : state) {
        run_command();
        state.PauseTiming();
        host().undo_last(undone);
        host().clear(Record::Debug);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["ns_per_vertex"] =
        benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CommandOneObject(benchmark::State &state)
{
    command(state, 1);
}
void BM_CommandTenThousandObjects(benchmark::State &state)
{
    command(state, 10000);
}

// The same arithmetic over a plain array: the floor for any host (floor.h,
// as the speed harness's wave floor computes it).
void BM_ReferenceLoop(benchmark::State &state)
{
    const long n = state.range(0);
    std::vector<float> xyz;
    for (long i = 0; i < n; ++i) {
        const float x = static_cast<float>(i) * 0.001f;
        xyz.insert(xyz.end(), {x, std::cos(x), 0.5f});
    }
    for (auto _ : state) {
        floor_bench::apply_wave(floor_bench::Wave{}, xyz.data(), static_cast<size_t>(n));
        benchmark::DoNotOptimize(xyz.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["ns_per_vertex"] =
        benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_ReferenceLoop)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandOneObject)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandTenThousandObjects)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
