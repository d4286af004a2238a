// The host's large arrays and the scene's arena: every size is writable to
// its last byte, alignment holds, and giving memory back leaves no mapping
// (counted where no sanitizer's allocator maps memory of its own).
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "memory.h"

using namespace standin;

namespace {

size_t mappings()
{
    std::ifstream maps("/proc/self/maps");
    size_t n = 0;
    for (std::string line; std::getline(maps, line);) ++n;
    return n;
}

TEST(Memory, ArraysAndArenasGiveBackAllTheyTake)
{
    const size_t before = mappings();
    for (size_t n : {size_t{0}, size_t{1}, size_t{4095}, size_t{4} << 20, (size_t{4} << 20) + 1, size_t{12000000}}) {
        Array<char> a = unfilled_array<char>(n);
        if (n > 0) a[0] = a[n - 1] = 'x';
        Arena arena;
        for (size_t bytes : {size_t{24}, n, size_t{16}}) {
            auto *p = static_cast<char *>(arena.allocate(bytes, 16));
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u) << n;
            if (bytes > 0) p[0] = p[bytes - 1] = 'y';
            EXPECT_TRUE(arena.contains(p) || bytes == 0) << n;
        }
        EXPECT_FALSE(arena.contains(a.get())) << n;
    }
#if !defined(__SANITIZE_ADDRESS__)  // its allocator maps and unmaps memory of its own meanwhile
    EXPECT_EQ(mappings(), before);
#else
    (void)before;
#endif
}

}  // namespace
