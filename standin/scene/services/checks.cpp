#include "checks.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "host.h"
#include "same_bits.h"

namespace standin {

namespace {

bool counters_equal(const Counters &a, const Counters &b)
{
    return a.bounding_box == b.bounding_box && a.redraw == b.redraw && a.status == b.status;
}

// An object's digest: the sum of its vertices' position terms, so that the
// vertices of an undo step count in whatever order the step lists them.
uint64_t object_digest(const Object &o)
{
    uint64_t digest = 0;
    uint32_t i = 0;
    o.vertices.for_each_span([&](const HostVertex *records, size_t n) {
        for (size_t k = 0; k < n; ++k) digest += ac::position_term(i++, records[k].v);
    });
    return digest;
}

// Whether some record lies in two runs: a vertex listed twice.
bool runs_overlap(const std::vector<SavedVertices::Run> &runs)
{
    std::vector<std::pair<const HostVertex *, const HostVertex *>> spans;
    spans.reserve(runs.size());
    for (const SavedVertices::Run &run : runs) spans.emplace_back(run.first, run.first + run.count);
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second) return true;
    return false;
}

// Adds the positions of RUN, saved at POSITION, to its object's digest of
// the step.  A run is one object's vertices with consecutive indices (a run
// never spans two blocks).  When TWICE, some vertex of the step is listed
// twice: each is stamped as the step's, and counted only the first time.
void add_run(Invocation &inv, const SavedVertices::Run &run, const Vertex *position, bool twice)
{
    const auto found = inv.objects.find(owner_of(*run.first));
    if (found == inv.objects.end()) return;
    Invocation::ObjectDigests &digests = found->second;
    const uint32_t first = index_of(*run.first);
    if (first >= digests.count) return;  // added since the command started: not in the digests
    const size_t counted = std::min(run.count, digests.count - first);
    VertexState *states = states_of_run(run.first, run.count);
    const uint32_t stamp = inv.step_stamp;
    uint64_t sum = 0;
    size_t stepped = 0;
    for (size_t k = 0; k < counted; ++k) {
        if (twice) {
            if (states[k].step == stamp) continue;
            states[k].step = stamp;
        }
        sum += ac::position_term(static_cast<uint32_t>(first + k), position[k]);
        ++stepped;
    }
    digests.saved += sum;
    digests.stepped += stepped;
}

void stamp_runs(const SavedVertices &saved, uint32_t stamp)
{
    for (const SavedVertices::Run &run : saved.runs()) {
        VertexState *states = states_of_run(run.first, run.count);
        for (size_t k = 0; k < run.count; ++k) states[k].step = stamp;
    }
}

// Takes the step being saved, as STAMP, as where its vertices stand: their
// positions as saved go to their objects' digests of the step.  The
// vertices are stamped as the step's only where changed_since_start will
// need to tell them from others of their object: when some are listed twice,
// or an object is partly in the step.
void note_step(Invocation &inv, const SavedVertices &saved, uint32_t stamp)
{
    inv.step_stamp = stamp;
    for (auto &[object, digests] : inv.objects) digests.saved = digests.stepped = 0;
    const bool twice = runs_overlap(saved.runs());
    const Vertex *position = saved.positions();
    for (const SavedVertices::Run &run : saved.runs()) {
        add_run(inv, run, position, twice);
        position += run.count;
    }
    if (twice) return;
    const bool partly = std::any_of(inv.objects.begin(), inv.objects.end(), [](const auto &entry) {
        return entry.second.stepped > 0 && entry.second.stepped < entry.second.count;
    });
    if (partly) stamp_runs(saved, stamp);
}

// Whether a vertex of an object that existed when the command started stands
// elsewhere than then, taking each vertex of the last undo step where the
// step saved it.  An object found changed once is set aside (its breach is
// recorded once) when SET_ASIDE.
bool changed_since_start(Invocation &inv, bool set_aside)
{
    const bool stepped = inv.undo_steps > 0;
    bool changed = false;
    for (auto &[object, digests] : inv.objects) {
        if (digests.set_aside) continue;
        uint64_t digest_now = digests.saved;
        if (digests.stepped < digests.count) {
            uint32_t i = 0;
            for (auto v = object->vertices.begin(); i < digests.count; ++v, ++i) {
                if (!stepped || state_of(*v).step != inv.step_stamp) digest_now += ac::position_term(i, v->v);
            }
        }
        if (digest_now == digests.start) continue;
        changed = true;
        digests.set_aside = set_aside;
    }
    return changed;
}

}  // namespace

void Checks::begin(const Host &host)
{
    now_ = Invocation{
        .active = true, .messages = host.messages().written(), .held = host.held_list_nodes(), .counts = host.counts()};
    now_.objects.reserve(host.scene().object_count());
    host.scene().for_each_object([&](const Object &o) {
        now_.objects.emplace(&o, Invocation::ObjectDigests{.count = o.vertices.size(), .start = object_digest(o)});
    });
}

uint32_t Checks::new_step_stamp(Scene &scene)
{
    if (++step_stamp_ == kStepStampLimit) {  // wrapped: no record may keep a stamp that could come again
        scene.for_each_object([](Object &o) {
            for (auto &v : o.vertices) state_of(v).step = 0;
        });
        step_stamp_ = 1;
    }
    return step_stamp_;
}

void Checks::step_saved(Host &host, const SavedVertices &saved)
{
    note_step(now_, saved, new_step_stamp(host.scene()));
    if (++now_.undo_steps > 1) host.note_misuse("more than one undo step in one command");
    if (changed_since_start(now_, true)) host.note_misuse("coordinate changed before the undo step was saved");
}

void Checks::end(Host &host)
{
    if (!now_.active) return;
    now_.active = false;
    const bool failed = host.messages().written() > now_.messages;
    if (failed && now_.undo_steps > 0) host.note_misuse("undo step saved on a failure path");
    if (failed && !counters_equal(host.counts(), now_.counts)) host.note_misuse("refresh requested on a failure path");

    // Every coordinate that changed must belong to the last step saved for undo.
    if (changed_since_start(now_, false)) {
        host.note_misuse(now_.undo_steps > 0 ? "coordinate changed outside the undo step"
                                             : "coordinate changed without an undo step");
    }
    const size_t held = host.held_list_nodes();
    if (held > now_.held) {
        host.note_misuse("selection list never released (" + std::to_string(held - now_.held) + " nodes)");
    }
    now_.objects = {};
}

}  // namespace standin
