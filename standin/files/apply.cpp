#include "apply.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <unordered_map>

#include "acscene.h"
#include "coordinates.h"
#include "error.h"
#include "host.h"
#include "preview.h"
#include "selection.h"

namespace standin {

namespace {

[[noreturn]] void refuse_words(const std::string &why) { throw Error(why + "; usage: standin " + kApplyUsage); }

// --select KIND NAME...: the names run to the next option.
void parse_select(const std::vector<std::string> &words, size_t &i, ApplyOptions &o)
{
    if (i + 1 >= words.size()) refuse_words(words[i] + " needs a value");
    o.select = words[++i];
    o.names.clear();
    while (i + 1 < words.size() && words[i + 1].rfind("--", 0) != 0) o.names.push_back(words[++i]);
    if (o.select != "all" && o.select != "objects" && o.select != "surfaces" && o.select != "vertices")
        throw Error("--select takes all, objects, surfaces or vertices, not \"" + o.select + "\"");
    if ((o.select == "all") != o.names.empty())
        throw Error(o.select == "all" ? "--select all takes no names" : "--select " + o.select + " needs object names");
}

}  // namespace

ApplyOptions parse_apply_options(const std::vector<std::string> &words)
{
    if (words.size() < 2) throw Error(std::string("usage: standin ") + kApplyUsage);
    for (size_t i = 0; i < 2; ++i)
        if (words[i].rfind("--", 0) == 0)
            refuse_words(std::string(i == 0 ? "IN.ac" : "OUT.ac") + " is missing (\"" + words[i] + "\" is an option)");
    ApplyOptions o;
    o.in = words[0];
    o.out = words[1];
    std::vector<std::string> given;
    // Options that take one value, and where it goes.
    const std::pair<const char *, std::string ApplyOptions::*> valued[] = {
        {"--freq-axis", &ApplyOptions::freq_axis}, {"--amp-axis", &ApplyOptions::amp_axis},
        {"--frequency", &ApplyOptions::frequency}, {"--amplitude", &ApplyOptions::amplitude},
        {"--offset", &ApplyOptions::offset},       {"--preview", &ApplyOptions::preview}};
    for (size_t i = 2; i < words.size(); ++i) {
        const std::string &word = words[i];
        const auto *option =
            std::find_if(std::begin(valued), std::end(valued), [&](auto &v) { return word == v.first; });
        if (word == "--select") {
            parse_select(words, i, o);
        } else if (option != std::end(valued)) {
            if (i + 1 >= words.size()) refuse_words(word + " needs a value");
            o.*(option->second) = words[++i];
            given.push_back(word);
        } else if (word == "--force") {
            o.force = true;
        } else if (word == "--additive" || word == "--absolute") {
            o.additive = word == "--additive";
        } else if (word == "--per-unit" || word == "--across") {
            o.per_unit = word == "--per-unit";
        } else {
            refuse_words("unknown option \"" + word + "\"");
        }
    }
    for (const auto &[name, field] : valued) {
        const bool required = field != &ApplyOptions::offset && field != &ApplyOptions::preview;
        if (required && std::find(given.begin(), given.end(), name) == given.end())
            refuse_words(std::string(name) + " is required");
    }
    return o;
}

namespace {

// Each vertex the undo step saved, at the first position saved for it.
using SavedPositions = std::unordered_map<const HostVertex *, Vertex>;

SavedPositions positions_saved(const UndoStep &step)
{
    SavedPositions saved;
    for (const auto &s : step.saved) saved.emplace(s.vertex, s.position);
    return saved;
}

// Runs pjtrilo_go with the seven parameters.  Its trace and messages stay in
// the host's records (standin debug, standin messages); the outcome is
// reported by the job.  True when the command refused.
bool run_command(Host &host, const ApplyOptions &o)
{
    const RegisteredCommand *command = host.find_command("pjtrilo_go");
    if (command == nullptr) throw Error("the rilo plug-in is not loaded: there is no pjtrilo_go command");
    const bool was = host.echo;
    host.echo = false;
    const bool refused = invoke_command(*command, {o.freq_axis, o.amp_axis, o.frequency, o.amplitude, o.offset,
                                                   o.additive ? "1" : "0", o.per_unit ? "1" : "0"});
    host.echo = was;
    return refused;
}

std::string preview_title(const ApplyOptions &o, const Preview &p)
{
    return o.in + " \u2192 " + o.out + ": frequency " + o.frequency + " along " + p.across + ", amplitude " +
           o.amplitude + " along " + p.up + ", offset " + o.offset + ", " + (o.additive ? "additive" : "absolute") +
           ", " + (o.per_unit ? "per unit" : "across the selection");
}

// The side view: the edges of the objects reached, before and after, on the
// plane of the frequency axis (across) and the amplitude axis (up).
Preview side_view(const Host &host, const ApplyOptions &o, const std::vector<Object *> &objects,
                  const SavedPositions &saved)
{
    Preview p;
    const int across = axis_index(o.freq_axis), up = axis_index(o.amp_axis);
    p.across = std::string(1, axis_letter(across));
    p.up = std::string(1, axis_letter(up));
    p.title = preview_title(o, p);
    auto before = [&](const HostVertex &v) {
        const auto it = saved.find(&v);
        return it == saved.end() ? v.v : it->second;
    };
    auto line = [&](const Vertex &a, const Vertex &b) {
        return PreviewLine{coordinate(a, across), coordinate(a, up), coordinate(b, across), coordinate(b, up)};
    };
    for (const Object *object : objects) {
        for (const Edge &e : object_edges(host, *object)) {
            const HostVertex &a = object->vertices[e.a], &b = object->vertices[e.b];
            p.before.push_back(line(before(a), before(b)));
            p.after.push_back(line(a.v, b.v));
        }
    }
    return p;
}

// What a path names: its device and inode when it exists, else its folder's
// real path and its own name.
std::string identity(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char *real = ::realpath(dir.c_str(), nullptr);
    if (real == nullptr) return path;
    const std::string named = std::string(real) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
    std::free(real);
    return named;
}

// The files the job writes, refused before anything is read or written: a
// preview that is not an .svg name or that is IN or OUT under another name,
// and any destination replace_file would refuse.
void check_destinations(const ApplyOptions &o)
{
    const ac::ReplaceOptions replace{o.force};
    if (!o.preview.empty()) {
        const std::string &p = o.preview;
        if (p.size() < 5 || p.compare(p.size() - 4, 4, ".svg") != 0)
            throw Error(p + ": cannot save the preview: its name must end in .svg; nothing written");
        const std::string preview = identity(p);
        for (const std::string *model : {&o.in, &o.out})
            if (identity(*model) == preview)
                throw Error(p + ": cannot save the preview: it is the model " + *model + "; nothing written");
        ac::check_destination(p, replace);
    }
    ac::check_destination(o.out, replace);
}

}  // namespace

std::string apply_to_file(Host &host, const ApplyOptions &o)
{
    check_destinations(o);
    load_scene(host, o.in);
    std::vector<Object *> chosen;
    try {
        chosen = select_by_name(host, o.select, o.names);
    } catch (const Error &e) {
        throw Error(o.in + ": " + e.what() + "; nothing written");
    }
    const std::vector<Object *> objects = objects_reached(chosen, host.select_mode());
    const size_t steps = host.undo_steps().size();
    if (run_command(host, o)) throw Error(host.messages().back() + "; nothing written");
    const UndoStep *step = host.undo_steps().size() > steps ? &host.undo_steps().back() : nullptr;

    size_t moved = step ? host.count_moved(*step) : 0, total = 0;
    for (const Object *object : objects) total += object->vertices.size();
    const std::string svg =
        o.preview.empty() ? ""
                          : preview_svg(side_view(host, o, objects, step ? positions_saved(*step) : SavedPositions{}));
    ac::WriteOptions write;
    write.replace.force = o.force;
    save_scene(host, o.out, write);
    std::string result = "moved " + std::to_string(moved) + " of " + std::to_string(total) + " vertices in " +
                         std::to_string(objects.size()) + " object(s); wrote " + o.out;
    if (svg.empty()) return result;
    try {
        ac::replace_file(
            o.preview, [&](const ac::ByteSink &sink) { sink(svg.data(), svg.size()); }, ac::ReplaceOptions{o.force});
    } catch (const std::exception &e) {
        throw Error(result + ", but " + e.what());
    }
    return result + " and " + o.preview;
}

}  // namespace standin
