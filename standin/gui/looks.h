// How the model looks as its author made it: the colour and transparency of
// each surface's material, and the texture an object names, with each
// corner's place on it.  Free of Tcl and of the model file: the window
// finds the looks of an object (view_command.cpp) and hands textures over
// as texels.
#ifndef RILO_STANDIN_LOOKS_H
#define RILO_STANDIN_LOOKS_H

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct Object;

// A material as the view draws it.
struct Material {
    std::uint32_t rgb = 0xffe2d2c8u;  // opaque, red in the lowest byte as the image's pixels
    float opacity = 1;                // 1 - trans: 1 opaque, 0 clear
};

// A MATERIAL line as written ("MATERIAL "name" rgb R G B ... trans T"):
// whatever is missing or unreadable keeps the default's value, so that any
// bytes give a material.
Material material_of(std::string_view text);

// A texture's texels, rows from the top, red in the lowest byte and alpha
// in the highest; held once, shared by the parts that show it.
struct Texture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> texels;

    // The texel at (u, v), repeated beyond [0, 1), v up: v = 0 is the
    // bottom row.  Nearest texel.
    std::uint32_t at(float u, float v) const
    {
        float fu = u - std::floor(u), fv = v - std::floor(v);
        if (!(fu >= 0 && fu <= 1)) fu = 0;  // not a number, or beyond every float's reach
        if (!(fv >= 0 && fv <= 1)) fv = 0;
        int x = static_cast<int>(fu * static_cast<float>(width));
        int y = height - 1 - static_cast<int>(fv * static_cast<float>(height));
        x = x < 0 ? 0 : x >= width ? width - 1 : x;
        y = y < 0 ? 0 : y >= height ? height - 1 : y;
        return texels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// A texel with less than half its alpha is a hole: nothing is drawn there.
inline bool is_hole(std::uint32_t texel)
{
    return (texel >> 24) < 0x80u;
}

// How an object's surfaces look.  Most objects have one material: the
// palette then holds it alone and no surface carries an index.
struct PartLooks {
    std::vector<Material> palette;          // empty: the view's own colour
    std::vector<std::uint16_t> of_surface;  // an index into palette by surface; empty: palette[0] for all
    std::string texture;                    // the name as written in the object, "" without one
    std::vector<float> uv;                  // u, v by reference (Object::refs_at), texrep and texoff applied
    bool transparent = false;               // some material lets light through

    const Material *material(std::uint32_t surface) const
    {
        if (palette.empty()) return nullptr;
        return &palette[surface < of_surface.size() ? of_surface[surface] : 0];
    }
    std::size_t bytes() const
    {
        return palette.capacity() * sizeof(Material) + of_surface.capacity() * 2 + texture.capacity() +
               uv.capacity() * sizeof(float);
    }
};

// Fills the looks of an object as its model gives them; leaves them empty
// for an object no model gave.
using Looks = std::function<void(const Object &, PartLooks &)>;

#endif
