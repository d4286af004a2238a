// The OBJECT record: its type, its tokens in any order, the vertex block
// (numvert) and the surfaces (numsurf), up to and including `kids`.
#include "reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>

namespace ac::detail {

namespace {

// The tokens an object may have once; bit i of Seen::singles stands for
// singles[i].
// Blanks within a line: whitespace other than the line feed that ends it.
const char *skip_blanks(const char *p, const char *e)
{
    while (p != e && *p != '\n' && is_space(*p)) ++p;
    return p;
}

// A number that is a whole word of the text at p, straight from the text:
// where from_chars stops must be where the word ends. Returns its end, or
// null (for the careful path to read and report) when it is not one.
template <class T>
const char *whole_word_number(const char *p, const char *e, T &out)
{
    if constexpr (std::is_same_v<T, float>) {
        if (const char *end = simple_float(p, e, out)) return end;
    }
    const auto r = std::from_chars(p, e, out);
    if (r.ec != std::errc() || r.ptr == p || (r.ptr != e && !is_space(*r.ptr))) return nullptr;
    return r.ptr;
}

constexpr const char *singles[] = {"name", "data", "texture", "texrep", "texoff",  "rot",
                                   "loc",  "url",  "crease",  "subdiv", "numvert", "numsurf"};

}  // namespace

// Reads one object up to and including its `kids` line; returns the count.
std::uint32_t Reader::read_object(Object &o)
{
    read_object_type(o);
    Seen seen;
    for (;;) {
        const Tok t = cur();
        if (t.eof()) msg_.fail(t.line, "kids to end " + describe(o), t);
        if (t.is("kids")) return read_kids(o, seen);
        check_keyword(o, t, seen);
        if (t.is("numvert"))
            read_vertex_block(o);
        else if (t.is("numsurf"))
            read_surface_block(o, seen);
        else
            o.tokens.push_back(read_token(o));
    }
}

void Reader::read_object_type(Object &o)
{
    o.line = cur().line;
    advance();
    if (cur().eof() || cur().str || is_number(cur())) msg_.fail(cur().line, "an object type after OBJECT", cur());
    o.type = std::string(cur().sv());
    advance();
}

// A keyword of this object, and not a second one of those allowed once.
void Reader::check_keyword(const Object &o, const Tok &t, Seen &seen) const
{
    if (t.str || is_number(t)) msg_.fail(t.line, "a keyword in " + describe(o), t);
    if (t.is("OBJECT") || t.is("MATERIAL") || t.is("MAT") || t.is("SURF"))
        msg_.fail(t.line, "kids to end " + describe(o), t);
    const std::string_view key = t.sv();
    for (unsigned i = 0; i < std::size(singles); ++i) {
        if (key != singles[i]) continue;
        if (seen.singles & (1u << i)) {
            if (key == "texture")
                msg_.fail(t.line,
                          "one texture per object in " + describe(o) + " (several textures belong to the .acc dialect)",
                          t);
            msg_.fail(t.line, "one " + std::string(key) + " per object in " + describe(o), t);
        }
        seen.singles |= 1u << i;
    }
}

std::uint32_t Reader::read_kids(const Object &o, const Seen &seen)
{
    const std::size_t line = cur().line;
    advance();
    const std::uint32_t k = read_count("kids");
    advance();
    // Surfaces read before numvert are checked now.
    if (seen.refs_unchecked)
        for (const Ref &r : o.refs)
            if (r.index >= o.verts.size())
                msg_.fail(line, "vertex indices below " + std::to_string(o.verts.size()) + " in " + describe(o),
                          std::to_string(r.index));
    return k;
}

// A token other than numvert, numsurf and kids, with its arguments.
Token Reader::read_token(Object &o)
{
    Token tok;
    tok.key = std::string(cur().sv());
    tok.line = cur().line;
    advance();
    read_token_args(o, tok);
    return tok;
}

void Reader::read_token_args(Object &o, Token &tok)
{
    const auto take = [&] {
        tok.args.emplace_back(cur().sv());
        advance();
    };
    const std::string &key = tok.key;
    if (key == "name" || key == "texture" || key == "url") {
        if (cur().eof()) msg_.fail(cur().line, "a string after " + key, cur());
        take();
    } else if (key == "data") {
        const std::uint32_t n = read_count("data");
        tok.text = read_data(cur(), n, tok.line);
        tok.args.push_back(std::to_string(tok.text.size()));  // the count written back
    } else if (key == "rot" || key == "loc") {
        const bool rot = key == "rot";
        for (std::size_t i = 0; i < (rot ? 9u : 3u); ++i) {
            (rot ? o.rot[i] : o.loc[i]) = read_double(key + " of " + describe(o), true);
            take();
        }
        if (rot) o.has_rot = true;
    } else if (key == "texrep" || key == "texoff") {
        for (int i = 0; i < 2; ++i) {
            read_double(key, false);
            take();
        }
    } else if (key == "crease") {
        read_double(key, false);
        take();
    } else if (key == "subdiv") {
        read_count("subdiv");
        take();
    } else if (key == "hidden" || key == "locked" || key == "folded") {
        // a bare flag
    } else {
        // Not known here: kept with the numbers and strings that follow.
        while (!cur().eof() && (cur().str || is_number(cur()))) take();
    }
}

// ---------------------------------------------------------------- vertices

void Reader::read_vertex_block(Object &o)
{
    const std::size_t count_line = cur().line;
    advance();
    const std::uint32_t n = read_count("numvert");
    advance();
    o.vert_at = o.tokens.size();
    const std::size_t room = static_cast<std::size_t>(sc_.end() - sc_.pos()) / 6 + 1;
    const std::size_t want = std::min<std::size_t>(n, room);
    o.verts.reserve(want);
    if (keep_read_copy_) o.verts_read.reserve(want);
    o.vtext.reserve(want);
    // A file normally has one vertex per line; a file flattened to one line
    // has them all on the numvert line.
    const bool lines = n > 0 && cur().line != count_line;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (!lines || !read_vertex_line(o)) read_vertex(o, i, n, lines);
        note_progress(1);
    }
    if (is_number(cur()))
        msg_.fail(cur().line,
                  "numsurf or kids after the " + std::to_string(n) + " vertices of " + describe(o) +
                      " (vertex normals of the .acc dialect are not read)",
                  cur());
}

// The usual vertex line, three finite numbers and the line's end, read in
// one go. Anything else (a '+' sign, a number beyond single precision, a
// line break inside, more on the line) is left to read_vertex, which reads
// the same line again and gives the message.
bool Reader::read_vertex_line(Object &o)
{
    const char *p = cur().s;
    const char *const e = sc_.end();
    if (!p) return false;
    float c[3];
    Span sp[3];
    for (int k = 0; k < 3; ++k) {
        if (k > 0) p = skip_blanks(p, e);
        const char *end = p == e ? nullptr : whole_word_number(p, e, c[k]);
        if (!end || !std::isfinite(c[k])) return false;
        sp[k] = Span{static_cast<std::uint32_t>(p - sc_.begin()), static_cast<std::uint32_t>(end - p)};
        p = end;
    }
    p = skip_blanks(p, e);
    if (p != e && *p != '\n') return false;
    const Vertex v{c[0], c[1], c[2]};
    o.verts.push_back(v);
    if (keep_read_copy_) o.verts_read.push_back(v);
    o.vtext.push_back(sp[0].off);
    sc_.seek(p, cur().line);
    return true;
}

void Reader::read_vertex(Object &o, std::uint32_t i, std::uint32_t n, bool lines)
{
    float c[3];
    Span sp[3];
    const std::size_t vline = cur().line;
    const auto short_line = [&](int k) {
        msg_.fail(vline, "3 coordinates on the line of vertex " + std::to_string(i), std::to_string(k));
    };
    for (int k = 0; k < 3; ++k) {
        const Tok t = cur();
        if (t.eof() || t.str || !parse_float(t.sv(), c[k])) {
            if (lines && k > 0 && !t.eof() && t.line != vline) short_line(k);
            msg_.fail(t.line,
                      "coordinate " + std::string(1, "xyz"[k]) + " of vertex " + std::to_string(i) + " of " +
                          std::to_string(n) + " in " + describe(o),
                      t);
        }
        if (!std::isfinite(c[k]))
            msg_.fail(t.line, "a finite vertex coordinate within single precision in " + describe(o), t);
        if (lines && t.line != vline) short_line(k);
        sp[k] = sc_.span(t);
        advance();
    }
    if (lines) expect_vertex_line_end(i, vline);
    const Vertex v{c[0], c[1], c[2]};
    o.verts.push_back(v);
    if (keep_read_copy_) o.verts_read.push_back(v);
    o.vtext.push_back(sp[0].off);
}

void Reader::expect_vertex_line_end(std::uint32_t i, std::size_t line) const
{
    if (cur().eof() || cur().line != line) return;
    if (is_number(cur()))
        msg_.fail(line, "3 numbers on a vertex line (x y z; vertex normals of the .acc dialect are not read)", cur());
    msg_.fail(line, "the end of the line of vertex " + std::to_string(i), cur());
}

// ---------------------------------------------------------------- surfaces

void Reader::read_surface_block(Object &o, Seen &seen)
{
    advance();
    const std::uint32_t n = read_count("numsurf");
    advance();
    o.surf_at = o.tokens.size();
    seen.refs_unchecked = o.vert_at == Object::npos;
    const std::size_t room = static_cast<std::size_t>(sc_.end() - sc_.pos()) / 20 + 1;
    o.surfs.reserve(o.surfs.size() + std::min<std::size_t>(n, room));
    o.refs.reserve(o.refs.size() + std::min<std::size_t>(std::size_t{n} * 4, room * 2));
    for (std::uint32_t i = 0; i < n; ++i) read_surface(o, i, n);
    // The room guessed for the references is given back when much was left over.
    if (o.refs.capacity() - o.refs.size() > o.refs.size() / 8) o.refs.shrink_to_fit();
}

// SURF flags, mat index, refs count and the refs lines.
void Reader::read_surface(Object &o, std::uint32_t i, std::uint32_t n)
{
    if (!cur().is("SURF"))
        msg_.fail(cur().line,
                  "SURF (surface " + std::to_string(i) + " of " + std::to_string(n) + " in " + describe(o) + ")",
                  cur());
    advance();
    Surface s;
    read_surface_flags(s);
    if (!cur().is("mat")) msg_.fail(cur().line, "mat after SURF", cur());
    advance();
    s.mat = read_count("mat");
    if (s.mat >= m_.materials.size() && !mat_warned_) {
        msg_.warn(cur().line, "surface " + std::to_string(i) + " of " + describe(o) + " uses material " +
                                  std::to_string(s.mat) + ", but the file has " + std::to_string(m_.materials.size()) +
                                  " material(s); kept as read (later such surfaces are not reported)");
        mat_warned_ = true;
    }
    advance();
    if (!cur().is("refs")) msg_.fail(cur().line, "refs after mat", cur());
    const std::size_t refs_line = cur().line;
    advance();
    s.count = read_count("refs");
    advance();
    s.first = static_cast<std::uint32_t>(o.refs.size());
    const bool lines = s.count > 0 && cur().line != refs_line;
    for (std::uint32_t j = 0; j < s.count; ++j) {
        Ref r;
        if (!lines || !read_ref_line(o, r)) r = read_ref(o, j, s.count, lines);
        o.refs.push_back(r);
    }
    if (is_number(cur()))
        msg_.fail(cur().line,
                  "SURF or kids after the " + std::to_string(s.count) +
                      " refs of a surface (several texture coordinates of the .acc dialect are not read)",
                  cur());
    o.surfs.push_back(s);
    note_progress(s.count);
}

void Reader::read_surface_flags(Surface &s)
{
    const Tok t = cur();
    if (t.eof() || t.str || !parse_flags(t.sv(), s.flags)) msg_.fail(t.line, "hexadecimal surface flags after SURF", t);
    if (s.type() > 2)
        msg_.fail(t.line,
                  "surface type 0, 1 or 2 in the SURF flags (polygon, closed line, line; type " +
                      std::to_string(s.type()) + " belongs to the .acc dialect)",
                  t);
    s.flags_text = sc_.span(t);
    advance();
}

// The usual refs line, an index of a vertex read and two numbers, read in
// one go; anything else is left to read_ref, as for vertex lines.
bool Reader::read_ref_line(const Object &o, Ref &r)
{
    const char *p = cur().s;
    const char *const e = sc_.end();
    if (!p) return false;
    std::uint64_t idx = 0;
    const char *end = whole_word_number(p, e, idx);
    if (!end || idx >= o.verts.size()) return false;
    r.index = static_cast<std::uint32_t>(idx);
    for (int k = 0; k < 2; ++k) {
        p = skip_blanks(end, e);
        float uv;
        end = p == e ? nullptr : whole_word_number(p, e, uv);
        if (!end) return false;
        if (k == 0) r.uv = static_cast<std::uint32_t>(p - sc_.begin());
    }
    p = skip_blanks(end, e);
    if (p != e && *p != '\n') return false;
    sc_.seek(p, cur().line);
    return true;
}

// One refs line: a vertex index and its texture coordinate, kept as text.
Ref Reader::read_ref(const Object &o, std::uint32_t j, std::uint32_t count, bool lines)
{
    Ref r;
    const Tok ti = cur();
    std::uint64_t idx = 0;
    if (ti.eof() || ti.str || !parse_whole(ti.sv(), idx))
        msg_.fail(ti.line, "a vertex index (ref " + std::to_string(j) + " of " + std::to_string(count) + ")", ti);
    if (idx >= o.verts.size() && (o.vert_at != Object::npos || idx > std::numeric_limits<std::uint32_t>::max()))
        msg_.fail(ti.line, "a vertex index below " + std::to_string(o.verts.size()) + " in " + describe(o), ti);
    r.index = static_cast<std::uint32_t>(idx);
    advance();
    for (int k = 0; k < 2; ++k) {
        const Tok t = cur();
        float uv;
        if (t.eof() || t.str || !parse_float(t.sv(), uv))
            msg_.fail(t.line,
                      std::string("texture coordinate ") + "uv"[k] + " after vertex index " + std::to_string(idx), t);
        if (lines && t.line != ti.line)
            msg_.fail(ti.line, "3 values on a refs line (index u v)", std::to_string(k + 1));
        if (k == 0) r.uv = sc_.span(t).off;
        advance();
    }
    if (lines && !cur().eof() && cur().line == ti.line)
        msg_.fail(ti.line,
                  "3 values on a refs line (index u v; several texture coordinates of the .acc dialect are not read)",
                  cur());
    return r;
}

}  // namespace ac::detail
