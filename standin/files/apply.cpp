#include "apply.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string_view>
#include <utility>

#include <CLI/CLI.hpp>

#include "acscene.h"
#include "coordinates.h"
#include "error.h"
#include "host.h"
#include "selection.h"
#include "side_view.h"

namespace standin {

void define_apply_options(CLI::App &app, ApplyOptions &o)
{
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);  // a later value wins
    app.add_option("IN.ac", o.in, "the model read")->required()->type_name("");
    app.add_option("OUT.ac", o.out, "the model written (IN.ac itself may be named)")->required()->type_name("");
    app.add_option("--freq-axis", o.freq_axis, "the axis the wave runs along")->required()->type_name("x|y|z");
    app.add_option("--amp-axis", o.amp_axis, "the axis vertices move along")->required()->type_name("x|y|z");
    app.add_option("--frequency", o.frequency, "cycles per unit, or across the selection")->required()->type_name("F");
    app.add_option("--amplitude", o.amplitude, "the height of the wave, in model units")->required()->type_name("A");
    // Names are taken as written: without extra arguments CLI11 would read
    // "[a,b]" as a list, and below a sixteenth of its largest count it
    // keeps the count as given.
    app.add_option("--select", o.select_words,
                   "all (the default), or objects|surfaces|vertices NAME...; -- NAME... at the end adds names "
                   "beginning with -")
        ->expected(1, CLI::detail::expected_max_vector_size / 16 - 1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->type_name("KIND NAME");
    app.add_option("--match", o.patterns,
                   "also select the objects whose names match PATTERN: * ? [...], case counts (objects by default)")
        ->expected(1, CLI::detail::expected_max_vector_size / 16 - 1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->type_name("PATTERN");
    app.add_option("--offset", o.offset, "the phase: hundredths of a cycle, or random for each object (0)")
        ->type_name("N|random");
    app.add_flag("--additive,!--absolute", o.additive,
                 "add the wave to the shape (the default), or put vertices on one curve");
    app.add_flag("--per-unit,!--across", o.per_unit, "frequency per model unit (the default), or across the selection");
    app.add_option("--side-view,--preview", o.side_view, "also draw the side view, to a file ending in .svg")
        ->type_name("OUT.svg");
    app.add_flag("--force", o.force, "replace an OUT.ac or side view the user may not write");
    app.get_formatter()->column_width(34);
    app.footer("F, A and N are read as pjtrilo_go reads them: text after the number is ignored, with a warning.\n"
               "Exit status: 0 success, 1 the job failed, 2 the command line was wrong.");
}

void check_apply_options(ApplyOptions &o)
{
    if (!o.after_dashes.empty() && o.select_words.empty())
        throw CLI::ValidationError("the names after -- need --select objects, surfaces or vertices");
    o.select_words.insert(o.select_words.end(), o.after_dashes.begin(), o.after_dashes.end());
    if (o.select_words.empty()) {
        if (!o.patterns.empty()) o.select = "objects";
        return;
    }
    o.select = o.select_words[0];
    o.names.assign(o.select_words.begin() + 1, o.select_words.end());
    if (o.select != "all" && o.select != "objects" && o.select != "surfaces" && o.select != "vertices")
        throw CLI::ValidationError(expected("all, objects, surfaces or vertices after --select", o.select).what());
    if ((o.select == "all") != (o.names.empty() && o.patterns.empty()))
        throw CLI::ValidationError(o.select == "all" ? "--select all takes no names and no --match"
                                                     : "--select " + o.select + " needs object names or --match");
}

ApplyOptions parse_apply_options(const std::vector<std::string> &words)
{
    ApplyOptions o;
    CLI::App app("Runs the waveform on a model file.", "standin apply");
    define_apply_options(app, o);
    const auto dashes = std::find(words.begin(), words.end(), "--");
    if (dashes != words.end()) o.after_dashes.assign(dashes + 1, words.end());
    std::vector<std::string> reversed(std::make_reverse_iterator(dashes), words.rend());  // CLI11 takes them last first
    try {
        app.parse(reversed);
        check_apply_options(o);
    } catch (const CLI::CallForHelp &) {
        o.help = app.help();
    } catch (const CLI::ParseError &e) {
        throw UsageError(apply_usage_message(app, e, o.after_dashes) +
                         "; usage: standin apply IN.ac OUT.ac OPTION... (" + kApplyHelp + ")");
    }
    return o;
}

std::string apply_usage_message(const CLI::App &app, const CLI::ParseError &e,
                                const std::vector<std::string> &after_dashes)
{
    if (dynamic_cast<const CLI::RequiredError *>(&e) == nullptr) return e.what();
    // A file whose name begins with "-" reads as an unknown option, and the
    // missing file is what CLI11 reports.
    for (const std::string &word : app.remaining())
        if (word.size() > 1 && word[0] == '-' && word[1] != '-')
            return ac::one_line(word + ": no such option; a file whose name begins with - is named ./" + word);
    if (after_dashes.empty()) return e.what();
    // After "--" every word is an object's name, a file's included.
    std::string why = std::string(e.what()) + "; the words after -- are object names";
    for (const std::string &word : after_dashes) {
        if (word.size() < 4 || word.compare(word.size() - 3, 3, ".ac") != 0) continue;
        why += ", " + word + " among them: name the files before --";
        if (word[0] == '-') why += ", a file whose name begins with - as ./" + word;
        break;
    }
    return ac::one_line(why);
}

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// What pjtrilo_go leaves of TEXT after its number: it skips blanks, reads a
// sign, digits with at most one point (a digit at least), and an exponent
// when digits follow the e, up to the first NUL as C reads the word.  Empty
// when it reads no number at all: it refuses the word then.
std::string_view text_after_number(const std::string &word)
{
    const std::string_view text(word.c_str());
    std::size_t i = 0, digits = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    for (; i < text.size() && is_digit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && is_digit(text[i]); ++i) ++digits;
    if (digits == 0) return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        if (e < text.size() && is_digit(text[e])) {
            while (e < text.size() && is_digit(text[e])) ++e;
            i = e;
        }
    }
    return text.substr(i);
}

// Where the vertices of the objects reached stood before the command: the
// first position the undo step saved for each, or where it stands now.
// Each object's vertices in a row, found by its id: the side view reads one
// at each end of each edge, which a hash table of the saved positions made
// slow.
class PositionsBefore {
public:
    PositionsBefore(const std::vector<Object *> &objects, const UndoStep *step)
    {
        std::size_t vertices = 0;
        for (const Object *object : objects) vertices += object->vertices.size();
        positions_.reserve(vertices);
        for (const Object *object : objects) {
            const auto id = static_cast<std::size_t>(object->id);
            if (first_.size() <= id) first_.resize(id + 1, kNone);
            if (first_[id] != kNone) continue;
            first_[id] = positions_.size();
            object->vertices.for_each_span([&](const HostVertex *records, std::size_t n) {
                for (std::size_t i = 0; i < n; ++i) positions_.push_back(records[i].v);
            });
        }
        if (step == nullptr) return;
        std::vector<bool> taken(positions_.size());
        for (const auto &s : step->saved) {
            const std::size_t first = first_of(*owner_of(*s.vertex));
            if (first == kNone) continue;
            const std::size_t at = first + index_of(*s.vertex);
            if (taken[at]) continue;
            taken[at] = true;
            positions_[at] = s.position;
        }
    }
    // The object's vertices, by their index in it.
    const Vertex *of(const Object &object) const { return positions_.data() + first_of(object); }

private:
    static constexpr std::size_t kNone = SIZE_MAX;
    std::size_t first_of(const Object &object) const
    {
        const auto id = static_cast<std::size_t>(object.id);
        return id < first_.size() ? first_[id] : kNone;
    }
    std::vector<std::size_t> first_;  // by object id
    std::vector<Vertex> positions_;
};

// Keeps the host from echoing while it lives, however its scope ends.
class Quiet {
public:
    explicit Quiet(Host &host) : host_(host), was_(host.echo) { host.echo = false; }
    ~Quiet() { host_.echo = was_; }
    Quiet(const Quiet &) = delete;
    Quiet &operator=(const Quiet &) = delete;

private:
    Host &host_;
    bool was_;
};

// Runs pjtrilo_go with the seven parameters.  Its trace and messages stay in
// the host's records (standin debug, standin messages); the outcome is
// reported by the job.
CommandOutcome run_command(Host &host, const ApplyOptions &o)
{
    const RegisteredCommand *command = host.find_command("pjtrilo_go");
    if (command == nullptr) throw Error("the rilo plug-in is not loaded: there is no pjtrilo_go command");
    const Quiet quiet(host);
    return invoke_command(*command, {o.freq_axis, o.amp_axis, o.frequency, o.amplitude, o.offset,
                                     o.additive ? "1" : "0", o.per_unit ? "1" : "0"});
}

std::string side_view_title(const ApplyOptions &o, const SideView &p)
{
    return "frequency " + o.frequency + " along " + p.across + ", amplitude " +
           o.amplitude + " along " + p.up + ", offset " + o.offset + ", " + (o.additive ? "additive" : "absolute") +
           ", " + (o.per_unit ? "per unit" : "across the selection");
}

// The side view: the edges of the objects reached, before and after, on the
// plane of the frequency axis (across) and the amplitude axis (up).
SideView side_view_of(const Host &host, const ApplyOptions &o, const std::vector<Object *> &objects,
                      const UndoStep *step)
{
    SideView p;
    const int across = axis_index(o.freq_axis), up = axis_index(o.amp_axis);
    p.across = std::string(1, axis_letter(across));
    p.up = std::string(1, axis_letter(up));
    p.in = o.in;
    p.out = o.out;
    p.title = side_view_title(o, p);
    auto line = [&](const Vertex &a, const Vertex &b) {
        return SideViewLine{coordinate(a, across), coordinate(a, up), coordinate(b, across), coordinate(b, up)};
    };
    // Every object's edges first, so that each layer is made in one piece.
    std::vector<std::vector<Edge>> edges;
    edges.reserve(objects.size());
    std::size_t total = 0;
    for (const Object *object : objects) total += edges.emplace_back(object_edges(host, *object)).size();
    p.before.reserve(total);
    p.after.reserve(total);
    const PositionsBefore positions(objects, step);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const Object &object = *objects[i];
        const Vertex *before = positions.of(object);
        for (const Edge &e : edges[i]) {
            p.before.push_back(line(before[e.a], before[e.b]));
            p.after.push_back(line(object.vertices[e.a].v, object.vertices[e.b].v));
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
// side view that is not an .svg name or that is IN or OUT under another name,
// and any destination replace_file would refuse.
void check_destinations(const ApplyOptions &o)
{
    const ac::ReplaceOptions replace{o.force};
    if (!o.side_view.empty()) {
        const std::string &p = o.side_view;
        if (p.size() < 5 || p.compare(p.size() - 4, 4, ".svg") != 0)
            throw Error(ac::one_line(p + ": cannot save the side view: its name must end in .svg; nothing written"));
        const std::string picture = identity(p);
        for (const std::string *model : {&o.in, &o.out})
            if (identity(*model) == picture)
                throw Error(
                    ac::one_line(p + ": cannot save the side view: it is the model " + *model + "; nothing written"));
        ac::check_destination(p, replace);
    }
    ac::check_destination(o.out, replace);
}

}  // namespace

std::vector<std::string> number_warnings(const ApplyOptions &o)
{
    std::vector<std::string> warnings;
    const std::pair<const char *, const std::string *> numbers[] = {
        {"--frequency", &o.frequency}, {"--amplitude", &o.amplitude}, {"--offset", &o.offset}};
    for (const auto &[option, word] : numbers) {
        if (word == &o.offset && *word == "random") continue;
        const std::string_view ignored = text_after_number(*word);
        if (ignored.empty()) continue;
        warnings.push_back(ac::one_line(std::string(option) + " " + in_quotes(*word) + ": the text " +
                                        in_quotes(std::string(ignored)) + " after the number is ignored"));
    }
    return warnings;
}

std::string apply_to_file(Host &host, const ApplyOptions &o)
{
    check_destinations(o);
    load_scene(host, o.in);
    std::vector<Object *> chosen;
    try {
        chosen = select_by_name(host, o.select, o.names, kSelectObjects, o.patterns);
    } catch (const Error &e) {
        throw Error(ac::one_line(o.in + ": " + e.what() + "; nothing written"));
    }
    const std::vector<Object *> objects = objects_reached(chosen, host.select_mode());
    const size_t steps = host.undo_steps().size();
    const CommandOutcome outcome = run_command(host, o);
    if (outcome.refused) throw Error(ac::one_line(outcome.message + "; nothing written"));
    for (const std::string &warning : number_warnings(o))
        std::fputs(("standin: warning: " + warning + "\n").c_str(), stderr);
    const UndoStep *step = host.undo_steps().size() > steps ? &host.undo_steps().back() : nullptr;

    size_t moved = step ? host.count_moved(*step) : 0, total = 0;
    for (const Object *object : objects) total += object->vertices.size();
    const std::string svg = o.side_view.empty() ? "" : side_view_svg(side_view_of(host, o, objects, step));
    ac::WriteOptions write;
    write.replace.force = o.force;
    save_scene(host, o.out, write);
    std::string result = "moved " + std::to_string(moved) + " of " + std::to_string(total) + " vertices in " +
                         std::to_string(objects.size()) + " object(s); wrote " + o.out;
    if (svg.empty()) return ac::one_line(result);
    try {
        ac::replace_file(
            o.side_view, [&](const ac::ByteSink &sink) { sink(svg.data(), svg.size()); }, ac::ReplaceOptions{o.force});
    } catch (const std::exception &e) {
        throw Error(ac::one_line(result + ", but " + e.what()));
    }
    return ac::one_line(result + " and " + o.side_view);
}

}  // namespace standin
