// Coordinates compared bit for bit, since floating point is behaviour: -0
// differs from 0 and a NaN equals itself. Header only, so that the
// stand-in's scene compares as the library does without linking it.
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

}  // namespace ac
