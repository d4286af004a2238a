// A surface of the scene: a run of its object's references, in a block
// that never moves.
#ifndef RILO_STANDIN_SURFACE_H
#define RILO_STANDIN_SURFACE_H

#include <cstdint>

#include "ac3d.h"
#include "blocks.h"
#include "refs.h"
#include "stamp.h"

// Surface stays at global scope: host/ac3d.h declares it as an opaque C type
// (typedef struct Surface Surface), and this is its definition.
struct Surface {
    uint32_t first;  // its references are its object's refs_at(first, count)
    uint32_t count;
    standin::Stamp mark;
    uint32_t offset : 31;   // in its block of the object's surfaces
    uint32_t selected : 1;  // a uint32_t field, so that every compiler packs it with offset

    // Its object and index come from the head of the block it sits in.
    Object *owner() const;
    uint32_t index() const;
    // Indices into its object's vertices (defined with Object, object.h).
    standin::RefRange refs() const;
};

inline Object *Surface::owner() const
{
    return static_cast<Object *>(const_cast<void *>(standin::Blocks<Surface>::head_of(this, offset).owner));
}

inline uint32_t Surface::index() const
{
    return static_cast<uint32_t>(standin::Blocks<Surface>::head_of(this, offset).first + offset);
}

namespace standin {

inline bool is_selected(const Surface &s)
{
    return s.selected;
}

}  // namespace standin

#endif
