// The host's own state: the scene, the selection, the records, undo and the
// checks of the host's rules around each plug-in command.
#include "host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "coordinates.h"

namespace standin {

namespace {

bool counters_equal(const Counters &a, const Counters &b)
{
    return a.bounding_box == b.bounding_box && a.redraw == b.redraw && a.status == b.status;
}

// A digest of vertex INDEX of an object standing at V.  An object's digest
// is the sum of its vertices', so that the vertices of an undo step count in
// the order the step lists them; a moved vertex changes the sum unless 64-bit
// mixes collide.
inline uint64_t position_digest(uint32_t index, const Vertex &v)
{
    uint32_t x, y, z;
    std::memcpy(&x, &v.x, 4);
    std::memcpy(&y, &v.y, 4);
    std::memcpy(&z, &v.z, 4);
    const uint64_t h =
        (uint64_t{x} << 32 | y) * 0x9e3779b97f4a7c15u ^ (uint64_t{z} << 32 | index) * 0xc2b2ae3d27d4eb4fu;
    return h ^ (h >> 32);
}

}  // namespace

Host &host()
{
    static Host instance;
    return instance;
}

bool host_builtin_command(const std::string &text)
{
    if (text == "ac3d remake_subdivisions") {
        host().count_remake_subdivisions();
        return true;
    }
    // A plug-in sources its script at initialisation.  Without an
    // interpreter there is nothing to read it into: the request is only
    // recorded, like every other text.
    return text.rfind("source ", 0) == 0;
}

bool invoke_command(const RegisteredCommand &command, const std::vector<std::string> &params)
{
    std::vector<std::string> words{command.name};
    words.insert(words.end(), params.begin(), params.end());
    std::vector<char *> argv;
    for (auto &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    Host &h = host();
    const size_t shown = h.messages().size();
    h.settle_box();
    h.begin_command();
    command.proc(static_cast<int>(words.size()), argv.data());
    h.end_command();
    return h.messages().size() > shown;
}

// ---- the scene and the selection ----

void Host::replace_scene(Scene scene, std::shared_ptr<AcDocument> document)
{
    settle_box();
    while (!undo_.empty()) {
        release(undo_.back().vertices);
        undo_.pop_back();
    }
    undo_nodes_ = 0;
    select_none_objects();
    forget_append_list(append_head_);
    select_mode_ = kSelectObjects;
    scene_ = std::move(scene);
    document_ = std::move(document);
    file_.reset();
    versions_.change();
    versions_.mark_saved();
}

void Host::select_object(Object &object)
{
    if (object.selected) return;
    object.selected = true;
    selected_objects_.push_back(&object);
}

void Host::select_none_objects()
{
    for (Object *o : selected_objects_) o->selected = false;
    selected_objects_.clear();
}

void Host::select_none()
{
    select_none_objects();
    scene_.for_each_object([](Object &o) {
        for (auto &v : o.vertices) state_of(v).selected = false;
        for (auto &s : o.surfaces) s.selected = false;
    });
}

// ---- records and registrations ----

void Host::print(const std::string &text, bool always) const
{
    if (echo || always) std::fputs(text.c_str(), stderr);
}

void Host::clear(Record record)
{
    switch (record) {
    case Record::Messages:
        messages_.clear();
        break;
    case Record::Debug:
        debug_.clear();
        break;
    case Record::TclLog:
        tcl_log_.clear();
        break;
    case Record::Misuse:
        misuse_.clear();
        break;
    }
}

void Host::clear_records()
{
    for (Record r : {Record::Messages, Record::Debug, Record::TclLog, Record::Misuse}) clear(r);
    counts_ = Counters{};
}

void Host::show_message(const std::string &text)
{
    print("message: " + text + "\n");
    messages_.push_back(text);
    if (on_message) on_message(text);
}

void Host::write_debug(const std::string &text)
{
    print(text);
    debug_ += text;
}

void Host::request_tcl(const std::string &text)
{
    tcl_log_.push_back(text);
    if (eval) {
        std::string error;
        if (!eval(text, error)) print("tcl error: " + error + "\n", true);
    } else if (!host_builtin_command(text)) {
        print("tcl: no interpreter for: " + text + "\n", true);
    }
}

void Host::add_menu_item(MenuItem item)
{
    menu_.push_back(std::move(item));
}

void Host::add_command(RegisteredCommand command)
{
    commands_.push_back(std::move(command));
    if (on_command) on_command(commands_.back());
}

const RegisteredCommand *Host::find_command(const std::string &name) const
{
    for (const auto &c : commands_) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

void Host::forget_registrations()
{
    menu_.clear();
    commands_.clear();
}

void Host::find_bounding_box()
{
    ++counts_.bounding_box;
    box_pending_ = true;
}

void Host::settle_box() const
{
    if (!box_pending_) return;
    box_pending_ = false;
    bool first = true;
    Box box;
    scene_.for_each_object([&](Object &o) {
        o.vertices.for_each_span([&](const HostVertex *records, size_t n) {
            if (first) {
                box.min = box.max = records[0].v;
                first = false;
            }
            Box b = box;
            for (const HostVertex *r = records, *end = records + n; r != end; ++r) {
                const Vertex &v = r->v;
                b.min = Vertex{std::min(b.min.x, v.x), std::min(b.min.y, v.y), std::min(b.min.z, v.z)};
                b.max = Vertex{std::max(b.max.x, v.x), std::max(b.max.y, v.y), std::max(b.max.z, v.z)};
            }
            box = b;
        });
    });
    box_ = box;
}

// ---- undo ----

SavedVertices::SavedVertices(List *list)
{
    Run run{nullptr, 0};  // the run being followed
    for (List *n = list; n != nullptr; n = n->next) {
        auto *v = static_cast<HostVertex *>(n->data);
        if (run.first + run.count != v || run.first == nullptr) {
            if (run.count > 0) runs_.push_back(run);
            run = Run{v, 0};
        }
        ++run.count;
    }
    if (run.count > 0) runs_.push_back(run);
    for (const Run &r : runs_) size_ += r.count;
    positions_ = unfilled_array<Vertex>(size_);
    Vertex *p = positions_.get();
    for (const Run &run : runs_) {
        for (HostVertex *v = run.first, *end = run.first + run.count; v != end; ++v) *p++ = v->v;
    }
}

void Host::save_undo_step(const char *name, List *vertices)
{
    UndoStep step{name ? name : "", vertices, 0, SavedVertices(vertices)};
    step.nodes = step.saved.size();
    const uint32_t stamp = new_step_stamp();
    // Only the checks of a running command read the stamps.
    if (invocation_.active) note_step(step.saved, stamp);
    if (vertices != nullptr && !nodes_.owns(vertices)) {
        note_misuse("add_undoable_vertex_positions with a list the host owns");
        step.vertices = nullptr;
        step.nodes = 0;
    }
    undo_nodes_ += step.nodes;
    if (invocation_.active) {
        if (++invocation_.undo_steps > 1) note_misuse("more than one undo step in one command");
        if (changed_since_start(true)) note_misuse("coordinate changed before the undo step was saved");
    }
    forget_append_list(vertices);
    step.version_before = versions_.current();
    versions_.change();
    undo_.push_back(std::move(step));
}

bool Host::undo_last(std::string &name)
{
    settle_box();
    if (undo_.empty()) return false;
    UndoStep &step = undo_.back();
    // A vertex listed twice was saved twice at the same moment, so the order
    // does not matter.
    const Vertex *p = step.saved.positions();
    for (const SavedVertices::Run &run : step.saved.runs()) {
        for (HostVertex *v = run.first, *end = run.first + run.count; v != end; ++v) v->v = *p++;
    }
    name = step.name;
    versions_.restore(step.version_before);
    release(step.vertices);
    undo_nodes_ -= step.nodes;
    undo_.pop_back();
    return true;
}

size_t Host::count_moved(const UndoStep &step)
{
    // A vertex listed twice was saved twice at the same moment: the stamp
    // counts it once.
    const Stamp stamp = new_stamp();
    size_t moved = 0;
    for (const auto &s : step.saved) {
        VertexState &state = state_of(*s.vertex);
        if (state.mark == stamp) continue;
        state.mark = stamp;
        moved += same_bits(s.vertex->v, s.position) ? 0 : 1;
    }
    return moved;
}

// ---- the checks ----

void Host::note_misuse(std::string what)
{
    static std::mutex guard;
    std::lock_guard<std::mutex> lock(guard);
    print("misuse: " + what + "\n");
    misuse_.push_back(std::move(what));
}

uint32_t Host::new_step_stamp()
{
    if (++step_stamp_ == kStepStampLimit) {  // wrapped: no record may keep a stamp that could come again
        scene_.for_each_object([](Object &o) {
            for (auto &v : o.vertices) state_of(v).step = 0;
        });
        step_stamp_ = 1;
    }
    return step_stamp_;
}

// Instead of a copy of every position, the checks keep a digest of each
// object's positions: a pass over the records and a few bytes an object.
void Host::begin_command()
{
    if (!strict) return;
    invocation_ = Invocation{true, messages_.size(), nodes_.live() - undo_nodes_, counts_, 0, 0, {}};
    invocation_.spans.reserve(scene_.object_count());
    scene_.for_each_object([&](Object &o) {
        Invocation::Span span{o.vertices.size(), 0, 0, 0, false};
        uint32_t i = 0;
        o.vertices.for_each_span([&](const HostVertex *records, size_t n) {
            for (size_t k = 0; k < n; ++k) span.start += position_digest(i++, records[k].v);
        });
        invocation_.spans.emplace(&o, span);
    });
}

// Whether some record lies in two runs: a vertex listed twice.
static bool runs_overlap(const std::vector<SavedVertices::Run> &runs)
{
    std::vector<std::pair<const HostVertex *, const HostVertex *>> spans;
    spans.reserve(runs.size());
    for (const SavedVertices::Run &run : runs) spans.emplace_back(run.first, run.first + run.count);
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second) return true;
    return false;
}

// Adds the positions the step being saved holds to their objects' digests;
// a vertex listed twice counts once.  A run of consecutive records never
// spans two blocks (a block's head lies between any two), so it is one
// object's vertices with consecutive indices.  The vertices are stamped as
// the step's only where the checks will need to tell them from others of
// their object: when some are listed twice, or an object is partly in it.
void Host::note_step(const SavedVertices &saved, uint32_t stamp)
{
    Invocation &inv = invocation_;
    inv.step_stamp = stamp;
    for (auto &[object, span] : inv.spans) {
        span.saved = 0;
        span.stepped = 0;
    }
    const bool twice = runs_overlap(saved.runs());
    const Vertex *position = saved.positions();
    bool partly = false;
    for (const SavedVertices::Run &run : saved.runs()) {
        const auto found = inv.spans.find(owner_of(*run.first));
        const uint32_t first = index_of(*run.first);
        // Vertices added since the command started are not in the digests.
        size_t counted = 0;
        if (found != inv.spans.end() && first < found->second.count)
            counted = std::min(run.count, found->second.count - first);
        uint64_t sum = 0;
        size_t stepped = 0;
        VertexState *states = &state_of(*run.first);  // a run is within one block, and so are its states
        for (size_t k = 0; k < counted; ++k) {
            if (twice) {
                VertexState &state = states[k];
                if (state.step == stamp) continue;
                state.step = stamp;
            }
            sum += position_digest(static_cast<uint32_t>(first + k), position[k]);
            ++stepped;
        }
        position += run.count;
        if (counted == 0) continue;
        found->second.saved += sum;
        found->second.stepped += stepped;
    }
    for (const auto &[object, span] : inv.spans) partly = partly || (span.stepped > 0 && span.stepped < span.count);
    if (partly && !twice) {
        for (const SavedVertices::Run &run : saved.runs()) {
            VertexState *states = &state_of(*run.first);
            for (size_t k = 0; k < run.count; ++k) states[k].step = stamp;
        }
    }
}

// Whether a vertex of an object that existed when the command started stands
// elsewhere than then, taking each vertex of the last undo step where the
// step saved it.  An object found changed once is set aside (its breach is
// recorded once) when SET_ASIDE.
bool Host::changed_since_start(bool set_aside)
{
    Invocation &inv = invocation_;
    const bool stepped = inv.undo_steps > 0;
    bool changed = false;
    for (auto &[object, span] : inv.spans) {
        if (span.set_aside) continue;
        uint64_t digest = span.saved;
        if (span.stepped < span.count) {
            uint32_t i = 0;
            for (auto v = object->vertices.begin(); i < span.count; ++v, ++i) {
                if (!stepped || state_of(*v).step != inv.step_stamp) digest += position_digest(i, v->v);
            }
        }
        if (digest == span.start) continue;
        changed = true;
        span.set_aside = set_aside;
    }
    return changed;
}

void Host::end_command()
{
    if (!invocation_.active) return;
    invocation_.active = false;
    const bool failed = messages_.size() > invocation_.messages;
    if (failed && invocation_.undo_steps > 0) note_misuse("undo step saved on a failure path");
    if (failed && !counters_equal(counts_, invocation_.counts)) note_misuse("refresh requested on a failure path");

    // Every coordinate that changed must belong to the last step saved for undo.
    if (changed_since_start(false)) {
        note_misuse(invocation_.undo_steps > 0 ? "coordinate changed outside the undo step"
                                               : "coordinate changed without an undo step");
    }
    const size_t held = nodes_.live() - undo_nodes_;
    if (held > invocation_.held) {
        note_misuse("selection list never released (" + std::to_string(held - invocation_.held) + " nodes)");
    }
    invocation_.spans = {};
}

}  // namespace standin
