// Where the selection lies along an axis: what a window shows beside a
// wave's values, over the vertices a command run now would be handed.
#ifndef RILO_STANDIN_EXTENT_H
#define RILO_STANDIN_EXTENT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace standin {

class Host;

struct AxisExtent {
    float low;
    float high;
    size_t vertices;
    // The mean gap between consecutive distinct coordinates: 0 when they
    // are all one.
    double spacing;
};

// The extent along AXIS (0, 1, 2: x, y, z) of the vertices the selection
// hands a command (object mode: the selected objects and everything below
// them; surface mode: the selected surfaces' vertices; vertex mode: the
// selected vertices), where they stand without the live preview; none
// while nothing is selected.  Kept until the scene, its version or the
// selection changes, so that asking again costs nothing.
class SelectionExtent {
public:
    std::optional<AxisExtent> along(Host &host, int axis);

private:
    struct Key {
        std::uint64_t serial, scene, selection;
        bool operator==(const Key &) const = default;
    };
    Key key_{};
    bool known_[3] = {};
    std::array<std::optional<AxisExtent>, 3> extents_;
};

}  // namespace standin

#endif
