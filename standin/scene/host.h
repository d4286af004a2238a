// The stand-in modeller's state behind the services it exports to plug-ins.
#ifndef RILO_STANDIN_HOST_H
#define RILO_STANDIN_HOST_H

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ac3d.h"
#include "scene.h"

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

struct UndoStep {
    struct Saved {
        HostVertex *vertex;
        Vertex position;
    };
    std::string name;
    List *vertices;  // the list handed over; the step releases it
    size_t nodes;    // how many nodes that list has
    Blocks<Saved> saved;
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

// Nodes of the lists handed to callers, kept in chunks and reused.
class NodePool {
public:
    Node *take(void *item, ItemKind kind);
    void give_back(Node *node);
    bool owns(const List *list) const;
    size_t live() const { return live_; }

private:
    std::vector<std::unique_ptr<Node[]>> chunks_;
    std::vector<std::pair<const Node *, const Node *>> ranges_;  // one per chunk
    size_t next_in_chunk_ = 0;
    size_t chunk_size_ = 0;
    Node *free_ = nullptr;
    size_t live_ = 0;
    mutable size_t last_hit_ = 0;
};

// What the host watches while one plug-in command runs.
struct Invocation {
    bool active = false;
    size_t messages = 0;        // messages shown before it started
    size_t held = 0;            // caller-owned nodes not yet held by undo steps
    Counters counts;            // refresh counters before it started
    size_t undo_steps = 0;      // undo steps pushed during it
    std::vector<Vertex> positions;  // every vertex before it started, in scene order
};

enum SelectMode { kSelectObjects = 1, kSelectSurfaces = AC_SELECT_SURFACE, kSelectVertices = AC_SELECT_VERTEX };

struct Host {
    Scene scene;
    int select_mode = kSelectObjects;
    std::vector<Object *> selected_objects;  // in selection order

    std::vector<std::string> messages;
    std::string debug;
    std::vector<std::string> tcl_log;      // every text handed to tcl_command
    std::vector<std::string> misuse;       // breaches of the list and undo contract
    std::vector<MenuItem> menu;
    std::deque<RegisteredCommand> commands;  // stays in place: interpreters keep pointers
    std::vector<UndoStep> undo;
    Counters counts;
    Box box;
    bool echo = true;  // copy messages and debug output to standard error
    bool strict = true;  // check each plug-in command against the host's rules
    uint32_t test_tick = 0;  // the tick a test build of the plug-in reads
    std::shared_ptr<AcDocument> document;  // set by loading a model file; dropped with the scene

    // Evaluates Tcl text; returns false with the error text on failure.
    // Without an interpreter the host understands "ac3d remake_subdivisions" and
    // accepts "source" requests without reading anything.
    std::function<bool(const std::string &, std::string &)> eval;
    // Told of each command registered, so that an interpreter can expose it.
    std::function<void(RegisteredCommand &)> on_command;
    // Told of each message after it is recorded, so that a window can show it.
    std::function<void(const std::string &)> on_message;

    NodePool nodes;
    size_t undo_nodes = 0;  // caller-owned nodes held by undo steps
    Invocation invocation;
    uint64_t stamp = 0;
    // The list last appended to with list_append_list_unique: while nothing
    // else has stamped items since, its items carry append_stamp.
    List *append_head = nullptr;
    List *append_tail = nullptr;
    uint64_t append_stamp = 0;

    uint64_t new_stamp() { return ++stamp; }
    void reset_scene();
    void select_none();
    // Forgets what plug-ins said and asked for, and the counters.
    void clear_records();
    // Releases the caller-owned nodes of a list; records misuse when it is not one.
    void release(List *list);
    bool undo_last(std::string &name);
    // Around each plug-in command: with strict on, records in misuse every
    // breach of the host's rules that the command made.
    void begin_command();
    void end_command();
    void note_misuse(std::string what);
};

Host &host();

// Handles what a host without an interpreter understands: counts the
// ac3d remake_subdivisions request and accepts a source request quietly.
// True if the text was one of these.
bool host_builtin_command(const std::string &text);

#endif
