// The placements: an object's frame to the world and back, in double,
// through each rot and loc from the object up to the root.
#include "read/reader.h"
#include "same_bits.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace ac {

namespace {

using Mat3 = std::array<double, 9>;

Mat3 mul(const Mat3 &a, const Mat3 &b)
{
    Mat3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k)
                s += a[static_cast<std::size_t>(i * 3 + k)] * b[static_cast<std::size_t>(k * 3 + j)];
            r[static_cast<std::size_t>(i * 3 + j)] = s;
        }
    return r;
}

// P turned by M, in place.
void turn(const Mat3 &m, double p[3])
{
    double q[3];
    for (int i = 0; i < 3; ++i)
        q[i] = m[static_cast<std::size_t>(i * 3)] * p[0] + m[static_cast<std::size_t>(i * 3 + 1)] * p[1] +
               m[static_cast<std::size_t>(i * 3 + 2)] * p[2];
    p[0] = q[0], p[1] = q[1], p[2] = q[2];
}

// Inverse by the adjugate. False when the matrix is singular: its determinant
// is zero or negligible against the size of its rows.
bool invert(const Mat3 &m, Mat3 &inv)
{
    const double c00 = m[4] * m[8] - m[5] * m[7];
    const double c01 = m[5] * m[6] - m[3] * m[8];
    const double c02 = m[3] * m[7] - m[4] * m[6];
    const double det = m[0] * c00 + m[1] * c01 + m[2] * c02;
    double scale = 1;
    for (int r = 0; r < 3; ++r) {
        const std::size_t i = static_cast<std::size_t>(r * 3);
        scale *= std::sqrt(m[i] * m[i] + m[i + 1] * m[i + 1] + m[i + 2] * m[i + 2]);
    }
    if (!(std::fabs(det) > 1e-12 * scale)) return false;
    inv = {c00 / det, (m[2] * m[7] - m[1] * m[8]) / det, (m[1] * m[5] - m[2] * m[4]) / det,
           c01 / det, (m[0] * m[8] - m[2] * m[6]) / det, (m[2] * m[3] - m[0] * m[5]) / det,
           c02 / det, (m[1] * m[6] - m[0] * m[7]) / det, (m[0] * m[4] - m[1] * m[3]) / det};
    return true;
}

}  // namespace

Placement Placement::child(const Object &o) const
{
    Placement p = *this;
    auto s = std::make_shared<Step>(Step{nullptr, o.loc, last_});
    if (o.has_rot) {
        auto turn = std::make_unique<Turn>(Turn{o.rot, {1, 0, 0, 0, 1, 0, 0, 0, 1}});
        if (invert(o.rot, turn->inv)) {
            p.inv_total_ = mul(turn->inv, p.inv_total_);
            for (std::size_t i = 0; i < 3; ++i) {
                p.depends_[i] = 0;
                for (std::size_t j = 0; j < 3; ++j)
                    if (p.inv_total_[i * 3 + j] != 0) p.depends_[i] |= 1u << j;
            }
        } else if (!p.singular_) {
            p.singular_ = std::make_shared<const std::string>(describe(o));
        }
        s->turn = std::move(turn);
    }
    p.moves_ = p.moves_ || o.has_rot || o.loc[0] != 0 || o.loc[1] != 0 || o.loc[2] != 0;
    for (std::size_t i = 0; i < 3; ++i)
        if (!std::signbit(o.loc[i])) p.zero_[i] = 0.0f;
    p.last_ = std::move(s);
    return p;
}

Vertex Placement::to_world_by_steps(const Vertex &v) const
{
    double p[3] = {v.x, v.y, v.z};
    for (const Step *s = last_.get(); s; s = s->parent.get()) {
        if (s->turn) turn(s->turn->rot, p);
        p[0] += s->loc[0];
        p[1] += s->loc[1];
        p[2] += s->loc[2];
    }
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

// The steps from the root down to s, each undone in turn: gathered from s
// up first, as many as the nesting the reader accepts, in a list kept for
// the next vertex (a save undoes the steps of every vertex moved).
void Placement::undo_from_root(const Step *s, double p[3])
{
    thread_local std::vector<const Step *> path;
    path.clear();
    for (; s != nullptr; s = s->parent.get()) path.push_back(s);
    for (auto step = path.rbegin(); step != path.rend(); ++step) {
        p[0] -= (*step)->loc[0];
        p[1] -= (*step)->loc[1];
        p[2] -= (*step)->loc[2];
        if ((*step)->turn) turn((*step)->turn->inv, p);
    }
}

Vertex Placement::to_local(const Vertex &world, const Vertex &old_local) const
{
    const Vertex before = to_world(old_local);
    const unsigned moved = (same_bits(world.x, before.x) ? 0u : 1u) | (same_bits(world.y, before.y) ? 0u : 2u) |
                           (same_bits(world.z, before.z) ? 0u : 4u);
    if (!moved) return old_local;
    if (singular_) throw Error("the rot of " + *singular_ + " is singular, so a move cannot be undone through it");
    double p[3] = {world.x, world.y, world.z};
    undo_from_root(last_.get(), p);
    float old[3] = {old_local.x, old_local.y, old_local.z};
    float out[3];
    for (int i = 0; i < 3; ++i) {
        const bool depends = (depends_[static_cast<std::size_t>(i)] & moved) != 0;
        out[i] = depends ? static_cast<float>(p[i]) : old[i];
        if (!std::isfinite(out[i])) {
            char value[32];
            std::snprintf(value, sizeof value, "%.9g", p[i]);
            throw Error(std::string("its local ") + "xyz"[i] + " would be " + value + ", beyond single precision");
        }
    }
    return {out[0], out[1], out[2]};
}

}  // namespace ac
