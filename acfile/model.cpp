// What the model answers about itself (tokens by key, names, texture
// coordinates, counts), the object-to-world placements and the walk over the
// object tree.
#include "reader.h"
#include "same_bits.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace ac {

const Token *Object::find(std::string_view key) const
{
    for (const Token &t : tokens)
        if (t.key == key) return &t;
    return nullptr;
}

std::string Object::name() const
{
    const Token *t = find("name");
    if (!t || t->args.empty()) return {};
    const std::string &a = t->args[0];
    if (a.size() >= 2 && a.front() == '"' && a.back() == '"') return a.substr(1, a.size() - 2);
    return a;
}

int Object::subdiv() const
{
    const Token *t = find("subdiv");
    if (!t || t->args.empty()) return 0;
    int v = 0;
    std::from_chars(t->args[0].data(), t->args[0].data() + t->args[0].size(), v);
    return v;
}

namespace {

// The next N words from p: whitespace, then a word up to whitespace or e.
template <std::size_t N>
std::array<std::string_view, N> words_at(const char *p, const char *e)
{
    std::array<std::string_view, N> words;
    for (std::string_view &w : words) {
        while (p != e && detail::is_space(*p)) ++p;
        const char *start = p;
        while (p != e && !detail::is_space(*p)) ++p;
        w = std::string_view(start, static_cast<std::size_t>(p - start));
    }
    return words;
}

}  // namespace

std::vector<std::array<std::string_view, 3>> Model::vertex_texts(const Object &o) const
{
    std::vector<std::array<std::string_view, 3>> all;
    all.reserve(o.vtext_count);
    const char *p = text.data() + o.vtext;
    for (std::uint32_t i = 0; i < o.vtext_count; ++i) {
        all.push_back(words_at<3>(p, text.data() + text.size()));
        p = all.back()[2].data() + all.back()[2].size();
    }
    return all;
}

std::array<std::string_view, 2> Model::uv_text(const Ref &r) const
{
    if (r.uv == Ref::no_text) return {"0", "0"};
    if (r.uv < text.size()) return words_at<2>(text.data() + r.uv, text.data() + text.size());
    return words_at<2>(added.data() + (r.uv - text.size()), added.data() + added.size());
}

std::string_view Model::flags_text(const Surface &s) const
{
    if (s.flags_at >= text.size()) return {};
    return words_at<1>(text.data() + s.flags_at, text.data() + text.size())[0];
}

float Model::u(const Ref &r) const
{
    float f = 0;
    detail::parse_float(uv_text(r)[0], f);
    return f;
}

float Model::v(const Ref &r) const
{
    float f = 0;
    detail::parse_float(uv_text(r)[1], f);
    return f;
}

// The words go to `added` as "U V ", so that each ref's end where the next's begin.
Ref Model::make_ref(std::uint32_t index, float u, float v)
{
    Ref r;
    r.index = index;
    const std::size_t at = text.size() + added.size();
    if (at + 2 * 32 >= Ref::no_text) throw Error(path + ": expected a model smaller than 4 GiB");
    r.uv = static_cast<std::uint32_t>(at);
    for (const float value : {u, v}) {
        char buf[32];
        added.append(buf, detail::float_chars(buf, buf + sizeof buf, value));
        added += ' ';
    }
    return r;
}

Counts count(const Model &m)
{
    Counts c;
    std::vector<const Object *> left{&m.world};
    while (!left.empty()) {
        const Object &o = *left.back();
        left.pop_back();
        ++c.objects;
        c.vertices += o.verts.size();
        c.surfaces += o.surfs.size();
        c.refs += o.refs.size();
        for (const Object &k : o.kids) left.push_back(&k);
    }
    --c.objects;
    return c;
}

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
            const std::string n = o.name();
            p.singular_ = std::make_shared<const std::string>(
                n.empty() ? "the " + o.type + " object of line " + std::to_string(o.line) : "object '" + n + "'");
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

// The steps from the root down to s, each undone in turn. The depth is
// bounded by the nesting the reader accepts.
void Placement::undo_from_root(const Step *s, double p[3])
{
    if (!s) return;
    undo_from_root(s->parent.get(), p);
    p[0] -= s->loc[0];
    p[1] -= s->loc[1];
    p[2] -= s->loc[2];
    if (s->turn) turn(s->turn->inv, p);
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

namespace {
template <class M, class O, class F>
void visit(M &m, F &f)
{
    struct Item {
        O *obj;
        Placement place;
    };
    std::vector<Item> stack;
    stack.push_back({&m.world, Placement().child(m.world)});
    while (!stack.empty()) {
        Item it = std::move(stack.back());
        stack.pop_back();
        f(*it.obj, it.place);
        for (auto k = it.obj->kids.rbegin(); k != it.obj->kids.rend(); ++k) stack.push_back({&*k, it.place.child(*k)});
    }
}
}  // namespace

void for_each_object(const Model &m, const std::function<void(const Object &, const Placement &)> &f)
{
    visit<const Model, const Object>(m, f);
}

void for_each_object(Model &m, const std::function<void(Object &, const Placement &)> &f)
{
    visit<Model, Object>(m, f);
}

}  // namespace ac
