// The stand-in's scene from an .ac model file and back.
//
// Loading places every vertex in world coordinates (the scene has no
// transforms) and keeps the model beside the scene. Saving writes that model
// back: coordinates the scene changed go back through the inverse transforms
// into their object's frame, everything else is written as it was read.
#ifndef RILO_STANDIN_ACSCENE_H
#define RILO_STANDIN_ACSCENE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "acfile.h"
#include "edges.h"
#include "scene.h"

namespace standin {

class Host;

// The model file a scene was loaded from.
struct AcDocument {
    struct Link {
        Object *object;            // in the scene
        const ac::Object *source;  // in the model
        ac::Placement placement;   // the source's frame to the world
    };
    explicit AcDocument(ac::Model loaded) : model(std::move(loaded)) {}
    // Never edited, as read without its copy of the coordinates read: a
    // save hands the writer the scene's coordinates instead, and the scene
    // reads the model's surfaces in place.
    const ac::Model model;
    std::vector<Link> links;  // the world first, then the scene's order
    // Where each scene object's link is in links, by the object's id: the
    // window and the side view ask for one object's at a time.
    std::vector<std::uint32_t> link_by_id;

    // The link of a scene object; null for one the model did not give.
    const Link *link_of(const Object &object) const
    {
        const auto id = static_cast<std::size_t>(object.id);
        if (id >= link_by_id.size() || link_by_id[id] >= links.size()) return nullptr;
        const Link &link = links[link_by_id[id]];
        return link.object == &object ? &link : nullptr;
    }
};

// The file the scene was last opened from or saved to, as it was then.
struct SceneFile {
    std::string path;  // made absolute
    ac::FileStamp stamp;
};

// What a load read: the model's counts, and every warning of the reader,
// one line each ("FILE:LINE: warning: ...", control bytes as \xNN).
struct LoadedScene {
    ac::Counts counts;
    std::vector<std::string> repairs;
};

// Replaces the host's scene (and its undo history) with the model in PATH,
// which becomes the scene's file, the scene as saved, or as modified when
// the reader repaired the model (a save will differ from the file). The
// warnings go to options.warn, or to standard error when the host echoes.
// Throws ac::Error, leaving the scene as it was, when the file is refused, or
// Error when a vertex's world coordinates would be beyond single precision.
LoadedScene load_scene(Host &host, const std::string &path, const ac::ReadOptions &options = {});

// Writes the host's scene to PATH, which becomes the scene's file, the scene
// as saved: through the model it was loaded from, or as a new model when it
// was built by other means. The model itself is never
// changed, so a save after undo gives back the file as read. Returns how many
// vertices were written with coordinates other than those read. Throws
// Error, writing nothing, when the scene no longer fits its model or a
// moved vertex cannot go back (a singular rot on the way, a local coordinate
// beyond single precision).
std::size_t save_scene(Host &host, const std::string &path, const ac::WriteOptions &options = {});

// What another program did to the scene's file since it was opened or saved
// (ac::file_changes); "" when nothing, or when the scene has no file.
std::string scene_file_changes(const Host &host);

// The kinds of an object's surfaces as the model the scene came from gives
// them, into KINDS; left empty when all are polygons or the model did not
// give the object.
void surface_kinds(const Host &host, const Object &object, std::vector<SurfaceKind> &kinds);

// The edges of an object's surfaces, each once and where first met:
// polygons and closed lines closed, lines open (surface_kinds).
std::vector<Edge> object_edges(const Host &host, const Object &object);

}  // namespace standin

#endif
