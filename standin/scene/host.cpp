// The host's own state: the scene, the selection, the records and undo.
#include "host.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "coordinates.h"

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

CommandOutcome invoke_command(const RegisteredCommand &command, const std::vector<std::string> &params)
{
    std::vector<std::string> words{command.name};
    words.insert(words.end(), params.begin(), params.end());
    std::vector<char *> argv;
    for (auto &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    Host &h = host();
    const size_t shown = h.messages().size();
    h.settle_box();
    if (h.strict) h.checks().begin(h);
    command.proc(static_cast<int>(words.size()), argv.data());
    h.checks().end(h);
    if (h.messages().size() == shown) return {};
    return CommandOutcome{.refused = true, .message = h.messages().back()};
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
    lists_.forget_append_list();
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

void Host::unselect_object(Object &object)
{
    if (!object.selected) return;
    object.selected = false;
    const auto at = std::find(selected_objects_.begin(), selected_objects_.end(), &object);
    if (at != selected_objects_.end()) selected_objects_.erase(at);
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
