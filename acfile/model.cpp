// What the model answers about itself (tokens by key, names, texture
// coordinates, counts) and the walk over the object tree, each object with
// its placement.
#include "read/reader.h"
#include "same_bits.h"

#include <bit>
#include <charconv>

namespace ac {

const Token *Object::find(std::string_view key) const
{
    for (const Token &t : tokens)
        if (t.key == key) return &t;
    return nullptr;
}

std::string Object::text(std::string_view key) const
{
    const Token *t = find(key);
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

namespace detail {

// The sum of the vertices' position terms, and their number.
std::uint64_t vertex_digest(const Vertex *v, std::size_t n)
{
    std::uint64_t digest = n;
    for (std::size_t i = 0; i < n; ++i) digest += position_term(static_cast<std::uint32_t>(i), v[i]);
    return digest;
}

}  // namespace detail

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
