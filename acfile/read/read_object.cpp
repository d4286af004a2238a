// The OBJECT record: its type, its tokens in any order, the vertex block
// (numvert) and the surfaces (numsurf), up to and including `kids`.
#include "read/reader.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ac::detail {

namespace {

// Blanks within a line: whitespace other than the line feed that ends it.
const char *skip_blanks(const char *p, const char *e)
{
    while (p != e && *p != '\n' && is_space(*p)) ++p;
    return p;
}

// Whitespace, counting the lines it ends.
const char *skip_space(const char *p, const char *e, std::size_t &line)
{
    for (; p != e && is_space(*p); ++p) line += *p == '\n';
    return p;
}

// The usual vertex line at p: three finite numbers, then blanks up to the
// line's end. Returns where the line ends (its line feed or the end of the
// text), or null when the line is anything else.
const char *vertex_words(const char *p, const char *e, float c[3])
{
    for (int k = 0; k < 3; ++k) {
        if (k > 0) p = skip_blanks(p, e);
        if (p == e) return nullptr;
        // A plain decimal is finite: nothing waits for its division to end.
        if (const char *end = simple_float(p, e, c[k])) {
            p = end;
            continue;
        }
        p = whole_word_number(p, e, c[k]);
        if (!p || !std::isfinite(c[k])) return nullptr;
    }
    p = skip_blanks(p, e);
    return p == e || *p == '\n' ? p : nullptr;
}

// The usual refs line at p, in a text that begins at b: the index of one of
// `verts` vertices and two numbers, then blanks up to the line's end.
// Returns where the line ends, or null when the line is anything else.
const char *ref_words(const char *b, const char *p, const char *e, std::size_t verts, Ref &r)
{
    std::uint64_t index = 0;
    const char *end = whole_word_number(p, e, index);
    if (!end || index >= verts) return nullptr;
    r.index = static_cast<std::uint32_t>(index);
    for (int k = 0; k < 2; ++k) {
        p = skip_blanks(end, e);
        end = p == e ? nullptr : float_word_end(p, e);
        if (!end) return nullptr;
        if (k == 0) r.uv = static_cast<std::uint32_t>(p - b);
    }
    p = skip_blanks(end, e);
    return p == e || *p == '\n' ? p : nullptr;
}

// The tokens an object may have once; bit i of Seen::singles stands for
// singles[i].
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
    } else if (key == "hidden") {
        o.hidden = true;
    } else if (key == "locked") {
        o.locked = true;
    } else if (key == "folded") {
        o.folded = true;
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
    // A file normally has one vertex per line; a file flattened to one line
    // has them all on the numvert line.
    if (n > 0 && cur().line != count_line) {
        read_vertex_lines(o, n);
    } else {
        for (std::uint32_t i = 0; i < n; ++i) {
            read_vertex(o, i, n, false);
            note_progress(1, sc_.pos());
        }
    }
    if (!keep_read_copy_) o.verts_digest = vertex_digest(o.verts.data(), o.verts.size());
    if (is_number(cur()))
        msg_.fail(cur().line,
                  "numsurf or kids after the " + std::to_string(n) + " vertices of " + describe(o) +
                      " (vertex normals of the .acc dialect are not read)",
                  cur());
}

// One vertex per line: the usual line is read straight from the text, the
// scanner set again after the last. Anything else (a '+' sign, a number
// beyond single precision, a line break inside, more on the line) is left
// to read_vertex, which reads the same line again and gives the message.
void Reader::read_vertex_lines(Object &o, std::uint32_t n)
{
    const char *const e = sc_.end();
    const char *p = cur_start();
    std::size_t line = cur().line;
    // Each round moves p past a vertex's words, or read_vertex takes them or
    // fails: the loop ends within the text.
    for (std::uint32_t i = 0; i < n; ++i) {
        p = skip_space(p, e, line);
        float c[3];
        if (const char *end = vertex_words(p, e, c)) {
            add_vertex(o, Vertex{c[0], c[1], c[2]}, p);
            p = end;
        } else {
            sc_.seek(p, line);
            read_vertex(o, i, n, true);
            p = cur_start();
            line = cur().line;
        }
        note_progress(1, p);
    }
    sc_.seek(p, line);
}

void Reader::add_vertex(Object &o, const Vertex &v, const char *text)
{
    o.verts.push_back(v);
    if (keep_read_copy_) o.verts_read.push_back(v);
    if (o.vtext_count++ == 0) o.vtext = static_cast<VertexText>(text - sc_.begin());
}

void Reader::read_vertex(Object &o, std::uint32_t i, std::uint32_t n, bool lines)
{
    float c[3];
    const char *text = nullptr;
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
        if (k == 0) text = t.s;
        advance();
    }
    if (lines) expect_vertex_line_end(i, vline);
    add_vertex(o, Vertex{c[0], c[1], c[2]}, text);
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
    // A surface takes 20 bytes of text at least, a reference 6.
    const auto bytes = static_cast<std::size_t>(sc_.end() - sc_.pos());
    o.surfs.reserve(o.surfs.size() + std::min<std::size_t>(n, bytes / 20 + 1));
    const std::size_t before = o.refs.size();
    const auto reserve_refs = [&](std::size_t each) {
        o.refs.reserve(before + std::min<std::size_t>(std::size_t{n} * each, bytes / 6 + 1));
    };
    reserve_refs(3);
    for (std::uint32_t i = 0; i < n; ++i) {
        read_surface(o, i, n);
        // As many for each surface as the first has: exact for a mesh of one kind.
        if (i == 0) reserve_refs(o.surfs.back().count);
    }
    // The room guessed for the references is given back when much was left over.
    if (o.refs.capacity() - o.refs.size() > o.refs.size() / 8) o.refs.shrink_to_fit();
}

// SURF flags, mat index, refs count and the refs lines.
void Reader::read_surface(Object &o, std::uint32_t i, std::uint32_t n)
{
    Surface s;
    std::size_t refs_line = 0;
    if (!read_surface_head_words(s, refs_line)) refs_line = read_surface_head(o, s, i, n);
    s.first = static_cast<std::uint32_t>(o.refs.size());
    if (s.count > 0 && cur().line != refs_line) {
        read_ref_lines(o, s.count);
    } else {
        for (std::uint32_t j = 0; j < s.count; ++j) o.refs.push_back(read_ref(o, j, s.count, false));
    }
    if (is_number(cur()))
        msg_.fail(cur().line,
                  "SURF or kids after the " + std::to_string(s.count) +
                      " refs of a surface (several texture coordinates of the .acc dialect are not read)",
                  cur());
    o.surfs.push_back(s);
    note_progress(s.count, sc_.pos());
}

// The usual head of a surface, SURF FLAGS mat INDEX refs COUNT, six words
// (no strings) read straight from the text: true with the scanner on the
// first token after them. Anything else reads nothing, for
// read_surface_head to read and report.
bool Reader::read_surface_head_words(Surface &s, std::size_t &refs_line)
{
    const char *const e = sc_.end();
    const char *p = cur_start();
    std::size_t line = cur().line;
    std::string_view w[6];
    for (std::string_view &word : w) {
        p = skip_space(p, e, line);
        if (p == e || *p == '"') return false;
        const char *const start = p;
        while (p != e && !is_space(*p)) ++p;
        word = std::string_view(start, static_cast<std::size_t>(p - start));
        if (&word == &w[4]) refs_line = line;
    }
    std::uint64_t mat = 0, count = 0;
    if (w[0] != "SURF" || w[2] != "mat" || w[4] != "refs" || !parse_flags(w[1], s.flags) || s.type() > 2 ||
        !parse_whole(w[3], mat) || !parse_whole(w[5], count) || count > std::numeric_limits<std::uint32_t>::max())
        return false;
    // A material the file lacks is warned of by read_surface_head, once.
    if (mat >= m_.materials.size() && !mat_warned_) return false;
    s.flags_at = static_cast<std::uint32_t>(w[1].data() - sc_.begin());
    s.mat = static_cast<std::uint32_t>(mat);
    s.count = static_cast<std::uint32_t>(count);
    sc_.seek(p, line);
    return true;
}

// SURF, its flags, mat and its index, refs and its count, token by token;
// returns the line of refs.
std::size_t Reader::read_surface_head(const Object &o, Surface &s, std::uint32_t i, std::uint32_t n)
{
    if (!cur().is("SURF"))
        msg_.fail(cur().line,
                  "SURF (surface " + std::to_string(i) + " of " + std::to_string(n) + " in " + describe(o) + ")",
                  cur());
    advance();
    read_surface_flags(s);
    if (!cur().is("mat")) msg_.fail(cur().line, "mat after SURF", cur());
    advance();
    s.mat = read_count("mat");
    if (s.mat >= m_.materials.size() && !mat_warned_) {
        msg_.note(cur().line, "surface " + std::to_string(i) + " of " + describe(o) + " uses material " +
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
    return refs_line;
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
    s.flags_at = sc_.span(t).off;
    advance();
}

// One ref per line: the usual line is read straight from the text, as
// vertex lines are; anything else is left to read_ref.
void Reader::read_ref_lines(Object &o, std::uint32_t count)
{
    const char *const e = sc_.end();
    const char *p = cur_start();
    std::size_t line = cur().line;
    // As for vertex lines: each round moves p past a ref's words, or fails.
    for (std::uint32_t j = 0; j < count; ++j) {
        p = skip_space(p, e, line);
        Ref r;
        if (const char *end = ref_words(sc_.begin(), p, e, o.verts.size(), r)) {
            p = end;
        } else {
            sc_.seek(p, line);
            r = read_ref(o, j, count, true);
            p = cur_start();
            line = cur().line;
        }
        o.refs.push_back(r);
    }
    sc_.seek(p, line);
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
