// The stand-in's scene from an .ac model file and back.
//
// Loading places every vertex in world coordinates (the scene has no
// transforms) and keeps the model beside the scene. Saving writes that model
// back: coordinates the scene changed go back through the inverse transforms
// into their object's frame, everything else is written as it was read.
#ifndef RILO_STANDIN_ACSCENE_H
#define RILO_STANDIN_ACSCENE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "acfile.h"
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
};

// The file the scene was last opened from or saved to, as it was then.
struct SceneFile {
    std::string path;  // made absolute
    ac::FileStamp stamp;
};

// Replaces the host's scene (and its undo history) with the model in PATH,
// which becomes the scene's file, the scene as saved.
// Throws ac::Error, leaving the scene as it was, when the file is refused, or
// Error when a vertex's world coordinates would be beyond single precision.
ac::Counts load_scene(Host &host, const std::string &path, const ac::ReadOptions &options = {});

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

// One edge of a surface, by the indices of its two vertices in the object.
struct Edge {
    std::uint32_t a, b;
};

// An edge as one number, the same whichever way round its ends are given.
inline std::uint64_t edge_key(std::uint32_t a, std::uint32_t b)
{
    return (std::uint64_t{std::min(a, b)} << 32) | std::max(a, b);
}

// The edges of an object's surfaces, each once: polygons and closed lines
// closed, lines open (the model's surface types when the scene came from one).
std::vector<Edge> object_edges(const Host &host, const Object &object);

}  // namespace standin

#endif
