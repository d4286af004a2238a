// Coordinates as the stand-in compares and picks them.
#ifndef RILO_STANDIN_COORDINATES_H
#define RILO_STANDIN_COORDINATES_H

#include <cctype>
#include <cstring>
#include <string>

#include "ac3d.h"

namespace standin {

// Bit for bit, since floating point is behaviour: -0 differs from 0 and a NaN
// equals itself.
inline bool same_bits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
inline bool same_bits(const Vertex &a, const Vertex &b)
{
    return same_bits(a.x, b.x) && same_bits(a.y, b.y) && same_bits(a.z, b.z);
}

// The axis an axis parameter names, as the command reads it: its first
// letter, x, y or z in either case, as 0, 1 or 2; -1 for anything else.
inline int axis_index(const std::string &word)
{
    const int c = word.empty() ? 0 : std::tolower(static_cast<unsigned char>(word[0]));
    return c == 'x' ? 0 : c == 'y' ? 1 : c == 'z' ? 2 : -1;
}

inline char axis_letter(int axis)
{
    return "xyz"[axis];
}

inline float coordinate(const Vertex &v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

}  // namespace standin

#endif
