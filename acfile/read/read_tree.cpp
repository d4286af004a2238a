// The object tree: the world and each object's children, read without
// recursion, and the objects a file has after its world. The repairs of a
// tree that does not match its `kids` counts, or has no world, are here
// with their warnings.
#include "read/reader.h"

#include <algorithm>

namespace ac::detail {

// The world and its tree; objects after it are adopted by the world, and a
// file without a world gets one.
void Reader::read_objects()
{
    Object &world = m_.world;
    const bool has_world = sc_.peek().is("world");
    if (has_world) {
        const std::uint32_t k = read_object(world);
        read_tree(world, k);
    } else {
        msg_.warn(cur().line, "no OBJECT world; the top-level objects are placed under a new world object");
        world.type = "world";
        world.line = 0;
    }
    bool adopted = false;
    while (cur().is("OBJECT")) {
        if (has_world && !adopted)
            msg_.warn(cur().line, "more objects follow the world's " + std::to_string(world.kids.size()) +
                                      " children; they are adopted as further children of the world");
        adopted = true;
        read_tree(world, 1);
    }
}

// Reads `kids` objects (each with its subtree) into parent, without
// recursion. An object tree that the file ends in the middle of is kept as
// far as it goes.
void Reader::read_tree(Object &parent, std::uint32_t kids)
{
    struct Open {
        Object *obj;
        std::uint32_t left;
    };
    std::vector<Open> open;
    open.push_back({&parent, kids});
    reserve_kids(parent, kids);
    while (!open.empty()) {
        if (open.back().left == 0) {
            open.pop_back();
            continue;
        }
        if (cur().eof()) {
            std::uint64_t missing = 0;
            for (const Open &op : open) missing += op.left;
            if (!short_warned_)
                msg_.warn(cur().line, "the file ends " + std::to_string(missing) +
                                          " object(s) short of what 'kids' announced; kept the objects read");
            short_warned_ = true;
            return;
        }
        if (!cur().is("OBJECT")) msg_.fail(cur().line, "OBJECT (a child of " + describe(*open.back().obj) + ")", cur());
        if (open.size() > 1000) msg_.fail(cur().line, "objects nested at most 1000 deep");
        --open.back().left;
        Object &child = open.back().obj->kids.emplace_back();
        const std::uint32_t k = read_object(child);
        if (child.type == "world") msg_.fail(child.line, "OBJECT world only as the root");
        if (k) {
            open.push_back({&child, k});
            reserve_kids(child, k);
        }
    }
}

// Room for the children a kids line announces, as many as the rest of the
// text could hold (an object takes 16 bytes at least) and at most 65536 to
// begin with. Objects adopted by the world come one at a time: no room is
// made for them, so that their vector grows as vectors do.
void Reader::reserve_kids(Object &o, std::uint32_t k)
{
    if (!o.kids.empty()) return;
    const auto room = static_cast<std::size_t>(sc_.end() - sc_.pos()) / 16 + 1;
    o.kids.reserve(std::min<std::size_t>({k, room, std::size_t{1} << 16}));
}

}  // namespace ac::detail
