// A vertex of the scene: the record the plug-in reads and writes, and the
// state the host keeps beside it.
#ifndef RILO_STANDIN_VERTEX_H
#define RILO_STANDIN_VERTEX_H

#include <cstddef>
#include <cstdint>

#include "ac3d.h"
#include "blocks.h"
#include "stamp.h"

namespace standin {

// The host's vertex record: the public prefix, then its offset in its
// block, 16 bytes in all, so that the passes over positions (the plug-in's
// scans, the undo step, the checks) read nothing else.  Its object and index
// come from the head of its block (owner_of, index_of); the rest of the
// vertex is its VertexState, beside the block (state_of).
//
// The plug-in's Vertex is the first field, and the record has a standard
// layout: a Vertex * the plug-in holds is the record's address
// (object_of_vertex), and the plug-in writes its coordinates in place.
struct HostVertex {
    Vertex v;
    uint32_t offset;  // in its block of the object's vertices
};
static_assert(sizeof(HostVertex) == 16, "the vertex record stays small: scans walk every one");
static_assert(offsetof(HostVertex, v) == 0, "a plug-in's Vertex * is its HostVertex");

struct VertexState {
    List own;               // in the object's own list: data is the vertex, next the next vertex's node
    Stamp mark;             // membership stamp used while building lists
    uint32_t step : 31;     // stamp of the last undo step a checked command saved it in, below kStepStampLimit
    uint32_t selected : 1;  // a uint32_t field, so that every compiler packs it with step
};
static_assert(sizeof(VertexState) == sizeof(List) + 8 && offsetof(VertexState, own) == 0,
              "a vertex's node in its own list is its state");

using VertexBlocks = Blocks<HostVertex, VertexState>;

inline Object *owner_of(const HostVertex &v)
{
    return static_cast<Object *>(const_cast<void *>(VertexBlocks::head_of(&v, v.offset).owner));
}

inline uint32_t index_of(const HostVertex &v)
{
    return static_cast<uint32_t>(VertexBlocks::head_of(&v, v.offset).first + v.offset);
}

inline VertexState &state_of(const HostVertex &v)
{
    return VertexBlocks::side_of(&v, v.offset);
}

// The states of COUNT vertex records at consecutive addresses from FIRST.
inline VertexState *states_of_run(const HostVertex *first, size_t count)
{
    return VertexBlocks::sides_of_run(first, first->offset, count);
}

inline bool is_selected(const HostVertex &v)
{
    return state_of(v).selected;
}

}  // namespace standin

#endif
