// ac-resave IN OUT: reads a model and writes it back; prints its counts.
#include "acfile.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: ac-resave IN.ac OUT.ac\n");
        return 2;
    }
    try {
        ac::Model m = ac::read_file(argv[1]);
        ac::write_file(m, argv[2]);
        ac::Counts c = ac::count(m);
        std::printf("objects %zu vertices %zu surfaces %zu refs %zu\n", c.objects, c.vertices, c.surfaces, c.refs);
    } catch (const ac::Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
