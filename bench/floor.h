// What the floors share: a model file mapped read-only, the coordinates of
// its vertex lines, the wave's arithmetic over a contiguous array, a clock.
//
// The floors are the least any program could do for each step of the model
// file job; the speed harness sets the job's time beside their sum.
#ifndef RILO_BENCH_FLOOR_H
#define RILO_BENCH_FLOOR_H

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace floor_bench {

[[noreturn]] inline void fail(const char *what, const char *path)
{
    std::fprintf(stderr, "%s: %s\n", what, path);
    std::exit(1);
}

class MappedFile {
public:
    explicit MappedFile(const char *path)
    {
        const int fd = ::open(path, O_RDONLY);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) fail("cannot open", path);
        size_ = static_cast<size_t>(st.st_size);
        void *p = size_ ? ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0) : nullptr;
        ::close(fd);
        if (p == MAP_FAILED) fail("cannot map", path);
        data_ = static_cast<const char *>(p);
    }
    ~MappedFile()
    {
        if (data_) ::munmap(const_cast<char *>(data_), size_);
    }
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;
    std::string_view text() const { return {data_, size_}; }

private:
    const char *data_ = nullptr;
    size_t size_ = 0;
};

inline double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The vertex lines of a model: every "numvert N" is followed by N lines of
// three numbers.  XYZ gets the coordinates, RUNS the byte range of each block
// of vertex lines and how many vertices it holds.
struct VertexLines {
    struct Run {
        size_t from, to, vertices;
    };
    std::vector<float> xyz;
    std::vector<Run> runs;
};

inline VertexLines vertex_lines(std::string_view text)
{
    VertexLines out;
    const std::string_view key = "\nnumvert ";
    for (size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at)) {
        at += key.size();
        unsigned long count = 0;
        const char *p = std::from_chars(text.data() + at, text.data() + text.size(), count).ptr;
        p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(text.data() + text.size() - p))) + 1;
        const size_t start = static_cast<size_t>(p - text.data());
        for (unsigned long i = 0; i < 3 * count; ++i) {
            while (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t') ++p;
            float value = 0;
            p = std::from_chars(p, text.data() + text.size(), value).ptr;
            out.xyz.push_back(value);
        }
        p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(text.data() + text.size() - p))) + 1;
        at = static_cast<size_t>(p - text.data()) - 1;
        out.runs.push_back({start, at + 1, count});
    }
    return out;
}

// The job's wave: frequency along x, amplitude along y, additive, cycles per
// model unit, with the command's arithmetic (command/displace.cpp): every
// single-precision result computed in double and rounded once.
struct Wave {
    float frequency = 0.37f;
    float amplitude = 0.25f;
    float offset = static_cast<float>(12.0 * static_cast<double>(0.01f));  // "12" hundredths of a cycle
};

// The extent scan and the displacement over N interleaved x y z triples.
// Returns false where the command would refuse the result.
inline bool apply_wave(const Wave &wave, float *xyz, size_t n)
{
    if (n == 0) return false;
    const float degree = static_cast<float>(3.14159265358979323846 / 180.0);
    float lo = xyz[0], hi = xyz[0];
    double largest = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const float f = xyz[3 * i];
        lo = f < lo ? f : lo;
        hi = f > hi ? f : hi;
        largest = std::fmax(largest, std::fabs(static_cast<double>(xyz[3 * i + 1])));
    }
    if (!std::isfinite(static_cast<float>(static_cast<double>(hi) - lo))) return false;
    if (!(largest + std::fabs(static_cast<double>(wave.amplitude)) <= 3.4028234663852886e38)) return false;
    const double amplitude = wave.amplitude;
    for (size_t i = 0; i < n; ++i) {
        const float d = static_cast<float>(static_cast<double>(xyz[3 * i]) - static_cast<double>(lo));
        const double turns =
            static_cast<double>(d) * static_cast<double>(wave.frequency) + static_cast<double>(wave.offset);
        const double w = amplitude * std::sin(turns * 360.0 * static_cast<double>(degree));
        xyz[3 * i + 1] = static_cast<float>(static_cast<double>(xyz[3 * i + 1]) + w);
    }
    return true;
}

}  // namespace floor_bench

#endif
