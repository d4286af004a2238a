// The wave floor: the command's extent scan and displacement over the
// model's coordinates in one contiguous float array, read before the clock
// starts.  Prints the seconds taken and a checksum.
#include "floor.h"

int main(int argc, char **argv)
{
    if (argc != 2) floor_bench::fail("usage: floor_wave", "FILE.ac");
    floor_bench::VertexLines lines;
    {
        floor_bench::MappedFile file(argv[1]);
        lines = floor_bench::vertex_lines(file.text());
    }
    const auto start = std::chrono::steady_clock::now();
    if (!floor_bench::apply_wave(floor_bench::Wave{}, lines.xyz.data(), lines.xyz.size() / 3))
        floor_bench::fail("the wave leaves single precision on", argv[1]);
    const double seconds = floor_bench::seconds_since(start);
    double sum = 0;
    for (size_t i = 1; i < lines.xyz.size(); i += 3) sum += lines.xyz[i];
    std::printf("%.6f %zu %.17g\n", seconds, lines.xyz.size() / 3, sum);
    return 0;
}
