// The stand-in modeller's state behind the services it exports to plug-ins.
#ifndef RILO_STANDIN_HOST_H
#define RILO_STANDIN_HOST_H

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ac3d.h"
#include "checks.h"
#include "lists.h"
#include "scene.h"
#include "scrollback.h"
#include "versions.h"

namespace standin {

struct AcDocument;  // the .ac model the scene was loaded from (acscene.h)

struct MenuItem {
    std::string label;
    std::string command;
    std::string help;
};

struct RegisteredCommand {
    std::string name;
    ac_command_proc proc;
    int nparams;
    int style;
    std::string usage;
    std::string description;
};

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

struct Box {
    Vertex min{0, 0, 0};
    Vertex max{0, 0, 0};
};

// What the host has recorded so far, so that a preview leaves no record:
// of the records, how many entries were ever written (Scrollback::written).
struct RecordMarks {
    size_t messages = 0;
    size_t debug = 0;
    size_t tcl_log = 0;
    Counters counts;
    Box box;  // settled
};

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
    // How many hidden or locked objects the change went around (selection.h).
    size_t left_out = 0;
};

// What the host keeps of what plug-ins said and asked for.
enum class Record { Messages, Debug, TclLog, Misuse };

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

    // ---- the scene ----
    Scene &scene() { return scene_; }
    const Scene &scene() const { return scene_; }
    // The model file the scene was loaded from, or null.
    const AcDocument *document() const { return document_.get(); }
    AcDocument *document() { return document_.get(); }
    // Replaces the scene, dropping the undo history and the selection.
    void replace_scene(Scene scene, std::shared_ptr<AcDocument> document = nullptr);
    void reset_scene() { replace_scene(Scene()); }

    // ---- the scene's versions, and the file it was last opened from or
    // saved to; a new scene has none and is as saved ----
    const SceneVersions &versions() const { return versions_; }
    // A change made outside the undo history (the Tcl scene commands),
    // noted before anything changes: the preview is taken back first, and
    // the steps undone can no longer be redone.
    void note_scene_changed();
    const SceneFile *file() const { return file_.get(); }
    // After a load or a save: the scene as it is now is the file's.
    void set_file(std::shared_ptr<const SceneFile> file)
    {
        file_ = std::move(file);
        versions_.mark_saved();
        tell_changed();
    }
    // After a load whose model the reader repaired: a save will differ
    // from the file, so the scene is not as saved.
    void mark_repaired()
    {
        versions_.change();
        tell_changed();
    }

    // ---- the selection: a mode, the objects selected in object mode (in
    // selection order) and the selected flags of the scene's items.  Every
    // change goes through select, which gives the selection a new version. ----
    int select_mode() const { return select_mode_; }
    const std::vector<Object *> &selected_objects() const { return selected_objects_; }
    void select(const SelectionChange &change);
    void select_none() { select(SelectionChange(SelectionChange::How::replace, select_mode_)); }
    void select_object(Object &object) { select(SelectionChange(SelectionChange::How::add, kSelectObjects, {&object})); }
    // For fixtures that mark items themselves (the plug-in's tests): the
    // mode changes, the marks stay.
    void set_select_mode(int mode)
    {
        select_mode_ = mode;
        ++selection_version_;
    }
    std::uint64_t selection_version() const { return selection_version_; }
    // How many hidden or locked objects the last change went around.
    size_t left_out() const { return left_out_; }
    // A number that changes whenever the objects' tree may have: objects,
    // names, flags, counts of vertices and surfaces.
    std::uint64_t tree_version() const { return tree_version_; }

    // Told after anything a window shows changed: the scene's version, the
    // selection, the preview.  It may be told often: a window redraws once.
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

    // ---- records ----
    // The newest of each, as a console keeps them (scrollback.h): a count
    // of what was shown is messages().written(), not size().
    const Scrollback &messages() const { return messages_; }
    std::string debug() const { return debug_.text(); }
    const Scrollback &tcl_log() const { return tcl_log_; }              // the texts handed to tcl_command
    const std::vector<std::string> &misuse() const { return misuse_; }  // breaches of the host's rules
    const Counters &counts() const { return counts_; }
    // The bounding box the last find_bounding_box asked for.  It is found
    // when first read, or before anything but a plug-in moves a vertex: most
    // commands ask for it and nobody reads it.
    const Box &box() const
    {
        settle_box();
        return box_;
    }
    void settle_box() const;
    void clear(Record record);
    // Forgets what plug-ins said and asked for, and the counters.
    void clear_records();

    // ---- what plug-ins registered ----
    const std::vector<MenuItem> &menu() const { return menu_; }
    const std::deque<RegisteredCommand> &commands() const { return commands_; }
    const RegisteredCommand *find_command(const std::string &name) const;
    void forget_registrations();

    // ---- undo and redo ----
    const std::vector<UndoStep> &undo_steps() const { return undo_; }
    // The steps undone since the last change; the last is redone first.
    const std::vector<UndoStep> &redo_steps() const { return redo_; }
    bool undo_last(std::string &name);
    // Puts the vertices of the step undone last where the step had left
    // them, and the scene's version back to the one after the step.
    bool redo_last(std::string &name);

    // ---- the preview: a plug-in command run only to be shown, its undo
    // step set aside (not in the history, no new version) to be taken back ----
    bool previewing() const { return !preview_.empty(); }
    // Whether a preview's command is running: its undo step is set aside.
    bool running_preview() const { return running_preview_; }
    void set_running_preview(bool running) { running_preview_ = running; }
    // Puts back every coordinate the preview's steps saved, and drops them.
    void clear_preview();
    // Makes the preview shown the model's, exactly as shown: its steps go
    // into the history as its command's would have, and its debug output
    // into the record.  False, changing nothing, when none is shown.
    bool keep_preview();
    RecordMarks record_marks() const;
    // Forgets what was recorded since MARKS, but for misuse.
    void forget_records_since(const RecordMarks &marks);
    // The vertices of STEP, each counted once, that are no longer where the
    // step saved them.
    size_t count_moved(const UndoStep &step);

    // Caller-owned list nodes not yet released, and of them those no undo
    // step holds.
    size_t live_list_nodes() const { return lists_.live(); }
    size_t held_list_nodes() const { return lists_.live() - undo_nodes_; }
    Lists &lists() { return lists_; }
    Checks &checks() { return checks_; }

    // ---- the services, as the functions exported to plug-ins call them ----
    void add_menu_item(MenuItem item);
    void add_command(RegisteredCommand command);
    void request_tcl(const std::string &text);
    void show_message(const std::string &text);
    void write_debug(const std::string &text);
    void count_remake_subdivisions() { ++counts_.remake_subdivisions; }
    void count_redraw() { ++counts_.redraw; }
    void count_status() { ++counts_.status; }
    void find_bounding_box();
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
    void select_none_objects();
    void clear_selection();
    void mark_whole(Object &object);  // in the selection's mode
    void deselect(Object &object);
    void push_undo(UndoStep step);
    void drop_steps(std::vector<UndoStep> &steps);
    void drop_redo() { drop_steps(redo_); }

    Scene scene_;
    std::shared_ptr<AcDocument> document_;  // dropped with the scene
    SceneVersions versions_;
    std::shared_ptr<const SceneFile> file_;
    int select_mode_ = kSelectObjects;
    std::vector<Object *> selected_objects_;
    std::uint64_t selection_version_ = 0;
    size_t left_out_ = 0;
    std::uint64_t tree_version_ = 0;

    Scrollback messages_;
    Scrollback debug_;  // an entry per write
    Scrollback tcl_log_;
    std::vector<std::string> misuse_;
    Counters counts_;
    mutable Box box_;
    mutable bool box_pending_ = false;

    std::vector<MenuItem> menu_;
    std::deque<RegisteredCommand> commands_;  // stays in place: interpreters keep pointers
    std::vector<UndoStep> undo_;
    std::vector<UndoStep> redo_;     // their lists released: only the runs and positions are kept
    std::vector<UndoStep> preview_;  // the steps of the preview shown, in the order saved
    bool running_preview_ = false;
    std::string preview_debug_;  // what the preview shown wrote as debug output

    Lists lists_{scene_};
    size_t undo_nodes_ = 0;  // caller-owned nodes held by undo steps
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

// Handles what a host without an interpreter understands: counts the
// ac3d remake_subdivisions request and accepts a source request quietly.
// True if the text was one of these.
bool host_builtin_command(const std::string &text);

// What became of a plug-in command.  A command refuses by showing a message.
struct CommandOutcome {
    bool refused = false;
    std::string message;  // the last message it showed, when it refused
};

// Runs a plug-in command as the modeller does: the host's checks around a
// call of the registered procedure with the count and the strings, entry 0
// being the command's name and the array ending with a null.
// A preview shown takes that command's place: it is taken back first.
CommandOutcome invoke_command(const RegisteredCommand &command, const std::vector<std::string> &params);

// Runs a plug-in command as a preview, in place of the preview shown: with
// the checks on, its undo step set aside, and no record kept of what it
// said (its message, when it refused, is shown and returned).  Throws
// Error while a plug-in command runs.
CommandOutcome preview_command(const RegisteredCommand &command, const std::vector<std::string> &params);

}  // namespace standin

#endif
