// The versions of the scene, so that a window can tell the one shown from
// the one last opened or saved.
#ifndef RILO_STANDIN_VERSIONS_H
#define RILO_STANDIN_VERSIONS_H

#include <cstdint>

namespace standin {

// Every change gives the scene a version number never used before; an undo
// step keeps the numbers of the versions before and after it, and undoing
// the step brings the first back, redoing it the second. So undoing or
// redoing back to the saved version reads as saved, while undoing past it,
// or a new change after an undo, does not.  A change outside the history
// (hiding an object, a script's edit) gives every step new numbers
// (Host::note_scene_changed): no undo or redo brings back a version from
// before it.  A live preview is no change.
class SceneVersions {
public:
    std::uint64_t current() const { return current_; }
    bool modified() const { return current_ != saved_; }
    void change() { current_ = ++last_; }
    void restore(std::uint64_t version) { current_ = version; }
    // A number for a version no step or save has had.
    std::uint64_t fresh() { return ++last_; }
    void mark_saved() { saved_ = current_; }

private:
    std::uint64_t current_ = 0;
    std::uint64_t saved_ = 0;
    std::uint64_t last_ = 0;
};

// The file the scene was last opened from or saved to (acscene.h).
struct SceneFile;

}  // namespace standin

#endif
