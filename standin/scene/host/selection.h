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

// Throws Error ("object 'x' is locked") when OBJECT or an ancestor is
// locked: nothing of it may be selected.
void refuse_locked(const Object &object);

// Takes ROOTS and everything below them out of the selection (the objects
// just hidden, say).
void deselect_trees(Host &host, const std::vector<Object *> &roots);

// What selecting the trees of ROOTS reaches without reaching a hidden or
// locked object below a root: each root with nothing hidden or locked below
// it, or else its children so chosen, one by one, in tree order.  With
// ROOTS_TOO a hidden or locked root is left out too.  Counts in LEFT_OUT
// the hidden or locked objects passed by (not what lies below them).
std::vector<Object *> objects_around(const std::vector<Object *> &roots, bool roots_too, size_t &left_out);

// The change that selects, in MODE, the trees of ROOTS around what is hidden
// or locked below them: the objects themselves in object mode, else the
// surfaces or vertices of every object reached.  With ROOTS_TOO hidden or
// locked roots are left out too.
SelectionChange select_trees(const std::vector<Object *> &roots, int mode, bool roots_too);

// Replaces the selection.  KIND "none" clears it and "all" selects the
// top-level objects around every hidden or locked one (select_trees; both
// in object mode: MODE says otherwise, "all" then selecting every surface
// or vertex they reach); "objects", "surfaces" or
// "vertices" select the objects so named, or all their surfaces or vertices,
// in that mode.  Returns the objects chosen, in the order named (for "all"
// in tree order, in the other modes the objects whose items it chose).  Throws
// Error, changing nothing, for a name no object has or an object locked
// (hidden ones may be selected by name).
std::vector<Object *> select_by_name(Host &host, const std::string &kind, const std::vector<std::string> &names,
                                     int mode = kSelectObjects);

// The objects a selection of CHOSEN in MODE reaches, each once, in the order
// chosen: in object mode each with its descendants (depth first).
std::vector<Object *> objects_reached(const std::vector<Object *> &chosen, int mode);

}  // namespace standin

#endif
