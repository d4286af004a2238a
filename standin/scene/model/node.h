// What a node of a host list carries, and the nodes of the lists the host
// keeps for an object.
#ifndef RILO_STANDIN_NODE_H
#define RILO_STANDIN_NODE_H

#include <cstdint>

#include "ac3d.h"

namespace standin {

// Kinds of item a host list can carry.
enum class ItemKind : uint8_t { Vertex, Object, Surface };

// A node of a list the host keeps for an object (its children): the public
// List, then what it carries.  The nodes handed to callers are bare Lists
// (NodePool).
struct Node {
    List list;
    ItemKind kind;
};

inline const Node *node_of(const List *list)
{
    return reinterpret_cast<const Node *>(list);
}

}  // namespace standin

#endif
