// The stand-in modeller's state behind the services it exports to plug-ins.
#ifndef RILO_STANDIN_HOST_H
#define RILO_STANDIN_HOST_H

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ac3d.h"
#include "scene.h"
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
    using Saved = SavedVertices::Saved;
    std::string name;
    List *vertices;  // the list handed over; the step releases it
    size_t nodes;    // how many nodes that list has
    SavedVertices saved;
    uint64_t version_before = 0;  // the scene's version that undoing the step brings back
};

struct Counters {
    long bounding_box = 0;
    long redraw = 0;
    long status = 0;
    long remake_subdivisions = 0;
};

struct Box {
    Vertex min{0, 0, 0};
    Vertex max{0, 0, 0};
};

// Nodes of the lists handed to callers: bare list nodes, kept in chunks and
// reused.  What the host needs to check how a node is used (whether it is
// still the caller's, the kind of item it carries) is a byte beside the
// chunk, so that a node costs the caller's list 16 bytes, not 24.
class NodePool {
public:
    List *take(void *item, ItemKind kind)
    {
        if (free_ != nullptr || fresh_ == fresh_end_) return take_slow(item, kind);
        *fresh_state_++ = static_cast<uint8_t>(kLive | static_cast<uint8_t>(kind));
        List *node = fresh_++;
        *node = List{item, nullptr};
        ++live_;
        return node;
    }
    // Gives back a live node of the pool, whose state is STATE (state_of).
    void give_back(List *node, uint8_t *state);
    bool owns(const List *list) const { return state_of(list) != nullptr; }
    // Whether NODE is the pool's and still the caller's; of a node the pool
    // owns, the kind of item it carries.
    bool is_live(const List *node) const
    {
        const uint8_t *state = state_of(node);
        return state != nullptr && (*state & kLive) != 0;
    }
    ItemKind kind(const List *node) const { return static_cast<ItemKind>(*state_of(node) & kKindBits); }
    // The state byte of NODE, or nullptr when NODE is not one of the pool's.
    uint8_t *state_of(const List *node) const;
    size_t live() const { return live_; }

    static constexpr uint8_t kKindBits = 0x03;
    static constexpr uint8_t kLive = 0x80;

private:
    struct Chunk {
        Array<List> nodes;
        Array<uint8_t> states;  // kLive | the item's kind, one per node
        size_t size;
    };
    List *take_slow(void *item, ItemKind kind);
    const Chunk *chunk_of(const List *list) const;

    std::vector<Chunk> chunks_;
    std::vector<std::pair<uintptr_t, size_t>> by_address_;  // each chunk's first node and index, in address order
    List *fresh_ = nullptr;                                 // the last chunk's nodes never taken yet
    List *fresh_end_ = nullptr;
    uint8_t *fresh_state_ = nullptr;
    List *free_ = nullptr;
    size_t live_ = 0;
    mutable size_t last_hit_ = 0;
};

// What the host watches while one plug-in command runs.
struct Invocation {
    bool active = false;
    size_t messages = 0;      // messages shown before it started
    size_t held = 0;          // caller-owned nodes not yet held by undo steps
    Counters counts;          // refresh counters before it started
    size_t undo_steps = 0;    // undo steps pushed during it
    uint32_t step_stamp = 0;  // the stamp of the last of them
    // Of each object there when it started: its vertex count then, the
    // digest of their positions then, and of the positions the last undo
    // step saved of them, and how many that step saved.
    struct Span {
        size_t count;
        uint64_t start;
        uint64_t saved;
        size_t stepped;
        bool set_aside;  // found changed once already
    };
    std::unordered_map<const Object *, Span> spans;
};

enum SelectMode { kSelectObjects = 1, kSelectSurfaces = AC_SELECT_SURFACE, kSelectVertices = AC_SELECT_VERTEX };

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
    // A change made outside the undo history (the Tcl scene commands).
    void note_scene_changed() { versions_.change(); }
    const SceneFile *file() const { return file_.get(); }
    // After a load or a save: the scene as it is now is the file's.
    void set_file(std::shared_ptr<const SceneFile> file)
    {
        file_ = std::move(file);
        versions_.mark_saved();
    }

    // ---- the selection: a mode, the objects selected in object mode (in
    // selection order) and the selected flags of the scene's items ----
    int select_mode() const { return select_mode_; }
    void set_select_mode(int mode) { select_mode_ = mode; }  // keeps what is marked
    const std::vector<Object *> &selected_objects() const { return selected_objects_; }
    void select_object(Object &object);  // adds it once
    void select_none();                  // keeps the mode

    // ---- records ----
    const std::vector<std::string> &messages() const { return messages_; }
    const std::string &debug() const { return debug_; }
    const std::vector<std::string> &tcl_log() const { return tcl_log_; }  // every text handed to tcl_command
    const std::vector<std::string> &misuse() const { return misuse_; }    // breaches of the host's rules
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

    // ---- undo ----
    const std::vector<UndoStep> &undo_steps() const { return undo_; }
    bool undo_last(std::string &name);
    // The vertices of STEP, each counted once, that are no longer where the
    // step saved them.
    size_t count_moved(const UndoStep &step);

    // Caller-owned list nodes not yet released.
    size_t live_list_nodes() const { return nodes_.live(); }

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
    List *selected_objects_list();
    List *selected_surfaces_list();
    List *selected_vertices_list();
    List *surface_vertices_list(List *surfaces);
    void append_unique(List **list, List *items);
    // Releases the caller-owned nodes of a list; records misuse when it is not one.
    void release(List *list);
    void save_undo_step(const char *name, List *vertices);

    // ---- the checks: around each plug-in command, with strict on, every
    // breach of the host's rules that the command made is recorded ----
    void begin_command();
    void end_command();
    void note_misuse(std::string what);

private:
    class ListBuilder;
    template <typename Items>
    List *selected_items(Items Object::*items, ItemKind kind);

    // Every line the host prints goes through here: on standard error, when
    // echoing or when ALWAYS.
    void print(const std::string &text, bool always = false) const;
    Stamp new_stamp();
    ItemKind kind_of(List *node) const;
    bool is_own_vertex_node(const List *node) const;
    // A stamp no vertex holds yet, for the undo step being saved.
    uint32_t new_step_stamp();
    void select_none_objects();
    // The one keeper of the list_append_list_unique cache: forgets the list
    // last appended to when it is LIST.  Every path that releases that list,
    // hands it to an undo step, drops the scene or stamps items afresh calls it.
    void forget_append_list(const List *list);
    void note_step(const SavedVertices &saved, uint32_t stamp);
    bool changed_since_start(bool set_aside);

    Scene scene_;
    std::shared_ptr<AcDocument> document_;  // dropped with the scene
    SceneVersions versions_;
    std::shared_ptr<const SceneFile> file_;
    int select_mode_ = kSelectObjects;
    std::vector<Object *> selected_objects_;

    std::vector<std::string> messages_;
    std::string debug_;
    std::vector<std::string> tcl_log_;
    std::vector<std::string> misuse_;
    Counters counts_;
    mutable Box box_;
    mutable bool box_pending_ = false;

    std::vector<MenuItem> menu_;
    std::deque<RegisteredCommand> commands_;  // stays in place: interpreters keep pointers
    std::vector<UndoStep> undo_;

    NodePool nodes_;
    size_t undo_nodes_ = 0;  // caller-owned nodes held by undo steps
    Invocation invocation_;
    Stamp stamp_ = 0;
    uint32_t step_stamp_ = 0;  // of the last undo step saved
    // The list last appended to with list_append_list_unique: while it is
    // remembered, its items carry append_stamp_.
    List *append_head_ = nullptr;
    List *append_tail_ = nullptr;
    Stamp append_stamp_ = 0;
};

Host &host();

// Handles what a host without an interpreter understands: counts the
// ac3d remake_subdivisions request and accepts a source request quietly.
// True if the text was one of these.
bool host_builtin_command(const std::string &text);

// Runs a plug-in command as the modeller does: the host's checks around a
// call of the registered procedure with the count and the strings, entry 0
// being the command's name and the array ending with a null.  True when the
// command showed a message, which is how a command says it refused.
bool invoke_command(const RegisteredCommand &command, const std::vector<std::string> &params);

}  // namespace standin

#endif
