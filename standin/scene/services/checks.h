// The host's checks of its rules around each plug-in command: with Host::strict
// on, every breach of the rules a command made is recorded (Host::misuse).
//
// Instead of a copy of every position, the checks keep a digest of each
// object's positions: a pass over the records and a few bytes an object.
#ifndef RILO_STANDIN_CHECKS_H
#define RILO_STANDIN_CHECKS_H

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "records.h"
#include "scene.h"

namespace standin {

class Host;
class SavedVertices;

// What the checks keep of one plug-in command while it runs.
struct Invocation {
    bool active = false;
    size_t messages = 0;      // messages shown before it started
    size_t held = 0;          // caller-owned nodes not yet held by undo steps
    Counters counts;          // refresh counters before it started
    size_t undo_steps = 0;    // undo steps saved during it
    uint32_t step_stamp = 0;  // the step stamp of the last of them
    // What the checks keep of each object there when it started.
    struct ObjectDigests {
        size_t count = 0;        // its vertices then
        uint64_t start = 0;      // the digest of their positions then
        uint64_t saved = 0;      // the digest of those the last undo step saved, as saved
        size_t stepped = 0;      // how many that step saved
        bool set_aside = false;  // found changed once already
    };
    std::unordered_map<const Object *, ObjectDigests> objects = {};
};

class Checks {
public:
    bool active() const { return now_.active; }
    // Before a command runs.
    void begin(const Host &host);
    // When the running command saves an undo step of the positions SAVED.
    void step_saved(Host &host, const SavedVertices &saved);
    // After the command; nothing when the checks did not begin.
    void end(Host &host);

private:
    // A step stamp no vertex holds yet.
    uint32_t new_step_stamp(Scene &scene);

    Invocation now_;
    uint32_t step_stamp_ = 0;  // of the last undo step a checked command saved
};

}  // namespace standin

#endif
