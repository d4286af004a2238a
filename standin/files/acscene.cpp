#include "acscene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "coordinates.h"
#include "error.h"
#include "host.h"

namespace standin {

namespace {

// The scene as a new model: one material, objects in world coordinates.
ac::Model fresh_model(Scene &scene, const std::string &path)
{
    ac::Model m;
    m.path = path;
    m.materials.push_back(
        "MATERIAL \"default\" rgb 0.8 0.8 0.8  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  trans 0");
    m.world.type = "world";
    struct Pending {
        const Object *from;
        ac::Object *to;
        std::size_t depth;
    };
    std::vector<Pending> stack;
    // Children are placed before any of them is filled in, so that the
    // vectors holding them do not move under the pointers kept here.
    auto add_children = [&](const Object &from, ac::Object &to, std::size_t depth) {
        if (depth > 1000) throw Error(path + ": cannot save objects nested more than 1000 deep");
        to.kids.resize(from.children.size());
        for (std::size_t i = from.children.size(); i-- > 0;)
            stack.push_back({from.children[i].get(), &to.kids[i], depth + 1});
    };
    add_children(scene.world(), m.world, 0);
    while (!stack.empty()) {
        Pending p = stack.back();
        stack.pop_back();
        const Object &o = *p.from;
        ac::Object &a = *p.to;
        a.type = o.vertices.size() == 0 && !o.children.empty() ? "group" : "poly";
        if (!o.name.empty()) {
            if (o.name.find('"') != std::string::npos)
                throw Error(path + ": cannot save the name " + o.name + ": an .ac name cannot hold '\"'");
            a.tokens.push_back(ac::Token{"name", {"\"" + o.name + "\""}, {}, 0});
        }
        if (o.subdivided) a.tokens.push_back(ac::Token{"subdiv", {"1"}, {}, 0});
        const std::pair<bool, const char *> flags[] = {
            {o.hidden, "hidden"}, {o.locked, "locked"}, {o.folded, "folded"}};
        for (const auto &[flag, key] : flags)
            if (flag) a.tokens.push_back(ac::Token{key, {}, {}, 0});
        a.hidden = o.hidden;
        a.locked = o.locked;
        a.folded = o.folded;
        if (a.type == "poly") {
            a.vert_at = a.surf_at = a.tokens.size();
            for (const auto &hv : o.vertices) a.verts.push_back({hv.v.x, hv.v.y, hv.v.z});
            for (const auto &s : o.surfaces) {
                ac::Surface as;
                as.flags = 0x10;
                as.first = static_cast<std::uint32_t>(a.refs.size());
                as.count = s.count;
                for (std::uint32_t r : s.refs()) a.refs.push_back(ac::Ref{r, ac::Ref::no_text});
                a.surfs.push_back(as);
            }
        }
        add_children(o, a, p.depth);
    }
    return m;
}

}  // namespace

namespace {

// The scene's objects in the model's order, each vertex placed in the world;
// a world coordinate beyond single precision refuses the file.
void build_scene(Scene &scene, AcDocument &doc)
{
    // The walk goes depth first with a stack of the objects still to visit;
    // this one holds their parents in the scene, in the same order.
    std::vector<Object *> parents;
    ac::for_each_object(doc.model, [&](const ac::Object &source, const ac::Placement &placement) {
        Object *object = &scene.world();
        if (&source != &doc.model.world) {
            Object *parent = parents.back();
            parents.pop_back();
            object = &scene.add_object(source.name(), parent == &scene.world() ? nullptr : parent);
            object->subdivided = source.subdiv() > 0;
        }
        object->kind = source.type;
        object->hidden = source.hidden;
        object->locked = source.locked;
        object->folded = source.folded;
        object->reserve(source.verts.size(), source.surfs.size());
        for (std::size_t i = 0; i < source.verts.size(); ++i) {
            const ac::Vertex w = placement.to_world(source.verts[i]);
            if (!std::isfinite(w.x) || !std::isfinite(w.y) || !std::isfinite(w.z))
                throw Error(doc.model.path + ":" + std::to_string(source.line) + ": expected world coordinates " +
                            "within single precision, found vertex " + std::to_string(i) + " of " +
                            ac::describe(source) + " placed beyond them by its loc and rot");
            object->add_vertex(w.x, w.y, w.z);
        }
        // The scene reads the model's references in place: the model lives
        // as long as the scene, and is never edited.
        static_assert(offsetof(ac::Ref, index) == 0 && sizeof(ac::Ref) == 2 * sizeof(std::uint32_t));
        if (!source.refs.empty())
            object->borrow_refs(&source.refs.front().index, static_cast<std::uint32_t>(source.refs.size()), 2);
        for (const ac::Surface &s : source.surfs) object->add_borrowed_surface(s.first, s.count);
        parents.insert(parents.end(), source.kids.size(), object);
        const auto id = static_cast<std::size_t>(object->id);
        if (doc.link_by_id.size() <= id) doc.link_by_id.resize(id + 1, UINT32_MAX);
        doc.link_by_id[id] = static_cast<std::uint32_t>(doc.links.size());
        doc.links.push_back({object, &source, placement});
    });
}

// Whether vertex i of a link is written anew: its local coordinates (in
// LOCAL) differ from those read. Throws when a move cannot be undone
// through the object's frame.
bool local_of_moved(const AcDocument::Link &link, std::size_t i, const std::string &path, ac::Vertex &local)
{
    const Vertex &w = link.object->vertices[i].v;
    const ac::Vertex old = link.source->verts[i];
    // to_local gives the old coordinates back untouched, and throws nothing,
    // when the world coordinates are those the old ones place.
    try {
        local = link.placement.to_local({w.x, w.y, w.z}, old);
    } catch (const ac::Error &e) {
        throw Error(path + ": cannot save vertex " + std::to_string(i) + " of " + ac::describe(*link.source) + ": " +
                    e.what() + "; nothing written");
    }
    return !same_bits(local, old);
}

// Checks that the scene still fits its model, before anything is written.
void check_fit(const Scene &scene, const AcDocument &doc, const std::string &path)
{
    if (doc.links.size() != scene.object_count() + 1)
        throw Error(path + ": cannot save: the scene has " + std::to_string(scene.object_count()) +
                    " objects, the model it was loaded from " + std::to_string(doc.links.size() - 1));
    for (const AcDocument::Link &link : doc.links) {
        const Object &o = *link.object;
        if (o.vertices.size() != link.source->verts.size() || o.surfaces.size() != link.source->surfs.size())
            throw Error(path + ": cannot save: " + ac::describe(*link.source) +
                        " no longer has the vertices and surfaces of the model it was loaded from");
    }
}

// The links of the model's objects as the writer reaches them: in the
// links' own order, so that each is looked for from the last one found on
// (one step), and only then from the start.
class LinkCursor {
public:
    explicit LinkCursor(const AcDocument &doc) : doc_(doc) {}
    const AcDocument::Link *find(const ac::Object &object)
    {
        for (int tries = 0; tries < 2; ++tries, next_ = 0)
            for (; next_ < doc_.links.size(); ++next_)
                if (doc_.links[next_].source == &object) return &doc_.links[next_];
        return nullptr;
    }

private:
    const AcDocument &doc_;
    std::size_t next_ = 0;
};

// Hands the writer each object's local coordinates as it reaches the
// object, computed into one buffer: no list of changes is kept, and each
// coordinate is computed once.  Counts the vertices written anew.  A vertex
// that cannot go back to its object's frame throws, which stops the writing
// and reaches save_scene's caller as it was thrown; the file being replaced
// is left as it was.
class MovedLocals {
public:
    MovedLocals(const AcDocument &doc, const std::string &path) : links_(doc), path_(path) {}
    const ac::Vertex *operator()(const ac::Object &object)
    {
        const AcDocument::Link *link = links_.find(object);
        if (link == nullptr) return nullptr;
        buffer_.assign(object.verts.begin(), object.verts.end());
        std::size_t moved = 0;
        for (std::size_t i = 0; i < buffer_.size(); ++i) {
            ac::Vertex local;
            if (!local_of_moved(*link, i, path_, local)) continue;
            buffer_[i] = local;
            ++moved;
        }
        moved_ += moved;
        return moved ? buffer_.data() : nullptr;
    }
    std::size_t moved() const { return moved_; }

private:
    LinkCursor links_;
    const std::string &path_;
    std::size_t moved_ = 0;
    std::vector<ac::Vertex> buffer_;
};

// The host's progress hook as the library calls it.
ac::ProgressSink progress_of(Host &host, const char *doing)
{
    if (!host.on_progress) return {};
    return [&host, doing](std::uint64_t done, std::uint64_t total) { host.on_progress(doing, done, total); };
}

void note_file(Host &host, const std::string &path, const ac::FileStamp &stamp)
{
    std::error_code failed;
    std::filesystem::path absolute = std::filesystem::absolute(path, failed);
    host.set_file(std::make_shared<SceneFile>(SceneFile{failed ? path : absolute.string(), stamp}));
}

}  // namespace

LoadedScene load_scene(Host &host, const std::string &path, const ac::ReadOptions &options)
{
    LoadedScene loaded;
    // The model is never edited: saves hand the writer the moved coordinates.
    ac::ReadOptions once = options;
    once.keep_read_copy = false;
    once.copy_text = once.copy_text || host.guard_files;
    if (!once.on_progress) once.on_progress = progress_of(host, "loading");
    once.warn = [&](const std::string &line) {
        loaded.repairs.push_back(ac::one_line(line));
        if (options.warn)
            options.warn(line);
        else if (host.echo)
            std::fprintf(stderr, "%s\n", line.c_str());
    };
    auto doc = std::make_shared<AcDocument>(ac::read_file(path, once));
    loaded.counts = ac::count(doc->model);
    doc->links.reserve(loaded.counts.objects + 1);
    Scene scene;
    build_scene(scene, *doc);
    const ac::FileStamp stamp = doc->model.store->stamp();
    const bool repaired = doc->model.repaired;
    host.replace_scene(std::move(scene), std::move(doc));
    note_file(host, path, stamp);
    if (repaired) host.mark_repaired();
    return loaded;
}

std::size_t save_scene(Host &host, const std::string &path, const ac::WriteOptions &options)
{
    // A file never holds a live preview.
    host.clear_live_preview();
    ac::WriteOptions told = options;
    told.replace.digest = told.replace.digest || host.guard_files;
    if (!told.on_progress) told.on_progress = progress_of(host, "saving");
    if (host.document() == nullptr) {
        ac::Model m = fresh_model(host.scene(), path);
        note_file(host, path, ac::write_file(m, path, told));
        std::size_t n = 0;
        host.scene().for_each_object([&](Object &o) { n += o.vertices.size(); });
        return n;
    }
    const AcDocument &doc = *host.document();
    check_fit(host.scene(), doc, path);
    MovedLocals locals(doc, path);
    told.vertices = [&locals](const ac::Object &object) { return locals(object); };
    LinkCursor links(doc);
    told.flags = [&doc, &links](const ac::Object &object) {
        const AcDocument::Link *link = links.find(object);
        if (link == nullptr)
            throw Error(doc.model.path + ": cannot save: " + ac::describe(object) + " is not in the scene");
        return ac::WrittenFlags{link->object->hidden, link->object->locked};
    };
    note_file(host, path, ac::write_file(doc.model, path, told));
    return locals.moved();
}

std::string scene_file_changes(const Host &host)
{
    return host.file() ? ac::file_changes(host.file()->path, host.file()->stamp) : "";
}

void surface_kinds(const Host &host, const Object &object, std::vector<SurfaceKind> &kinds)
{
    const AcDocument::Link *link = host.document() ? host.document()->link_of(object) : nullptr;
    if (link == nullptr) return;
    const std::vector<ac::Surface> &surfs = link->source->surfs;
    if (std::all_of(surfs.begin(), surfs.end(), [](const ac::Surface &s) { return s.type() == ac::polygon; })) return;
    kinds.resize(surfs.size());
    for (std::size_t s = 0; s < surfs.size(); ++s)
        kinds[s] = surfs[s].type() == ac::line          ? SurfaceKind::line
                   : surfs[s].type() == ac::closed_line ? SurfaceKind::closed_line
                                                        : SurfaceKind::polygon;
}

std::vector<Edge> object_edges(const Host &host, const Object &object)
{
    std::vector<SurfaceKind> kinds;
    surface_kinds(host, object, kinds);
    return edges_of(object, static_cast<std::uint32_t>(object.vertices.size()),
                    static_cast<std::uint32_t>(object.surfaces.size()), kinds, EdgeOrder::as_met);
}

}  // namespace standin
