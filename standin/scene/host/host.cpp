// The host's own state, and what changes more than one of its parts.
#include "host.h"

#include <cstdio>
#include <mutex>

namespace standin {

Host &host()
{
    static Host instance;
    return instance;
}

// ---- the scene ----

void Host::replace_scene(Scene scene, std::shared_ptr<AcDocument> document)
{
    settle_box();
    // The scene goes: nothing of the live preview is put back.
    history_.start_over();
    selection_.start_over();
    lists_.forget_append_list();
    scene_ = std::move(scene);
    document_ = std::move(document);
    file_.reset();
    ++tree_version_;
    tell_changed();
}

void Host::note_scene_changed()
{
    clear_live_preview();
    history_.note_change_outside();
    ++tree_version_;
    tell_changed();
}

void Host::set_file(std::shared_ptr<const SceneFile> file)
{
    file_ = std::move(file);
    history_.mark_saved();
    tell_changed();
}

void Host::mark_repaired()
{
    history_.new_version();
    tell_changed();
}

void Host::select(const SelectionChange &change)
{
    if (selection_.apply(change, scene_)) tell_changed();
}

// ---- undo, redo and the live preview: the box is settled before any
// vertex moves, and a window told after ----

bool Host::undo_last(std::string &name)
{
    return move_by_step(history_.undo_steps(), &UndoHistory::undo_last, name);
}

bool Host::redo_last(std::string &name)
{
    return move_by_step(history_.redo_steps(), &UndoHistory::redo_last, name);
}

bool Host::move_by_step(const std::vector<UndoStep> &steps, void (UndoHistory::*move)(std::string &), std::string &name)
{
    if (steps.empty()) return false;
    clear_live_preview();
    settle_box();
    (history_.*move)(name);
    tell_changed();
    return true;
}

void Host::clear_live_preview()
{
    if (history_.live_preview_shown()) settle_box();
    if (history_.clear_live_preview()) tell_changed();
}

bool Host::keep_live_preview()
{
    if (!history_.live_preview_shown()) return false;
    const std::string debug = history_.keep_live_preview();
    tell_changed();
    write_debug(debug);
    return true;
}

// ---- the services ----

void Host::print(const std::string &text, bool always) const
{
    if (echo || always) std::fputs(text.c_str(), stderr);
}

void Host::show_message(const std::string &text)
{
    // A live preview runs at each edit of a dialog: what it says is shown, not echoed.
    if (!history_.running_live_preview()) print("message: " + text + "\n");
    records_.add_message(text);
    if (on_message) on_message(text);
}

void Host::write_debug(const std::string &text)
{
    if (history_.running_live_preview())
        history_.add_live_preview_debug(text);
    else
        print(text);
    records_.add_debug(text);
}

void Host::request_tcl(const std::string &text)
{
    records_.add_tcl(text);
    if (eval) {
        std::string error;
        if (!eval(text, error)) print("tcl error: " + error + "\n", true);
    } else if (!host_builtin_command(text)) {
        print("tcl: no interpreter for: " + text + "\n", true);
    }
}

void Host::add_command(RegisteredCommand command)
{
    RegisteredCommand &added = registry_.add(std::move(command));
    if (on_command) on_command(added);
}

void Host::save_undo_step(const char *name, List *vertices)
{
    UndoStep step = history_.step_of(name, vertices);
    if (checks_.active()) checks_.step_saved(*this, step.saved);
    if (history_.save(std::move(step))) tell_changed();
}

void Host::note_misuse(std::string what)
{
    static std::mutex guard;
    std::lock_guard<std::mutex> lock(guard);
    print("misuse: " + what + "\n");
    records_.add_misuse(std::move(what));
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
