// The selection: its mode, the objects selected and the selected flags of
// the scene's items, changed only through Host::select; and what a click,
// the tree, a box, select all or "standin select" takes around hidden and
// locked objects.
#ifndef RILO_STANDIN_SELECTION_H
#define RILO_STANDIN_SELECTION_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ac3d.h"
#include "scene.h"

namespace standin {

class Host;

enum SelectMode { kSelectObjects = 1, kSelectSurfaces = AC_SELECT_SURFACE, kSelectVertices = AC_SELECT_VERTEX };

// One change of the selection, in MODE.  Replacing starts from nothing
// selected; adding to a selection of another mode too.  Removing from one of
// another mode changes nothing: its items are not selected.
struct SelectionChange {
    enum class How { replace, add, remove };
    SelectionChange(How h, int m) : how(h), mode(m) {}
    SelectionChange(How h, int m, std::vector<Object *> chosen) : how(h), mode(m), objects(std::move(chosen)) {}
    How how;
    int mode;
    // Whole objects: in object mode the objects themselves, in the other
    // modes every surface or vertex of each (removing: of each, whatever
    // the mode, as hiding an object does).
    std::vector<Object *> objects;
    // Single surfaces or vertices, by object and index.
    std::vector<std::pair<Object *, uint32_t>> items;
    // How many hidden or locked objects the change went around (objects_around).
    size_t left_out = 0;
};

// The selection of a scene: a mode, and the selected flags of its objects,
// surfaces and vertices.  objects_ holds exactly the objects whose flag is
// set, in the order they were selected.  Every change gives the selection a
// new version.
class Selection {
public:
    int mode() const { return mode_; }
    const std::vector<Object *> &objects() const { return objects_; }
    std::uint64_t version() const { return version_; }
    // How many hidden or locked objects the last change went around.
    size_t left_out() const { return left_out_; }

    // Makes CHANGE to the selection of SCENE; false when it changes nothing
    // (removing from a selection of another mode).
    bool apply(const SelectionChange &change, Scene &scene);
    // For fixtures that mark items themselves: the mode changes, the marks stay.
    void set_mode(int mode)
    {
        mode_ = mode;
        ++version_;
    }
    // Before the scene goes: nothing selected, in object mode.
    void start_over();

private:
    void clear(Scene &scene);
    void drop_objects();
    void mark_whole(Object &object);  // in the selection's mode
    void deselect(Object &object);

    int mode_ = kSelectObjects;
    std::vector<Object *> objects_;
    std::uint64_t version_ = 0;
    size_t left_out_ = 0;
};

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
// in tree order, in the other modes the objects whose items it chose).  The
// objects whose names match one of PATTERNS (name_matches) join those named,
// each once.  Throws Error, changing nothing, for a name no object has or a
// pattern no name matches (with the names nearest to it) or an object locked
// (hidden ones may be selected by name).
std::vector<Object *> select_by_name(Host &host, const std::string &kind, const std::vector<std::string> &names,
                                     int mode = kSelectObjects, const std::vector<std::string> &patterns = {});

// The objects a selection of CHOSEN in MODE reaches, each once, in the order
// chosen: in object mode each with its descendants (depth first).
std::vector<Object *> objects_reached(const std::vector<Object *> &chosen, int mode);

}  // namespace standin

#endif
