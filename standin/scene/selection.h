// Selecting by name, as "standin select" and the apply job do.
#ifndef RILO_STANDIN_SELECTION_H
#define RILO_STANDIN_SELECTION_H

#include <string>
#include <vector>

#include "host.h"

namespace standin {

// The selection mode a word names: objects, surfaces or vertices.  Throws
// Error for any other word.
int select_mode_named(const std::string &kind);

// Marks what a selection in MODE takes from one object: the object itself
// (once), or all its surfaces or vertices.
void select_in(Host &host, Object &object, int mode);

// Throws Error ("object 'x' is locked") when OBJECT or an ancestor is
// locked: nothing of it may be selected.
void refuse_locked(const Object &object);

// Takes ROOTS and everything below them out of the selection (the objects
// just hidden, say).
void deselect_trees(Host &host, const std::vector<Object *> &roots);

// What "select all" selects: the top-level objects neither hidden nor
// locked; where something below one is, its children so chosen instead, so
// that no hidden or locked object is reached.  In tree order.
std::vector<Object *> selectable_objects(const Scene &scene);

// Replaces the selection.  KIND "none" clears it and "all" selects the
// selectable objects (both in object mode); "objects", "surfaces" or
// "vertices" select the objects so named, or all their surfaces or vertices,
// in that mode.  Returns the objects chosen, in the order named.  Throws
// Error, changing nothing, for a name no object has or an object locked
// (hidden ones may be selected by name).
std::vector<Object *> select_by_name(Host &host, const std::string &kind, const std::vector<std::string> &names);

// The objects a selection of CHOSEN in MODE reaches, each once, in the order
// chosen: in object mode each with its descendants (depth first).
std::vector<Object *> objects_reached(const std::vector<Object *> &chosen, int mode);

}  // namespace standin

#endif
