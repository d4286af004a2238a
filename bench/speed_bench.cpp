// The model-file job beside the least any program could do, in one run:
//
//   speed_bench [--sizes N,N,...] [--runs R] [--dir DIR] [--standin PATH] [--plugins DIR] [--no-osgconv]
//
// DIR (default: a temporary folder, removed at the end) keeps the models.
//
// For each size (vertices; default 10^4, 10^5, 10^6 and 4 x 10^6) it writes a
// model of objects of 100 vertices and 33 triangles, then runs R times each
// of: `standin apply` on it (wall time and peak resident memory), the three
// floors (floor_parse, floor_save, floor_wave, built beside this program),
// the command alone in a process of its own with the host's checks off and
// on (this program with --job), and `osgconv IN.ac OUT.ac` when installed.
// Every figure is the best of the R runs, with the spread (min..max) beside
// it; the ratios are taken between the best figures of the same run.
//
//   speed_bench --job IN.ac OUT.ac on|off
//
// loads IN, selects everything, runs pjtrilo_go with the job's parameters
// and the checks on or off, saves OUT, and prints the seconds of each step.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "acscene.h"
#include "host.h"
#include "rilo.h"
#include "selection.h"

namespace fs = std::filesystem;

namespace {

// The job's wave, as the floors compute it (floor.h).
const std::vector<std::string> kWave = {"--freq-axis", "x",           "--amp-axis", "y",        "--frequency",
                                        "0.37",        "--amplitude", "0.25",       "--offset", "12"};

[[noreturn]] void fail(const std::string &why)
{
    std::fprintf(stderr, "speed_bench: %s\n", why.c_str());
    std::exit(1);
}

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ---- the command alone, in this process ----

int run_job(const std::string &in, const std::string &out, bool strict)
{
    using namespace standin;
    Host &h = host();
    h.echo = false;
    h.strict = strict;
    auto start = std::chrono::steady_clock::now();
    load_scene(h, in);
    const double load = since(start);
    select_by_name(h, "all", {});
    const RegisteredCommand command{"pjtrilo_go", sine_deform_command, 7, AC_CMD_ARGV, "", ""};
    start = std::chrono::steady_clock::now();
    const CommandOutcome outcome = invoke_command(command, {"x", "y", "0.37", "0.25", "12", "1", "1"});
    const double run = since(start);
    if (outcome.refused) fail("the command refused: " + outcome.message);
    if (!h.misuse().empty()) fail("the host's rules were broken: " + h.misuse().front());
    start = std::chrono::steady_clock::now();
    save_scene(h, out);
    std::printf("%.6f %.6f %.6f\n", load, run, since(start));
    return 0;
}

// ---- child processes ----

struct Outcome {
    double seconds = 0;
    double peak = 0;  // maximum resident set, bytes
    std::string out;  // standard output
};

Outcome run(const std::vector<std::string> &argv, bool quiet = false)
{
    // What the run before wrote goes to disk first: otherwise its writing
    // back competes with this run's writes and sync, and a program is timed
    // by the one before it (osgconv's 44 MB before standin apply, say).
    ::sync();
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) fail("no pipe");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipe_ends[1], STDOUT_FILENO);
        ::close(pipe_ends[0]);
        if (quiet) std::freopen("/dev/null", "w", stderr);
        std::vector<char *> args;
        for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        _exit(127);
    }
    ::close(pipe_ends[1]);
    Outcome o;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
        o.out.append(buffer, static_cast<size_t>(n));
    ::close(pipe_ends[0]);
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(argv[0] + " failed on " + argv[1]);
    o.seconds = since(start);
    o.peak = static_cast<double>(usage.ru_maxrss) * 1024.0;
    return o;
}

// The numbers a child printed, in order.
std::vector<double> numbers(const std::string &text)
{
    std::istringstream in(text);
    return {std::istream_iterator<double>(in), std::istream_iterator<double>()};
}

// ---- the model ----

// OBJECTS objects of 100 vertices on a 10 x 10 grid each and 33 triangles,
// side by side, with coordinates of seven significant digits.
fs::path write_model(const fs::path &dir, long objects)
{
    const fs::path path = dir / ("model-" + std::to_string(objects * 100) + ".ac");
    std::ofstream out(path, std::ios::binary);
    out << "AC3Db\nMATERIAL \"grey\" rgb 0.8 0.8 0.8  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  "
           "trans 0\nOBJECT world\nkids "
        << objects << "\n";
    char line[128];
    for (long o = 0; o < objects; ++o) {
        out << "OBJECT poly\nname \"part" << o << "\"\nnumvert 100\n";
        const double ox = static_cast<double>(o % 100) * 1.5, oz = static_cast<double>(o / 100) * 1.5;
        for (int i = 0; i < 100; ++i) {
            const double x = ox + (i % 10) * 0.1 + 0.0001 * (o % 7), z = oz + (i / 10) * 0.1;
            const double y = 0.25 * std::sin(x * 0.7) * std::cos(z * 0.3);
            out.write(line, std::snprintf(line, sizeof line, "%.7g %.7g %.7g\n", x, y, z));
        }
        out << "numsurf 33\n";
        for (int t = 0; t < 33; ++t) {
            const int a = (3 * t) % 89, b = a + 1, c = a + 11;
            out.write(line,
                      std::snprintf(line, sizeof line,
                                    "SURF 0x10\nmat 0\nrefs 3\n%d 0.25 0.25\n%d 0.5 0.25\n%d 0.5 0.5\n", a, b, c));
        }
        out << "kids 0\n";
    }
    if (!out.flush()) fail("cannot write " + path.string());
    return path;
}

// ---- the figures ----

struct Figure {
    std::vector<double> runs;
    void add(double v) { runs.push_back(v); }
    double best() const { return *std::min_element(runs.begin(), runs.end()); }
    double worst() const { return *std::max_element(runs.begin(), runs.end()); }
    bool empty() const { return runs.empty(); }
};

// Everything measured on one model.
struct Sizes {
    long vertices = 0;
    double file = 0;
    std::map<std::string, Figure> f;  // apply, apply_peak, parse, save, wave, off, on, load, store, osgconv, osg_peak
};

struct Settings {
    std::vector<long> sizes{10000, 100000, 1000000, 4000000};
    int runs = 3;
    fs::path dir, bin, standin, plugins;
    bool osgconv = true;
};

void measure_once(const Settings &s, const fs::path &model, Sizes &m, int repetition)
{
    const std::string in = model.string(), out = (s.dir / "out.ac").string();
    std::vector<std::string> apply{s.standin.string(), "--plugins", s.plugins.string(), "apply", in, out};
    apply.insert(apply.end(), kWave.begin(), kWave.end());
    const Outcome a = run(apply);
    m.f["apply"].add(a.seconds);
    m.f["apply_peak"].add(a.peak);
    m.f["parse"].add(numbers(run({(s.bin / "floor_parse").string(), in}).out).at(0));
    m.f["save"].add(numbers(run({(s.bin / "floor_save").string(), in, (s.dir / "floor.ac").string()}).out).at(0));
    m.f["wave"].add(numbers(run({(s.bin / "floor_wave").string(), in}).out).at(0));
    // The two command runs take turns at going first: on a virtual machine
    // the first process to take fresh memory after others gave theirs back
    // can pay several times as much for it.
    const bool off_first = repetition % 2 == 0;
    for (const char *checks : {off_first ? "off" : "on", off_first ? "on" : "off"}) {
        const fs::path job_out = s.dir / (std::string("job-") + checks + ".ac");
        const std::vector<double> job =
            numbers(run({(s.bin / "speed_bench").string(), "--job", in, job_out.string(), checks}).out);
        m.f[checks].add(job.at(1));
        m.f["load"].add(job.at(0));
        m.f["store"].add(job.at(2));
        if (std::system(("cmp -s '" + job_out.string() + "' '" + out + "'").c_str()) != 0)
            fail("the command in this process and standin apply wrote different files");
    }
    if (s.osgconv) {
        const Outcome o = run({"osgconv", in, (s.dir / "osg.ac").string()}, true);
        m.f["osgconv"].add(o.seconds);
        m.f["osg_peak"].add(o.peak);
    }
}

std::string spread(const Figure &f, double scale, const char *format)
{
    char text[96];
    std::snprintf(text, sizeof text, format, f.best() * scale, f.best() * scale, f.worst() * scale);
    return text;
}

void print_figures(const Sizes &m)
{
    const double n = static_cast<double>(m.vertices);
    auto ms = [&](const char *key, const char *label) {
        const Figure &f = m.f.at(key);
        std::printf("  %-34s %s  (%.0f ns/vertex)\n", label, spread(f, 1e3, "%9.1f ms [%.1f..%.1f]").c_str(),
                    f.best() * 1e9 / n);
    };
    std::printf("\n%ld vertices, %ld objects, file %.1f MB; best of %zu [min..max]\n", m.vertices, m.vertices / 100,
                m.file / 1e6, m.f.at("apply").runs.size());
    ms("apply", "standin apply");
    ms("parse", "floor: parse (from_chars)");
    ms("save", "floor: save (to_chars, write, fsync)");
    ms("wave", "floor: wave (float array)");
    ms("off", "pjtrilo_go, checks off");
    ms("on", "pjtrilo_go, checks on");
    ms("load", "load_scene (in process)");
    ms("store", "save_scene (in process)");
    std::printf("  %-34s %s  (%.0f bytes/vertex)\n", "peak memory of standin apply",
                spread(m.f.at("apply_peak"), 1.0 / (1 << 20), "%9.1f MiB [%.1f..%.1f]").c_str(),
                m.f.at("apply_peak").best() / n);
    if (m.f.count("osgconv")) {
        ms("osgconv", "osgconv IN.ac OUT.ac");
        std::printf("  %-34s %s\n", "peak memory of osgconv",
                    spread(m.f.at("osg_peak"), 1.0 / (1 << 20), "%9.1f MiB [%.1f..%.1f]").c_str());
    }
}

void print_ratios(const std::vector<Sizes> &all)
{
    std::printf("\nratios of the best figures (targets: apply/floors <= 1.25, peak/file <= 3, off/wave <= 2, "
                "on/off <= 1.1)\n%10s %9s %13s %10s %10s %8s %14s %14s\n",
                "vertices", "file MB", "apply/floors", "peak/file", "off/wave", "on/off", "osgconv/apply",
                "osg peak/file");
    for (const Sizes &m : all) {
        auto best = [&](const char *key) { return m.f.at(key).best(); };
        const double floors = best("parse") + best("save") + best("wave");
        std::printf("%10ld %9.1f %12.2fx %9.2fx %9.2fx %7.2fx", m.vertices, m.file / 1e6, best("apply") / floors,
                    best("apply_peak") / m.file, best("off") / best("wave"), best("on") / best("off"));
        if (m.f.count("osgconv")) {
            std::printf(" %13.2fx %13.2fx\n", best("osgconv") / best("apply"), best("osg_peak") / m.file);
        } else {
            std::printf(" %14s %14s\n", "-", "-");
        }
    }
}

std::vector<long> parse_sizes(const std::string &text)
{
    std::vector<long> sizes;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, ',');) {
        const long n = std::lround(std::stod(word));
        if (n < 100 || n % 100 != 0) fail("a size is a whole number of 100-vertex objects: " + word);
        sizes.push_back(n);
    }
    return sizes;
}

Settings parse_settings(int argc, char **argv)
{
    Settings s;
    s.bin = fs::absolute(argv[0]).parent_path();
    s.standin = s.bin / "standin";
    s.plugins = s.bin;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valued = i + 1 < argc;
        if (arg == "--sizes" && valued)
            s.sizes = parse_sizes(argv[++i]);
        else if (arg == "--runs" && valued)
            s.runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--dir" && valued)
            s.dir = argv[++i];
        else if (arg == "--standin" && valued)
            s.standin = argv[++i];
        else if (arg == "--plugins" && valued)
            s.plugins = argv[++i];
        else if (arg == "--no-osgconv")
            s.osgconv = false;
        else
            fail("unknown option " + arg);
    }
    return s;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::string(argv[1]) == "--job") return run_job(argv[2], argv[3], std::string(argv[4]) == "on");
    Settings s = parse_settings(argc, argv);
    const bool own_dir = s.dir.empty();
    if (own_dir) s.dir = fs::temp_directory_path() / ("speed_bench_" + std::to_string(::getpid()));
    fs::create_directories(s.dir);
    if (s.osgconv && std::system("command -v osgconv >/dev/null 2>&1") != 0) {
        std::printf("osgconv is not installed: its columns are left out\n");
        s.osgconv = false;
    }
    std::vector<Sizes> all;
    for (long vertices : s.sizes) {
        Sizes m;
        m.vertices = vertices;
        const fs::path model = write_model(s.dir, vertices / 100);
        m.file = static_cast<double>(fs::file_size(model));
        for (int r = 0; r < s.runs; ++r) measure_once(s, model, m, r);
        print_figures(m);
        std::fflush(stdout);
        all.push_back(std::move(m));
        if (own_dir) fs::remove(model);  // a folder given keeps its models for profiling
    }
    print_ratios(all);
    if (own_dir) fs::remove_all(s.dir);
    return 0;
}
