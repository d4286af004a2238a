// Coordinates compared bit for bit, since floating point is behaviour: -0
// differs from 0 and a NaN equals itself; one by one, or many at once by a
// digest of their bits. Header only, so that the stand-in's scene compares
// as the library does without linking it.
#pragma once

#include <bit>
#include <cstdint>

namespace ac {

inline bool same_bits(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// A point: any record with floats x, y and z, the library's vertex and the
// host's alike.
template <class Point>
bool same_bits(const Point &a, const Point &b)
{
    return same_bits(a.x, b.x) && same_bits(a.y, b.y) && same_bits(a.z, b.z);
}

// The term of point P at place INDEX in a digest of positions, which is the
// sum of its points' terms (so that they may be added in any order). Each
// step maps different words to different words (a product by an odd number,
// a shift folded in by xor), so a change of any one coordinate, or of the
// place, changes the term; a sum of terms misses a change only when 64-bit
// mixes collide.
template <class Point>
std::uint64_t position_term(std::uint32_t index, const Point &p)
{
    const std::uint64_t x = std::bit_cast<std::uint32_t>(p.x), y = std::bit_cast<std::uint32_t>(p.y),
                        z = std::bit_cast<std::uint32_t>(p.z);
    const std::uint64_t h = (x << 32 | y) * 0x9e3779b97f4a7c15u ^ (z << 32 | index) * 0xc2b2ae3d27d4eb4fu;
    return h ^ (h >> 32);
}

}  // namespace ac
