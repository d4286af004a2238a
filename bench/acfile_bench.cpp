// Load and save speed of the .ac reader and writer, against `osgconv IN.ac
// OUT.ac` (OpenSceneGraph) on the same files, and peak memory of each.
//
//   acfile_bench [--benchmark_filter=...]
//
// Models: the largest sample model (m2000-panel-largest.ac) and a generated
// model of 1,000,000 vertices. Peak memory is measured on a process of its
// own: ac-resave (built beside this program) for the reader and writer, and
// osgconv. After the runs a summary gives the time ratio to osgconv and the
// peak resident memory as a multiple of the file size.
#include "acfile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path work_dir()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("acfile_bench_" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// A wavy sheet in four objects of 500 x 500 vertices, one quad per cell.
fs::path generated_model()
{
    static const fs::path path = [] {
        const fs::path p = work_dir() / "generated-1m.ac";
        std::FILE *f = std::fopen(p.c_str(), "w");
        if (!f) throw std::runtime_error("cannot write " + p.string());
        const int n = 500;
        std::fprintf(f, "AC3Db\nMATERIAL \"sheet\" rgb 0.8 0.8 0.8  amb 0.2 0.2 0.2  emis 0 0 0  "
                        "spec 0.5 0.5 0.5  shi 10  trans 0\nOBJECT world\nkids 4\n");
        for (int o = 0; o < 4; ++o) {
            std::fprintf(f, "OBJECT poly\nname \"sheet%d\"\nloc %d 0 0\ncrease 30.000000\nnumvert %d\n", o, o * 10,
                         n * n);
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) {
                    const double x = i * 0.02, z = j * 0.02;
                    std::fprintf(f, "%.6g %.6g %.6g\n", x, 0.25 * std::sin(x * 3 + o) * std::cos(z * 2), z);
                }
            std::fprintf(f, "numsurf %d\n", (n - 1) * (n - 1));
            for (int i = 0; i + 1 < n; ++i)
                for (int j = 0; j + 1 < n; ++j) {
                    const int a = i * n + j;
                    std::fprintf(f,
                                 "SURF 0x10\nmat 0\nrefs 4\n%d %.4g %.4g\n%d %.4g %.4g\n%d %.4g %.4g\n%d %.4g %.4g\n",
                                 a, i / 499.0, j / 499.0, a + n, (i + 1) / 499.0, j / 499.0, a + n + 1, (i + 1) / 499.0,
                                 (j + 1) / 499.0, a + 1, i / 499.0, (j + 1) / 499.0);
                }
            std::fprintf(f, "kids 0\n");
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

fs::path largest_sample()
{
    return fs::path(RILO_MODELS_DIR) / "m2000-panel-largest.ac";
}

fs::path model(int which)
{
    return which == 0 ? largest_sample() : generated_model();
}
const char *model_name(int which)
{
    return which == 0 ? "largest sample" : "generated 1M vertices";
}

bool have_osgconv()
{
    return std::system("command -v osgconv >/dev/null 2>&1") == 0;
}

fs::path resave_tool;  // ac-resave, built beside this program

// Runs PROGRAM IN OUT; returns its exit status and sets its peak resident set.
int run(const char *program, const fs::path &in, const fs::path &out, long *peak = nullptr)
{
    pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execlp(program, program, in.c_str(), out.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (::wait4(pid, &status, 0, &ru) != pid) return -1;
    if (peak) *peak = ru.ru_maxrss * 1024L;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Peak memory of loading and saving `in` in a process of its own.
long acfile_peak(const fs::path &in, const fs::path &out)
{
    long peak = -1;
    if (run(resave_tool.c_str(), in, out, &peak) != 0) return -1;
    return peak;
}

// Peak memory of the same process on an empty model: what any run costs.
long baseline_peak()
{
    static const long peak = [] {
        const fs::path empty = work_dir() / "empty.ac";
        std::FILE *f = std::fopen(empty.c_str(), "w");
        if (!f) return -1L;
        std::fputs("AC3Db\nOBJECT world\nkids 0\n", f);
        std::fclose(f);
        return acfile_peak(empty, work_dir() / "empty-out.ac");
    }();
    return peak;
}

int run_osgconv(const fs::path &in, const fs::path &out, long *peak = nullptr)
{
    return run("osgconv", in, out, peak);
}

struct Result {
    double seconds = 0;
    long peak = 0;
};
std::map<std::string, Result> results;  // "acfile 0", "osgconv 1", ...

void BM_AcfileLoadSave(benchmark::State &state)
{
    const int which = static_cast<int>(state.range(0));
    const fs::path in = model(which);
    if (!fs::exists(in)) {
        state.SkipWithError("model missing");
        return;
    }
    const fs::path out = work_dir() / ("acfile-out-" + std::to_string(which) + ".ac");
    ac::ReadOptions ro;
    ro.progress = false;
    ac::WriteOptions wo;
    wo.progress = false;
    double load = 0, save = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        ac::Model m = ac::read_file(in.string(), ro);
        auto t1 = std::chrono::steady_clock::now();
        ac::write_file(m, out.string(), wo);
        auto t2 = std::chrono::steady_clock::now();
        load += std::chrono::duration<double>(t1 - t0).count();
        save += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    const double size = static_cast<double>(fs::file_size(in));
    const long peak = acfile_peak(in, out);
    state.counters["load_s"] = load / n;
    state.counters["save_s"] = save / n;
    state.counters["file_MiB"] = size / (1 << 20);
    state.counters["peak_rss_MiB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["rss_per_file"] = static_cast<double>(peak) / size;
    state.counters["net_rss_per_file"] = static_cast<double>(peak - baseline_peak()) / size;
    state.SetBytesProcessed(static_cast<std::int64_t>(size * n));
    state.SetLabel(model_name(which));
    results["acfile " + std::to_string(which)] = {(load + save) / n, peak};
}

void BM_OsgconvLoadSave(benchmark::State &state)
{
    const int which = static_cast<int>(state.range(0));
    const fs::path in = model(which);
    if (!have_osgconv()) {
        state.SkipWithError("osgconv not found");
        return;
    }
    if (!fs::exists(in)) {
        state.SkipWithError("model missing");
        return;
    }
    const fs::path out = work_dir() / ("osgconv-out-" + std::to_string(which) + ".ac");
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        if (run_osgconv(in, out) != 0) {
            state.SkipWithError("osgconv failed");
            return;
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double n = static_cast<double>(state.iterations());
    const double size = static_cast<double>(fs::file_size(in));
    long osg_peak = 0;
    run_osgconv(in, out, &osg_peak);
    state.counters["file_MiB"] = size / (1 << 20);
    state.counters["peak_rss_MiB"] = static_cast<double>(osg_peak) / (1 << 20);
    state.counters["rss_per_file"] = static_cast<double>(osg_peak) / size;
    state.SetBytesProcessed(static_cast<std::int64_t>(size * n));
    state.SetLabel(model_name(which));
    results["osgconv " + std::to_string(which)] = {total / n, osg_peak};
}

BENCHMARK(BM_AcfileLoadSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OsgconvLoadSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char **argv)
{
    resave_tool = fs::absolute(fs::path(argv[0])).parent_path() / "ac-resave";
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\n%-24s %9s %10s %10s %9s %9s %10s %12s\n", "model", "file MiB", "acfile s", "osgconv s", "speed-up",
                "peak MiB", "peak/file", "(net)/file");
    for (int which = 0; which < 2; ++which) {
        auto a = results.find("acfile " + std::to_string(which));
        auto o = results.find("osgconv " + std::to_string(which));
        if (a == results.end()) continue;
        const double size = static_cast<double>(fs::file_size(model(which)));
        const double osg = o == results.end() ? 0 : o->second.seconds;
        const double peak = static_cast<double>(a->second.peak);
        std::printf("%-24s %9.1f %10.3f %10.3f %8.1fx %9.1f %10.2f %12.2f\n", model_name(which), size / (1 << 20),
                    a->second.seconds, osg, osg > 0 ? osg / a->second.seconds : 0.0, peak / (1 << 20), peak / size,
                    (peak - static_cast<double>(baseline_peak())) / size);
    }
    std::error_code ec;
    fs::remove_all(work_dir(), ec);
    return 0;
}
