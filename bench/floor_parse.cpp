// The parse floor: every number of a model file read with std::from_chars
// straight from the mapped file.  Prints the seconds taken and what it read.
#include "floor.h"

int main(int argc, char **argv)
{
    if (argc != 2) floor_bench::fail("usage: floor_parse", "FILE.ac");
    const auto start = std::chrono::steady_clock::now();
    floor_bench::MappedFile file(argv[1]);
    const std::string_view text = file.text();
    const char *p = text.data(), *end = p + text.size();
    double sum = 0;
    size_t numbers = 0;
    while (p < end) {
        const char c = *p;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
            float value = 0;
            const auto r = std::from_chars(p, end, value);
            if (r.ec == std::errc()) {
                sum += value;
                ++numbers;
            }
            p = r.ptr > p ? r.ptr : p + 1;
        }
        while (p < end && *p != ' ' && *p != '\n') ++p;  // the rest of a word: names, keywords
        while (p < end && (*p == ' ' || *p == '\n')) ++p;
    }
    std::printf("%.6f %zu %g\n", floor_bench::seconds_since(start), numbers, sum);
    return 0;
}
