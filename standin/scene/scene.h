// The stand-in modeller's scene: a tree of objects with vertices and surfaces.
#ifndef RILO_STANDIN_SCENE_H
#define RILO_STANDIN_SCENE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ac3d.h"
#include "blocks.h"

// Kinds of item a host list can carry.
enum class ItemKind : uint8_t { Vertex, Object, Surface };

// A list node as the host hands it out: the public List, then what the host
// needs to check how the plug-in uses it.
struct Node {
    List list;
    uint32_t tag;   // NodeTag
    ItemKind kind;
};

enum NodeTag : uint32_t {
    kNodeHost = 0x484f5354u,  // part of an object's own list: the host owns it
    kNodeLive = 0x4c495645u,  // handed to the caller, who releases it
    kNodeFree = 0x46524545u,  // released
};

inline Node *node_of(List *list) { return reinterpret_cast<Node *>(list); }

// The host's vertex record: the public prefix first.
struct HostVertex {
    Vertex v;
    Object *owner;
    uint64_t mark;  // membership stamp used while building lists
    uint32_t index;
    bool selected;
};

struct Surface {
    Object *owner;
    std::vector<uint32_t> refs;  // indices into the owner's vertices
    uint64_t mark;
    uint32_t index;
    bool selected;
};

struct Object {
    std::string name;
    int id = 0;
    Object *parent = nullptr;
    bool subdivided = false;
    uint64_t mark = 0;
    Blocks<HostVertex> vertices;  // records stay in place as the object grows
    Blocks<Surface> surfaces;
    std::vector<std::unique_ptr<Object>> children;

    // The object's own lists as the plug-in reads them, rebuilt when stale.
    std::vector<Node> vertex_nodes;
    std::vector<Node> child_nodes;
    bool vertex_nodes_stale = true;
    bool child_nodes_stale = true;

    HostVertex &add_vertex(float x, float y, float z);
    Surface &add_surface(std::vector<uint32_t> refs);
    Object &add_child(std::string child_name, int child_id);
    List *vertex_list();
    List *children_list();
};

// The whole model: a world object whose children are the top-level objects.
class Scene {
public:
    Scene();
    ~Scene();
    Scene(Scene &&other) noexcept = default;
    Scene &operator=(Scene &&other) noexcept;

    Object &world() { return *world_; }
    Object &add_object(std::string name, Object *parent = nullptr);
    Object *find(int id) const;
    std::vector<Object *> named(const std::string &name) const;
    size_t object_count() const { return by_id_.size(); }

    // Every object below the world, depth-first pre-order.
    template <typename F>
    void for_each_object(F &&visit) const;

private:
    std::unique_ptr<Object> world_;
    std::vector<Object *> by_id_;  // id - 1 -> object
};

template <typename F>
void Scene::for_each_object(F &&visit) const
{
    std::vector<std::pair<Object *, size_t>> stack{{world_.get(), 0}};
    while (!stack.empty()) {
        auto &[object, next] = stack.back();
        if (next == object->children.size()) {
            stack.pop_back();
            continue;
        }
        Object *child = object->children[next++].get();
        visit(*child);
        stack.emplace_back(child, 0);
    }
}

#endif
