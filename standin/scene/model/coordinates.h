// Coordinates as the stand-in compares and picks them.
#ifndef RILO_STANDIN_COORDINATES_H
#define RILO_STANDIN_COORDINATES_H

#include <cctype>
#include <string>

#include "ac3d.h"
#include "same_bits.h"

namespace standin {

// Floats and vertices, bit for bit, as the model files compare them.
using ac::same_bits;

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
