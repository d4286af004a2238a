// The undo history: the steps plug-ins saved, the steps undone that can be
// redone, the live preview's steps set aside, and the scene's versions that
// undoing and redoing bring back.
#ifndef RILO_STANDIN_HISTORY_H
#define RILO_STANDIN_HISTORY_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ac3d.h"
#include "lists.h"
#include "memory.h"
#include "versions.h"
#include "vertex.h"

namespace standin {

// The positions an undo step saved, and of which vertices: a list of a
// million vertices is mostly runs of consecutive records, so the step keeps
// the runs and the positions (12 bytes a vertex), not a pointer beside each.
class SavedVertices {
public:
    struct Saved {
        HostVertex *vertex;
        Vertex position;
    };
    struct Run {
        HostVertex *first;  // and the records after it
        size_t count;
    };
    class Cursor {
    public:
        Cursor(const Run *run, size_t at, const Vertex *position) : run_(run), at_(at), position_(position) {}
        Saved operator*() const { return Saved{run_->first + at_, *position_}; }
        Cursor &operator++()
        {
            ++position_;
            if (++at_ == run_->count) {
                ++run_;
                at_ = 0;
            }
            return *this;
        }
        bool operator==(const Cursor &other) const { return position_ == other.position_; }

    private:
        const Run *run_;
        size_t at_;
        const Vertex *position_;
    };

    // The vertices of LIST, in its order, where they stand now.
    explicit SavedVertices(List *list);
    SavedVertices() = default;
    Cursor begin() const { return {runs_.data(), 0, positions_.get()}; }
    Cursor end() const { return {nullptr, 0, positions_.get() + size_}; }
    size_t size() const { return size_; }
    const std::vector<Run> &runs() const { return runs_; }
    Vertex *positions() const { return positions_.get(); }

private:
    std::vector<Run> runs_;
    Array<Vertex> positions_;
    size_t size_ = 0;
};

struct UndoStep {
    std::string name;
    List *vertices;  // the list handed over; the step releases it (undoing does)
    size_t nodes;    // how many nodes that list has
    SavedVertices saved;
    uint64_t version_before = 0;  // the scene's version that undoing the step brings back
    uint64_t version_after = 0;   // and that redoing it brings back
    // Where undoing found the step's vertices, in the order of saved: where
    // redoing puts them back.
    Array<Vertex> after = {};
};

// The history holds three lists of steps:
// - undo_: the steps saved, the last undone first.  Each holds the list it
//   was handed (none when that list was not a caller's) until it is undone
//   or dropped; held_nodes_ counts the nodes of the lists undo_ and live_
//   hold.
// - redo_: the steps undone since the last change, the last redone first.
//   Undoing released their lists: each keeps its runs, and its positions
//   before and after.
// - live_: the steps of the live preview shown (a plug-in command run only
//   to be shown), in the order saved: never undone or redone and of no
//   version, until kept (they join undo_) or cleared (their positions put
//   back).
//
// The versions: every step saved or kept is a new version, its
// version_before the one it followed; undoing the last step brings back
// its version_before, redoing one its version_after.  A change outside the
// history gives every step versions never used (note_change_outside).
//
// Whoever calls what moves vertices here (undo_last, redo_last,
// clear_live_preview) settles the host's bounding box first (records.h).
class UndoHistory {
public:
    // The steps' lists are the caller-owned lists of LISTS; a breach of the
    // host's rules in handing them over or releasing them goes to NOTE_MISUSE.
    UndoHistory(Lists &lists, std::function<void(std::string)> note_misuse)
        : lists_(lists), note_misuse_(std::move(note_misuse))
    {
    }
    UndoHistory(const UndoHistory &) = delete;
    UndoHistory &operator=(const UndoHistory &) = delete;

    const std::vector<UndoStep> &undo_steps() const { return undo_; }
    const std::vector<UndoStep> &redo_steps() const { return redo_; }
    const SceneVersions &versions() const { return versions_; }
    // Caller-owned list nodes the steps hold.
    size_t held_nodes() const { return held_nodes_; }

    // ---- the scene's versions ----
    // A new scene: every step dropped, the live preview's not put back; its
    // version, a new one, is the saved one.
    void start_over();
    void mark_saved() { versions_.mark_saved(); }
    // A new version no step brings back (a repaired model, as loaded).
    void new_version() { versions_.change(); }
    // A change made outside the history: the steps undone can no longer be
    // redone, and no undo brings back a version from before it.
    void note_change_outside();

    // ---- steps ----
    // A step NAME of the vertices of LIST where they stand now, for save.
    UndoStep step_of(const char *name, List *vertices);
    // Sets STEP aside as the live preview's while its command runs; else
    // it is the newest step, and the steps undone can no longer be redone:
    // then true, the scene having a new version.
    bool save(UndoStep step);
    // Undoes the last step (there is one), naming it in NAME.
    void undo_last(std::string &name);
    // Puts the vertices of the step undone last (there is one) where the
    // step had left them, and the scene's version back to the one after the
    // step.
    void redo_last(std::string &name);
    // The vertices of STEP, each counted once, that are no longer where the
    // step saved them.
    size_t count_moved(const UndoStep &step);

    // ---- the live preview ----
    bool live_preview_shown() const { return !live_.empty(); }
    const std::vector<UndoStep> &live_steps() const { return live_; }
    // Numbers each live preview shown, so that a window tells one from the
    // next one made with the same history; 0 while none is shown.
    std::uint64_t live_preview_number() const { return live_.empty() ? 0 : live_number_; }
    // Whether the live preview's command is running: its step is set aside.
    bool running_live_preview() const { return running_live_; }
    void set_running_live_preview(bool running) { running_live_ = running; }
    // Kept aside while the live preview's command runs: keeping the live
    // preview keeps it.
    void add_live_preview_debug(const std::string &text) { live_preview_debug_ += text; }
    // Puts back every coordinate the live preview's steps saved, and drops
    // them; true when there were any.
    bool clear_live_preview();
    // Makes the live preview's steps the history's, as its command's would
    // have been; returns the debug output it wrote.
    std::string keep_live_preview();

private:
    void push(UndoStep step);
    void drop(std::vector<UndoStep> &steps);
    void release(List *list);

    Lists &lists_;
    std::function<void(std::string)> note_misuse_;
    SceneVersions versions_;
    std::vector<UndoStep> undo_;
    std::vector<UndoStep> redo_;
    std::vector<UndoStep> live_;
    size_t held_nodes_ = 0;
    bool running_live_ = false;
    std::uint64_t live_number_ = 0;  // the last live preview's number, counted from 1
    std::string live_preview_debug_;  // what the live preview's command wrote as debug output
};

}  // namespace standin

#endif
