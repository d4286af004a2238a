// The stand-in modeller's state behind the services it exports to plug-ins.
#ifndef RILO_STANDIN_HOST_H
#define RILO_STANDIN_HOST_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ac3d.h"
#include "checks.h"
#include "commands.h"
#include "history.h"
#include "lists.h"
#include "records.h"
#include "scene.h"
#include "selection.h"
#include "versions.h"

namespace standin {

struct AcDocument;  // the .ac model the scene was loaded from (acscene.h)

// The host: the scene and the file it came from, and the parts that keep
// the rest, each with its own rules: the selection (selection.h), the
// records (records.h), the registrations (commands.h), the undo history
// and the live preview (history.h), the lists plug-ins hold (lists.h) and
// the checks of each command (checks.h).  The host ties them together:
// what changes one and another goes through it, and it tells a window of
// each change.
class Host {
public:
    // ---- switches and hooks, set by whoever drives the host ----
    bool echo = true;        // copy messages, debug output and misuse to standard error
    bool strict = true;      // check each plug-in command against the host's rules
    uint32_t test_tick = 0;  // the tick a test build of the plug-in reads
    // Evaluates Tcl text; returns false with the error text on failure.
    // Without an interpreter the host understands "ac3d remake_subdivisions" and
    // accepts "source" requests without reading anything.
    std::function<bool(const std::string &, std::string &)> eval;
    // Told of each command registered, so that an interpreter can expose it.
    std::function<void(RegisteredCommand &)> on_command;
    // Told of each message after it is recorded, so that a window can show it.
    std::function<void(const std::string &)> on_message;
    // Told now and then how far a long load or save is ("loading" or
    // "saving", DONE of TOTAL), so that a window can show it and repaint.
    std::function<void(const char *, uint64_t, uint64_t)> on_progress;
    // The scene's file is guarded against other programs, as a window does:
    // model files are read into memory, not mapped, so the model stays whole
    // and can be saved anywhere whatever happens to its file, and a save
    // takes a digest of what it writes, to tell any later change apart.
    bool guard_files = false;
    // Told after anything a window shows changed: the scene's version, the
    // selection, the live preview.  It may be told often: a window redraws once.
    std::function<void()> on_change;
    // Told as a plug-in command starts (RUNNING true, with its name), and
    // as it, a load or a save ends, however it ends (RUNNING false), so that
    // a window shows itself busy meanwhile.  It may refuse a start by
    // throwing Error (a window busy loading); it throws nothing at an end.
    std::function<void(const std::string &, bool)> on_work;
    void work_ended(const std::string &what)
    {
        if (on_work) on_work(what, false);
    }
    void tell_changed()
    {
        if (on_change) on_change();
    }

    // ---- the scene ----
    Scene &scene() { return scene_; }
    const Scene &scene() const { return scene_; }
    // The model file the scene was loaded from, or null.
    const AcDocument *document() const { return document_.get(); }
    AcDocument *document() { return document_.get(); }
    // Replaces the scene, dropping the undo history and the selection.
    void replace_scene(Scene scene, std::shared_ptr<AcDocument> document = nullptr);
    void reset_scene() { replace_scene(Scene()); }
    // A number that changes whenever the objects' tree may have: objects,
    // names, flags, counts of vertices and surfaces.
    std::uint64_t tree_version() const { return tree_version_; }

    // ---- the scene's versions (versions.h), and the file it was last
    // opened from or saved to; a new scene has none and is as saved ----
    const SceneVersions &versions() const { return history_.versions(); }
    // A change made outside the undo history (the Tcl scene commands),
    // noted before anything changes: the live preview is taken back first,
    // and the steps undone can no longer be redone.
    void note_scene_changed();
    const SceneFile *file() const { return file_.get(); }
    // After a load or a save: the scene as it is now is the file's.
    void set_file(std::shared_ptr<const SceneFile> file);
    // After a load whose model the reader repaired: a save will differ
    // from the file, so the scene is not as saved.
    void mark_repaired();

    // ---- the selection (selection.h) ----
    int select_mode() const { return selection_.mode(); }
    const std::vector<Object *> &selected_objects() const { return selection_.objects(); }
    void select(const SelectionChange &change);
    void select_none() { select(SelectionChange(SelectionChange::How::replace, select_mode())); }
    void select_object(Object &object)
    {
        select(SelectionChange(SelectionChange::How::add, kSelectObjects, {&object}));
    }
    // For fixtures that mark items themselves (the plug-in's tests).
    void set_select_mode(int mode) { selection_.set_mode(mode); }
    std::uint64_t selection_version() const { return selection_.version(); }
    size_t left_out() const { return selection_.left_out(); }

    // ---- records (records.h) ----
    const Scrollback &messages() const { return records_.messages(); }
    std::string debug() const { return records_.debug(); }
    const Scrollback &tcl_log() const { return records_.tcl_log(); }
    const std::vector<std::string> &misuse() const { return records_.misuse(); }
    const Counters &counts() const { return records_.counts(); }
    // The bounding box the last find_bounding_box asked for.
    const Box &box() const { return records_.box(); }
    void settle_box() const { records_.settle_box(); }
    void clear(Record record) { records_.clear(record); }
    // Forgets what plug-ins said and asked for, and the counters.
    void clear_records() { records_.clear_all(); }
    RecordMarks record_marks() const { return records_.marks(); }
    // Forgets what was recorded since MARKS, but for misuse.
    void forget_records_since(const RecordMarks &marks) { records_.forget_since(marks); }

    // ---- what plug-ins registered (commands.h) ----
    const std::vector<MenuItem> &menu() const { return registry_.menu(); }
    const std::deque<RegisteredCommand> &commands() const { return registry_.commands(); }
    const RegisteredCommand *find_command(const std::string &name) const { return registry_.find(name); }
    void forget_registrations() { registry_.forget(); }

    // ---- undo and redo (history.h) ----
    const std::vector<UndoStep> &undo_steps() const { return history_.undo_steps(); }
    // The steps undone since the last change; the last is redone first.
    const std::vector<UndoStep> &redo_steps() const { return history_.redo_steps(); }
    bool undo_last(std::string &name);
    // Puts the vertices of the step undone last where the step had left
    // them, and the scene's version back to the one after the step.
    bool redo_last(std::string &name);
    // The vertices of STEP, each counted once, that are no longer where the
    // step saved them.
    size_t count_moved(const UndoStep &step) { return history_.count_moved(step); }

    // ---- the live preview: a plug-in command run only to be shown, its
    // undo step set aside (not in the history, no new version) to be taken
    // back (history.h) ----
    bool live_preview_shown() const { return history_.live_preview_shown(); }
    // The steps of the live preview shown, in the order saved.
    const std::vector<UndoStep> &live_steps() const { return history_.live_steps(); }
    std::uint64_t live_preview_number() const { return history_.live_preview_number(); }
    bool running_live_preview() const { return history_.running_live_preview(); }
    void set_running_live_preview(bool running) { history_.set_running_live_preview(running); }
    // Puts back every coordinate the live preview's steps saved, and drops them.
    void clear_live_preview();
    // Makes the live preview shown the model's, exactly as shown: its steps
    // go into the history as its command's would have, and its debug output
    // into the record.  False, changing nothing, when none is shown.
    bool keep_live_preview();

    // ---- the lists plug-ins hold (lists.h), and the checks (checks.h) ----
    // Caller-owned list nodes not yet released, and of them those no undo
    // step holds.
    size_t live_list_nodes() const { return lists_.live(); }
    size_t held_list_nodes() const { return lists_.live() - history_.held_nodes(); }
    Lists &lists() { return lists_; }
    Checks &checks() { return checks_; }

    // ---- the services, as the functions exported to plug-ins call them ----
    void add_menu_item(MenuItem item) { registry_.add_menu_item(std::move(item)); }
    void add_command(RegisteredCommand command);
    void request_tcl(const std::string &text);
    void show_message(const std::string &text);
    void write_debug(const std::string &text);
    void count_remake_subdivisions() { ++records_.counts().remake_subdivisions; }
    void count_redraw() { ++records_.counts().redraw; }
    void count_status() { ++records_.counts().status; }
    void find_bounding_box() { records_.find_bounding_box(); }
    // Appends and releases lists as Lists does; records misuse when the list is not a caller's.
    void append_unique(List **list, List *items);
    void release(List *list);
    void save_undo_step(const char *name, List *vertices);
    // Records a breach of the host's rules.
    void note_misuse(std::string what);

private:
    // Every line the host prints goes through here: on standard error, when
    // echoing or when ALWAYS.
    void print(const std::string &text, bool always = false) const;
    // Undoes or redoes (MOVE) the last of STEPS, naming it in NAME; false
    // when STEPS is empty.
    bool move_by_step(const std::vector<UndoStep> &steps, void (UndoHistory::*move)(std::string &), std::string &name);

    Scene scene_;                           // first: the parts below keep a reference to it
    std::shared_ptr<AcDocument> document_;  // dropped with the scene
    std::shared_ptr<const SceneFile> file_;
    std::uint64_t tree_version_ = 0;
    Selection selection_;
    Records records_{scene_};
    CommandRegistry registry_;
    Lists lists_{scene_};
    UndoHistory history_{lists_, [this](std::string what) { note_misuse(std::move(what)); }};
    Checks checks_;
};

Host &host();

// Tells a host's on_work that the work WHAT (a plug-in command, a load, a
// save) ended, as it goes out of scope however the work ends.
class WorkEnds {
public:
    WorkEnds(Host &host, std::string what) : host_(host), what_(std::move(what)) {}
    ~WorkEnds() { host_.work_ended(what_); }
    WorkEnds(const WorkEnds &) = delete;
    WorkEnds &operator=(const WorkEnds &) = delete;

private:
    Host &host_;
    std::string what_;
};

}  // namespace standin

#endif
