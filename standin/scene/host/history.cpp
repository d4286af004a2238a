#include "history.h"

#include <cassert>
#include <utility>

#include "coordinates.h"

namespace standin {

namespace {

// Writes where the vertices of SAVED stand now into POSITIONS, in its order.
void take_positions(const SavedVertices &saved, Vertex *positions)
{
    Vertex *p = positions;
    for (const SavedVertices::Run &run : saved.runs()) {
        for (const HostVertex *v = run.first, *end = run.first + run.count; v != end; ++v) *p++ = v->v;
    }
}

}  // namespace

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
    take_positions(*this, positions_.get());
}

namespace {

// Puts the vertices of SAVED where POSITIONS, in the same order, say.  A
// vertex listed twice is given the same position twice.
void put_positions(const SavedVertices &saved, const Vertex *positions)
{
    const Vertex *p = positions;
    for (const SavedVertices::Run &run : saved.runs()) {
        for (HostVertex *v = run.first, *end = run.first + run.count; v != end; ++v) v->v = *p++;
    }
}

}  // namespace

// ---- the scene's versions ----

void UndoHistory::start_over()
{
    drop(live_);
    drop(undo_);
    drop(redo_);
    held_nodes_ = 0;
    versions_.change();
    versions_.mark_saved();
}

void UndoHistory::note_change_outside()
{
    drop(redo_);
    versions_.change();
    // Every version the history would bring back lacks this change: the
    // steps get versions never used, chained as before, so that no undo or
    // redo reads as saved unless the save came after this change.
    std::uint64_t after = versions_.current();
    for (auto step = undo_.rbegin(); step != undo_.rend(); ++step) {
        step->version_after = after;
        step->version_before = after = versions_.fresh();
    }
}

// ---- steps ----

UndoStep UndoHistory::step_of(const char *name, List *vertices)
{
    UndoStep step{.name = name ? name : "", .vertices = vertices, .nodes = 0, .saved = SavedVertices(vertices)};
    step.nodes = step.saved.size();
    if (vertices != nullptr && !lists_.owns(vertices)) {
        note_misuse_("add_undoable_vertex_positions with a list the host owns");
        step.vertices = nullptr;
        step.nodes = 0;
    }
    // The list is the step's now: append_unique trusts its marks no more.
    lists_.forget_append_list(vertices);
    return step;
}

bool UndoHistory::save(UndoStep step)
{
    held_nodes_ += step.nodes;
    if (running_live_) {
        if (live_.empty()) ++live_number_;
        live_.push_back(std::move(step));
        return false;
    }
    push(std::move(step));
    return true;
}

void UndoHistory::push(UndoStep step)
{
    drop(redo_);
    step.version_before = versions_.current();
    versions_.change();
    step.version_after = versions_.current();
    undo_.push_back(std::move(step));
}

void UndoHistory::drop(std::vector<UndoStep> &steps)
{
    while (!steps.empty()) {
        release(steps.back().vertices);
        held_nodes_ -= steps.back().nodes;
        steps.pop_back();
    }
}

void UndoHistory::release(List *list)
{
    if (const char *misuse = lists_.release(list)) note_misuse_(misuse);
}

void UndoHistory::undo_last(std::string &name)
{
    assert(!undo_.empty());
    UndoStep &step = undo_.back();
    // Taken before anything changes: a step that cannot be kept for redo is not undone.
    if (!step.after) step.after = unfilled_array<Vertex>(step.saved.size());
    make_room_for_one(redo_);
    take_positions(step.saved, step.after.get());
    put_positions(step.saved, step.saved.positions());
    name = step.name;
    versions_.restore(step.version_before);
    release(step.vertices);
    held_nodes_ -= step.nodes;
    step.vertices = nullptr;
    step.nodes = 0;
    redo_.push_back(std::move(step));
    undo_.pop_back();
}

void UndoHistory::redo_last(std::string &name)
{
    assert(!redo_.empty());
    make_room_for_one(undo_);
    UndoStep &step = redo_.back();
    put_positions(step.saved, step.after.get());
    name = step.name;
    versions_.restore(step.version_after);
    undo_.push_back(std::move(step));
    redo_.pop_back();
}

size_t UndoHistory::count_moved(const UndoStep &step)
{
    // A vertex listed twice was saved twice at the same moment: the stamp
    // counts it once.
    const Stamp stamp = lists_.new_stamp();
    size_t moved = 0;
    for (const auto &s : step.saved) {
        VertexState &state = state_of(*s.vertex);
        if (state.mark == stamp) continue;
        state.mark = stamp;
        moved += same_bits(s.vertex->v, s.position) ? 0 : 1;
    }
    return moved;
}

// ---- the live preview ----

bool UndoHistory::clear_live_preview()
{
    live_preview_debug_.clear();
    if (live_.empty()) return false;
    // The last step first: the first one saved the positions before the live preview.
    for (auto step = live_.rbegin(); step != live_.rend(); ++step) put_positions(step->saved, step->saved.positions());
    drop(live_);
    return true;
}

std::string UndoHistory::keep_live_preview()
{
    std::vector<UndoStep> steps = std::move(live_);
    live_.clear();
    for (UndoStep &step : steps) push(std::move(step));
    std::string debug = std::move(live_preview_debug_);
    live_preview_debug_.clear();
    return debug;
}

}  // namespace standin
