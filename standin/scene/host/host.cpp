// The host's own state: the scene, the selection, the records and undo.
#include "host.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "coordinates.h"
#include "error.h"

namespace standin {

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

namespace {

// The words a registered procedure is called with: the command's name, the
// parameters, and a null.
struct CommandWords {
    std::vector<std::string> words;
    std::vector<char *> argv;

    CommandWords(const RegisteredCommand &command, const std::vector<std::string> &params) : words{command.name}
    {
        words.insert(words.end(), params.begin(), params.end());
        for (auto &w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
    }
};

CommandOutcome call_checked(const RegisteredCommand &command, const std::vector<std::string> &params, bool checked)
{
    CommandWords words(command, params);
    Host &h = host();
    const size_t shown = h.messages().written();
    h.settle_box();
    if (checked) h.checks().begin(h);
    command.proc(static_cast<int>(words.words.size()), words.argv.data());
    h.checks().end(h);
    if (h.messages().written() == shown) return {};
    return CommandOutcome{.refused = true, .message = h.messages().back()};
}

}  // namespace

CommandOutcome invoke_command(const RegisteredCommand &command, const std::vector<std::string> &params)
{
    Host &h = host();
    if (h.running_preview()) return call_checked(command, params, h.strict);
    h.clear_preview();
    if (h.on_work) h.on_work(command.name, true);
    const WorkEnds ends(h, command.name);
    return call_checked(command, params, h.strict);
}

CommandOutcome preview_command(const RegisteredCommand &command, const std::vector<std::string> &params)
{
    Host &h = host();
    if (h.checks().active() || h.running_preview()) throw Error("no preview while a plug-in command runs");
    h.clear_preview();
    const RecordMarks marks = h.record_marks();
    h.set_running_preview(true);
    CommandOutcome outcome;
    try {
        // The preview is taken back through its undo step: the checks make
        // sure the step holds every coordinate the command changed.
        outcome = call_checked(command, params, true);
    } catch (...) {
        h.set_running_preview(false);
        throw;
    }
    h.set_running_preview(false);
    h.forget_records_since(marks);
    h.tell_changed();
    return outcome;
}

// ---- the scene and the selection ----

void Host::replace_scene(Scene scene, std::shared_ptr<AcDocument> document)
{
    settle_box();
    // The scene goes: nothing of the preview is put back.
    drop_steps(preview_);
    drop_steps(undo_);
    drop_redo();
    undo_nodes_ = 0;
    select_none_objects();
    lists_.forget_append_list();
    select_mode_ = kSelectObjects;
    scene_ = std::move(scene);
    document_ = std::move(document);
    file_.reset();
    versions_.change();
    versions_.mark_saved();
    ++selection_version_;
    ++tree_version_;
    tell_changed();
}

void Host::note_scene_changed()
{
    clear_preview();
    drop_redo();
    versions_.change();
    // Every version the history would bring back lacks this change: the
    // steps get versions never used, chained as before, so that no undo or
    // redo reads as saved unless the save came after this change.
    std::uint64_t after = versions_.current();
    for (auto step = undo_.rbegin(); step != undo_.rend(); ++step) {
        step->version_after = after;
        step->version_before = after = versions_.fresh();
    }
    ++tree_version_;
    tell_changed();
}

void Host::select(const SelectionChange &change)
{
    using How = SelectionChange::How;
    const bool marked = change.how != How::remove;
    if (!marked && change.mode != select_mode_) return;
    if (change.how == How::replace || change.mode != select_mode_) {
        clear_selection();
        select_mode_ = change.mode;
    }
    for (Object *o : change.objects) {
        if (marked)
            mark_whole(*o);
        else
            deselect(*o);
    }
    for (const auto &[o, index] : change.items) {
        if (select_mode_ == kSelectSurfaces) {
            o->surfaces[index].selected = marked;
        } else if (select_mode_ == kSelectVertices) {
            state_of(o->vertices[index]).selected = marked;
        }
    }
    left_out_ = change.left_out;
    ++selection_version_;
    tell_changed();
}

void Host::mark_whole(Object &object)
{
    if (select_mode_ == kSelectSurfaces) {
        for (auto &surface : object.surfaces) surface.selected = true;
    } else if (select_mode_ == kSelectVertices) {
        for (auto &v : object.vertices) state_of(v).selected = true;
    } else if (!object.selected) {
        object.selected = true;
        selected_objects_.push_back(&object);
    }
}

void Host::deselect(Object &object)
{
    if (object.selected) std::erase(selected_objects_, &object);
    object.selected = false;
    for (auto &v : object.vertices) state_of(v).selected = false;
    for (auto &s : object.surfaces) s.selected = false;
}

void Host::select_none_objects()
{
    for (Object *o : selected_objects_) o->selected = false;
    selected_objects_.clear();
}

void Host::clear_selection()
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

RecordMarks Host::record_marks() const
{
    settle_box();
    return RecordMarks{.messages = messages_.written(),
                       .debug = debug_.written(),
                       .tcl_log = tcl_log_.written(),
                       .counts = counts_,
                       .box = box_};
}

void Host::forget_records_since(const RecordMarks &marks)
{
    messages_.forget_since(marks.messages);
    debug_.forget_since(marks.debug);
    tcl_log_.forget_since(marks.tcl_log);
    counts_ = marks.counts;
    box_ = marks.box;
    box_pending_ = false;
}

void Host::clear_records()
{
    for (Record r : {Record::Messages, Record::Debug, Record::TclLog, Record::Misuse}) clear(r);
    counts_ = Counters{};
}

void Host::show_message(const std::string &text)
{
    // A preview runs at each edit of a dialog: what it says is shown, not echoed.
    if (!running_preview_) print("message: " + text + "\n");
    messages_.add(text);
    if (on_message) on_message(text);
}

void Host::write_debug(const std::string &text)
{
    // Kept aside as well while a preview runs: keeping the preview keeps it.
    if (running_preview_)
        preview_debug_ += text;
    else
        print(text);
    debug_.add(text);
}

void Host::request_tcl(const std::string &text)
{
    tcl_log_.add(text);
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

void take_positions(const SavedVertices &saved, Vertex *positions)
{
    Vertex *p = positions;
    for (const SavedVertices::Run &run : saved.runs()) {
        for (const HostVertex *v = run.first, *end = run.first + run.count; v != end; ++v) *p++ = v->v;
    }
}

}  // namespace

void Host::save_undo_step(const char *name, List *vertices)
{
    UndoStep step{.name = name ? name : "", .vertices = vertices, .nodes = 0, .saved = SavedVertices(vertices)};
    step.nodes = step.saved.size();
    if (vertices != nullptr && !lists_.owns(vertices)) {
        note_misuse("add_undoable_vertex_positions with a list the host owns");
        step.vertices = nullptr;
        step.nodes = 0;
    }
    undo_nodes_ += step.nodes;
    if (checks_.active()) checks_.step_saved(*this, step.saved);
    lists_.forget_append_list(vertices);
    if (running_preview_) {
        preview_.push_back(std::move(step));
        return;
    }
    push_undo(std::move(step));
}

void Host::push_undo(UndoStep step)
{
    drop_redo();
    step.version_before = versions_.current();
    versions_.change();
    step.version_after = versions_.current();
    undo_.push_back(std::move(step));
    tell_changed();
}

void Host::drop_steps(std::vector<UndoStep> &steps)
{
    while (!steps.empty()) {
        release(steps.back().vertices);
        undo_nodes_ -= steps.back().nodes;
        steps.pop_back();
    }
}

void Host::clear_preview()
{
    preview_debug_.clear();
    if (preview_.empty()) return;
    settle_box();
    // The last step first: the first one saved the positions before the preview.
    for (auto step = preview_.rbegin(); step != preview_.rend(); ++step)
        put_positions(step->saved, step->saved.positions());
    drop_steps(preview_);
    tell_changed();
}

bool Host::keep_preview()
{
    if (preview_.empty()) return false;
    std::vector<UndoStep> steps = std::move(preview_);
    preview_.clear();
    for (UndoStep &step : steps) push_undo(std::move(step));
    write_debug(preview_debug_);
    preview_debug_.clear();
    return true;
}

bool Host::undo_last(std::string &name)
{
    if (undo_.empty()) return false;
    clear_preview();
    settle_box();
    UndoStep &step = undo_.back();
    // Taken before anything changes: a step that cannot be kept for redo is not undone.
    if (!step.after) step.after = unfilled_array<Vertex>(step.saved.size());
    make_room_for_one(redo_);
    take_positions(step.saved, step.after.get());
    put_positions(step.saved, step.saved.positions());
    name = step.name;
    versions_.restore(step.version_before);
    tell_changed();
    release(step.vertices);
    undo_nodes_ -= step.nodes;
    step.vertices = nullptr;
    step.nodes = 0;
    redo_.push_back(std::move(step));
    undo_.pop_back();
    return true;
}

bool Host::redo_last(std::string &name)
{
    if (redo_.empty()) return false;
    clear_preview();
    settle_box();
    make_room_for_one(undo_);
    UndoStep &step = redo_.back();
    put_positions(step.saved, step.after.get());
    name = step.name;
    versions_.restore(step.version_after);
    tell_changed();
    undo_.push_back(std::move(step));
    redo_.pop_back();
    return true;
}

size_t Host::count_moved(const UndoStep &step)
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

// ---- breaches of the host's rules ----

void Host::note_misuse(std::string what)
{
    static std::mutex guard;
    std::lock_guard<std::mutex> lock(guard);
    print("misuse: " + what + "\n");
    misuse_.push_back(std::move(what));
}

void Host::append_unique(List **list, List *items)
{
    if (const char *misuse = lists_.append_unique(list, items)) note_misuse(misuse);
}

void Host::release(List *list)
{
    if (const char *misuse = lists_.release(list)) note_misuse(misuse);
}

}  // namespace standin
