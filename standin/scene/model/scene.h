// The stand-in modeller's scene: a tree of objects with vertices and surfaces.
#ifndef RILO_STANDIN_SCENE_H
#define RILO_STANDIN_SCENE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "memory.h"
#include "object.h"

namespace standin {

// The whole model: a world object whose children are the top-level objects.
class Scene {
public:
    Scene();
    ~Scene();
    Scene(Scene &&other) noexcept = default;
    Scene &operator=(Scene &&other) noexcept;

    Object &world() { return *world_; }
    const Object &world() const { return *world_; }
    Object &add_object(std::string name, Object *parent = nullptr);
    Object *find(int id) const;
    std::vector<Object *> named(const std::string &name) const;
    size_t object_count() const { return by_id_.size(); }
    // Where the scene's records are kept.
    const Arena &arena() const { return *arena_; }
    // A number no other scene of this process has: what is kept about an
    // object beside the scene is known stale when the scene is another.
    uint64_t serial() const { return serial_; }

    // Every object below the world, depth-first pre-order.
    template <typename F>
    void for_each_object(F &&visit) const;

private:
    std::unique_ptr<Arena> arena_;  // first: released after the objects
    std::unique_ptr<Object> world_;
    std::vector<Object *> by_id_;  // id - 1 -> object
    uint64_t serial_;
};

template <typename F>
void Scene::for_each_object(F &&visit) const
{
    bool below_world = false;
    for_each_in_tree(*world_, [&](Object &o) {
        if (below_world) visit(o);
        below_world = true;
    });
}

}  // namespace standin

#endif
