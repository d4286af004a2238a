// The save floor: the model file written again with every coordinate
// formatted by std::to_chars (shortest form) and the rest copied, then
// synced to disk.  The coordinates are read before the clock starts.
#include "floor.h"

int main(int argc, char **argv)
{
    if (argc != 3) floor_bench::fail("usage: floor_save", "IN.ac OUT.ac");
    floor_bench::MappedFile file(argv[1]);
    const std::string_view text = file.text();
    const floor_bench::VertexLines lines = floor_bench::vertex_lines(text);

    const auto start = std::chrono::steady_clock::now();
    std::vector<char> out(text.size() + lines.xyz.size() * 16);
    char *o = out.data();
    size_t copied = 0, k = 0;
    for (const auto &run : lines.runs) {
        o = std::copy(text.data() + copied, text.data() + run.from, o);
        for (size_t end = k + 3 * run.vertices; k < end; ++k) {
            o = std::to_chars(o, o + 16, lines.xyz[k]).ptr;
            *o++ = k % 3 == 2 ? '\n' : ' ';
        }
        copied = run.to;
    }
    o = std::copy(text.data() + copied, text.data() + text.size(), o);
    const int fd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) floor_bench::fail("cannot write", argv[2]);
    for (const char *p = out.data(); p < o;) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(o - p));
        if (n <= 0) floor_bench::fail("cannot write", argv[2]);
        p += n;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) floor_bench::fail("cannot sync", argv[2]);
    std::printf("%.6f %zu\n", floor_bench::seconds_since(start), static_cast<size_t>(o - out.data()));
    return 0;
}
