// The command end to end against the stand-in's host, beside a reference
// loop that applies the same formula to a contiguous float array.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

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
    state.counters["ns_per_vertex"] = benchmark::Counter(
        static_cast<double>(n) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CommandOneObject(benchmark::State &state) { command(state, 1); }
void BM_CommandTenThousandObjects(benchmark::State &state) { command(state, 10000); }

// The same arithmetic over a plain array: the floor for any host.
void BM_ReferenceLoop(benchmark::State &state)
{
    const long n = state.range(0);
    std::vector<float> xs(static_cast<size_t>(n)), ys(static_cast<size_t>(n));
    for (long i = 0; i < n; ++i) {
        xs[static_cast<size_t>(i)] = static_cast<float>(i) * 0.001f;
        ys[static_cast<size_t>(i)] = std::cos(xs[static_cast<size_t>(i)]);
    }
    const float frequency = 0.37f, amplitude = 0.25f, offset = 0.12f;
    const float degree = static_cast<float>(3.14159265358979323846 / 180.0);
    for (auto _ : state) {
        float lo = xs[0];
        for (float x : xs) lo = x < lo ? x : lo;
        for (size_t i = 0; i < xs.size(); ++i) {
            const float d = static_cast<float>(static_cast<double>(xs[i]) - lo);
            const double turns = static_cast<double>(d) * frequency + offset;
            ys[i] = static_cast<float>(ys[i] + amplitude * std::sin(turns * 360.0 * static_cast<double>(degree)));
        }
        benchmark::DoNotOptimize(ys.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["ns_per_vertex"] = benchmark::Counter(
        static_cast<double>(n) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_ReferenceLoop)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandOneObject)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandTenThousandObjects)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
