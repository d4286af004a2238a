// Reader of .ac files and the object-to-world transforms.
//
// The whole file is read into memory and tokenised as one stream: any run of
// whitespace (CR included) separates tokens, so line structure is only used
// where it helps a message or decides a repair. A string runs from one '"' to
// the next, with no escapes. See acfile.h and README for the policies.
#include "acfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace ac {

// ---------------------------------------------------------------- helpers

namespace detail {

bool parse_double(std::string_view s, double &out)
{
    const char *f = s.data();
    const char *l = f + s.size();
    if (f != l && *f == '+' && l - f > 1 && f[1] != '-') ++f;
    auto r = std::from_chars(f, l, out);
    return r.ptr == l && r.ec == std::errc();
}

bool parse_float(std::string_view s, float &out)
{
    const char *f = s.data();
    const char *l = f + s.size();
    if (f != l && *f == '+' && l - f > 1 && f[1] != '-') ++f;
    auto r = std::from_chars(f, l, out);
    if (r.ptr != l) return false;
    if (r.ec == std::errc()) return true;
    if (r.ec == std::errc::result_out_of_range) {
        // Below the float range: take the double and let it round to a
        // subnormal or zero. Above it: infinity, refused by the callers
        // that need finite values.
        double d;
        if (!parse_double(s, d)) return false;
        out = static_cast<float>(d);
        return true;
    }
    return false;
}

Progress::Progress(const char *verb, std::string_view name, std::uint64_t total, bool enabled, int fd)
    : label_(std::string(verb) + " " + std::string(name)), total_(total ? total : 1), fd_(fd),
      active_(enabled && isatty(fd) == 1)
{
    if (active_) draw(0);
}

Progress::~Progress()
{
    if (!active_) return;
    std::string clear = "\r" + std::string(label_.size() + 6, ' ') + "\r";
    [[maybe_unused]] auto n = ::write(fd_, clear.data(), clear.size());
}

void Progress::update(std::uint64_t done)
{
    if (!active_) return;
    int pc = static_cast<int>(std::min<std::uint64_t>(done, total_) * 100 / total_);
    if (pc != shown_) draw(pc);
}

void Progress::draw(int percent)
{
    shown_ = percent;
    std::string s = "\r" + label_ + " " + std::to_string(percent) + "%";
    [[maybe_unused]] auto n = ::write(fd_, s.data(), s.size());
}

} // namespace detail

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

float Model::u(const Ref &r) const
{
    float f = 0;
    detail::parse_float(view(r.u_text), f);
    return f;
}

float Model::v(const Ref &r) const
{
    float f = 0;
    detail::parse_float(view(r.v_text), f);
    return f;
}

Ref Model::make_ref(std::uint32_t index, float u, float v)
{
    Ref r;
    r.index = index;
    Span *sp[2] = {&r.u_text, &r.v_text};
    const float val[2] = {u, v};
    for (int k = 0; k < 2; ++k) {
        char buf[32];
        auto res = std::to_chars(buf, buf + sizeof buf, val[k]);
        if (text.size() + sizeof buf >= std::numeric_limits<std::uint32_t>::max())
            throw Error(path + ": expected a model smaller than 4 GiB");
        *sp[k] = Span{static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(res.ptr - buf)};
        text.append(buf, res.ptr);
    }
    return r;
}

Counts count(const Model &m)
{
    Counts c;
    for_each_object(m, [&](const Object &o, const Placement &) {
        ++c.objects;
        c.vertices += o.verts.size();
        c.surfaces += o.surfs.size();
        c.refs += o.refs.size();
    });
    --c.objects;
    return c;
}

// ---------------------------------------------------------------- reader

namespace {

struct SpaceTable {
    bool t[256] = {};
    constexpr SpaceTable()
    {
        for (unsigned char c : {' ', '\t', '\n', '\r', '\v', '\f'}) t[c] = true;
    }
};
constexpr SpaceTable space_table;

inline bool is_space(char c)
{
    return space_table.t[static_cast<unsigned char>(c)];
}

struct Tok {
    const char *s = nullptr; // nullptr at end of file
    std::size_t n = 0;
    std::size_t line = 0;
    bool str = false;

    bool eof() const { return s == nullptr; }
    std::string_view sv() const { return {s, n}; }
    bool is(std::string_view w) const { return s && !str && sv() == w; }
    const char *end() const { return s + n; }
};

bool is_number(const Tok &t)
{
    if (t.eof() || t.str) return false;
    double d;
    return detail::parse_double(t.sv(), d);
}

// Line breaks (CRLF, LF or a lone CR) as '\n'.
std::string lf_only(std::string_view s)
{
    std::string r;
    r.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r')
            r += s[i];
        else if (i + 1 == s.size() || s[i + 1] != '\n')
            r += '\n';
    }
    return r;
}

std::string quoted(std::string_view s)
{
    std::string r = "'";
    if (s.size() > 40) {
        r.append(s.substr(0, 37));
        r += "...";
    } else {
        r.append(s);
    }
    for (char &c : r)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return r + "'";
}

class Reader {
public:
    Reader(Model &m, const ReadOptions &opt)
        : m_(m), opt_(opt), b_(m.text.data()), p_(b_), e_(b_ + m.text.size()),
          progress_("loading", m.path, m.text.size(), opt.progress && m.text.size() >= detail::progress_threshold)
    {
    }

    void run();

private:
    // ---- tokens
    void advance();
    void seek(const char *at, std::size_t line)
    {
        p_ = at;
        line_ = line;
        advance();
    }

    // ---- messages
    [[noreturn]] void fail(std::size_t line, const std::string &expected, const Tok &found) const;
    [[noreturn]] void fail_msg(std::size_t line, const std::string &msg) const;
    void warn(std::size_t line, const std::string &msg) const;
    static std::string describe(const Tok &t);
    static std::string describe(const Object &o);

    // ---- grammar
    std::uint32_t read_count(const std::string &what);
    double read_double(const std::string &what, bool finite);
    std::string read_data(Tok count_tok, std::uint64_t n, std::size_t line);
    void read_material();
    void read_mat_block();
    std::uint32_t read_object(Object &o);
    void read_vertices(Object &o, std::uint32_t n, std::size_t count_line);
    void read_surfaces(Object &o, std::uint32_t n, std::size_t count_line);
    void read_tree(Object &parent, std::uint32_t kids, bool &short_warned);

    Model &m_;
    const ReadOptions &opt_;
    const char *b_;
    const char *p_; // just after cur_
    const char *e_;
    std::size_t line_ = 1;
    Tok cur_;
    detail::Progress progress_;
    std::uint64_t since_update_ = 0;
};

void Reader::advance()
{
    const char *p = p_;
    std::size_t line = line_;
    while (p != e_ && is_space(*p)) {
        if (*p == '\n') ++line;
        ++p;
    }
    if (p == e_) {
        p_ = p;
        line_ = line;
        cur_ = Tok{nullptr, 0, line, false};
        return;
    }
    Tok t;
    t.s = p;
    t.line = line;
    if (*p == '"') {
        const char *q = static_cast<const char *>(std::memchr(p + 1, '"', static_cast<std::size_t>(e_ - p - 1)));
        if (!q) fail_msg(line, "expected a closing '\"' for the string that starts here, found end of file");
        line += static_cast<std::size_t>(std::count(p, q, '\n'));
        t.str = true;
        p = q + 1;
    } else {
        while (p != e_ && !is_space(*p)) ++p;
    }
    t.n = static_cast<std::size_t>(p - t.s);
    p_ = p;
    line_ = line;
    cur_ = t;
}

std::string Reader::describe(const Tok &t)
{
    if (t.eof()) return "end of file";
    return quoted(t.sv());
}

std::string Reader::describe(const Object &o)
{
    std::string n = o.name();
    if (!n.empty()) return "object " + quoted(n);
    return "the " + o.type + " object of line " + std::to_string(o.line);
}

void Reader::fail(std::size_t line, const std::string &expected, const Tok &found) const
{
    fail_msg(line, "expected " + expected + ", found " + describe(found));
}

void Reader::fail_msg(std::size_t line, const std::string &msg) const
{
    throw Error(m_.path + ":" + std::to_string(line) + ": " + msg);
}

void Reader::warn(std::size_t line, const std::string &msg) const
{
    std::string s = m_.path + ":" + std::to_string(line) + ": warning: " + msg;
    if (opt_.warn) {
        opt_.warn(s);
    } else {
        s += '\n';
        std::fputs(s.c_str(), stderr);
    }
}

std::uint32_t Reader::read_count(const std::string &what)
{
    const Tok t = cur_;
    std::uint64_t v = 0;
    if (t.eof() || t.str) fail(t.line, "a whole number after " + what, t);
    auto r = std::from_chars(t.s, t.end(), v);
    if (r.ptr != t.end() || r.ec != std::errc() || v > std::numeric_limits<std::uint32_t>::max())
        fail(t.line, "a whole number after " + what, t);
    return static_cast<std::uint32_t>(v);
}

double Reader::read_double(const std::string &what, bool finite)
{
    const Tok t = cur_;
    double d = 0;
    if (t.eof() || t.str || !detail::parse_double(t.sv(), d)) fail(t.line, "a number in " + what, t);
    if (finite && !std::isfinite(d)) fail(t.line, "a finite number in " + what, t);
    return d;
}

// `data N`: N characters of text starting on the next line.
//
// Counts in real files are sometimes wrong, so the count is trusted only when
// the counted text ends where a line ends (or at the end of the file); a line
// break inside (CRLF, LF or a lone CR) counts as one character and is kept as
// LF. Otherwise the text is the rest of that line, and a warning says so. A
// file flattened to one line has the text on the `data` line itself; there the
// count must end at a word boundary, else the text is the next word.
std::string Reader::read_data(Tok count_tok, std::uint64_t n, std::size_t line)
{
    const char *q = count_tok.end();
    std::size_t ln = count_tok.line;
    while (q != e_ && (*q == ' ' || *q == '\t')) ++q;
    bool same_line = false;
    if (q != e_ && *q == '\r' && q + 1 != e_ && q[1] == '\n') {
        q += 2;
        ++ln;
    } else if (q != e_ && (*q == '\n' || *q == '\r')) {
        if (*q == '\n') ++ln;
        ++q;
    } else if (q != e_) {
        same_line = true;
    }
    const char *s = q;

    std::string text;
    text.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(n, static_cast<std::uint64_t>(e_ - s))));
    const char *t = s;
    std::size_t tl = ln;
    std::uint64_t k = 0;
    while (k < n && t != e_) {
        if (*t == '\r') {   // CRLF or a lone CR: one line break
            text += '\n';
            const bool lf = t + 1 != e_ && t[1] == '\n';
            t += lf ? 2 : 1;
            tl += lf;
        } else {
            if (*t == '\n') ++tl;
            text += *t++;
        }
        ++k;
    }
    bool fits;
    if (k < n)
        fits = false;
    else if (same_line)
        fits = t == e_ || is_space(*t);
    else
        fits = t == e_ || *t == '\n' || (*t == '\r' && (t + 1 == e_ || t[1] == '\n'));
    if (!fits && n == 0) { // empty text, the next line is not part of it
        seek(s, ln);
        return text;
    }
    if (fits) {
        if (!same_line && t != e_) {
            if (*t == '\r') ++t;
            if (t != e_ && *t == '\n') {
                ++t;
                ++tl;
            }
        }
        seek(t, tl);
        return text;
    }
    const char *f = s;
    if (same_line)
        while (f != e_ && !is_space(*f)) ++f;
    else
        while (f != e_ && *f != '\n' && *f != '\r') ++f;
    text.assign(s, f);
    warn(line, "data " + std::to_string(n) + " does not match its text; took the " + (same_line ? "word " : "line ") +
                   quoted(text) + " (" + std::to_string(text.size()) + " characters)");
    seek(f, ln);
    return text;
}

void Reader::read_material()
{
    const Tok start = cur_;
    const std::size_t index = m_.materials.size();
    advance();
    if (cur_.eof() || cur_.is("OBJECT") || cur_.is("MATERIAL") || cur_.is("MAT"))
        fail(cur_.line, "a material name after MATERIAL", cur_);
    const char *last = cur_.end();
    advance();
    std::vector<Tok> fields;
    while (!cur_.eof() && !cur_.is("OBJECT") && !cur_.is("MATERIAL") && !cur_.is("MAT")) {
        fields.push_back(cur_);
        last = cur_.end();
        advance();
    }
    m_.materials.push_back(lf_only(std::string_view(start.s, static_cast<std::size_t>(last - start.s))));

    static const char *const keys[] = {"rgb", "amb", "emis", "spec", "shi", "trans"};
    static const int values[] = {3, 3, 3, 3, 1, 1};
    bool usual = true;
    std::size_t i = 0;
    for (int k = 0; k < 6 && usual; ++k) {
        if (i >= fields.size() || !fields[i].is(keys[k])) usual = false;
        ++i;
        for (int v = 0; v < values[k] && usual; ++v, ++i)
            if (i >= fields.size() || !is_number(fields[i])) usual = false;
    }
    if (!usual || i != fields.size())
        warn(start.line, "material " + std::to_string(index) +
                             " is not of the form 'MATERIAL name rgb R G B amb R G B emis R G B spec R G B "
                             "shi N trans T'; kept as written");
}

// AC3Dc block: MAT "name" ... ENDMAT, kept as written.
void Reader::read_mat_block()
{
    const Tok start = cur_;
    std::string block;        // as written, but each data with the count of its text
    const char *from = start.s;
    advance();
    while (!cur_.is("ENDMAT")) {
        if (cur_.eof() || cur_.is("OBJECT") || cur_.is("MAT") || cur_.is("MATERIAL"))
            fail(cur_.line, "ENDMAT to close the MAT block of line " + std::to_string(start.line), cur_);
        if (cur_.is("data")) {
            const std::size_t line = cur_.line;
            block += lf_only(std::string_view(from, static_cast<std::size_t>(cur_.s - from)));
            advance();
            std::uint32_t n = read_count("data");
            const std::string text = read_data(cur_, n, line);
            block += "data " + std::to_string(text.size()) + "\n" + text + "\n";
            from = cur_.s ? cur_.s : e_;
        } else {
            advance();
        }
    }
    block += lf_only(std::string_view(from, static_cast<std::size_t>(cur_.end() - from)));
    m_.materials.push_back(std::move(block));
    advance();
}

void Reader::read_vertices(Object &o, std::uint32_t n, std::size_t count_line)
{
    const std::size_t room = static_cast<std::size_t>(e_ - p_) / 6 + 1;
    const std::size_t want = std::min<std::size_t>(n, room);
    o.verts.reserve(want);
    o.verts_read.reserve(want);
    o.vtext.reserve(want);
    // A file normally has one vertex per line; a file flattened to one line
    // has them all on the numvert line.
    const bool lines = n > 0 && cur_.line != count_line;
    for (std::uint32_t i = 0; i < n; ++i) {
        float c[3];
        Span sp[3];
        const std::size_t vline = cur_.line;
        for (int k = 0; k < 3; ++k) {
            const Tok t = cur_;
            if (t.eof() || t.str || !detail::parse_float(t.sv(), c[k])) {
                if (lines && k > 0 && !t.eof() && t.line != vline)
                    fail_msg(vline, "expected 3 coordinates on the line of vertex " + std::to_string(i) + ", found " +
                                        std::to_string(k));
                fail(t.line,
                     "coordinate " + std::string(1, "xyz"[k]) + " of vertex " + std::to_string(i) + " of " +
                         std::to_string(n) + " in " + describe(o),
                     t);
            }
            if (!std::isfinite(c[k])) fail(t.line, "a finite vertex coordinate in " + describe(o), t);
            if (lines && t.line != vline)
                fail_msg(vline, "expected 3 coordinates on the line of vertex " + std::to_string(i) + ", found " +
                                    std::to_string(k));
            sp[k] = Span{static_cast<std::uint32_t>(t.s - b_), static_cast<std::uint32_t>(t.n)};
            advance();
        }
        if (lines && !cur_.eof() && cur_.line == vline) {
            if (is_number(cur_))
                fail(vline, "3 numbers on a vertex line (x y z; vertex normals of the .acc dialect are not read)",
                     cur_);
            fail(vline, "the end of the line of vertex " + std::to_string(i), cur_);
        }
        const Vertex v{c[0], c[1], c[2]};
        o.verts.push_back(v);
        o.verts_read.push_back(v);
        o.vtext.push_back(VertexText{sp[0], sp[1], sp[2]});
        if (++since_update_ >= 65536) {
            since_update_ = 0;
            progress_.update(static_cast<std::uint64_t>(p_ - b_));
        }
    }
    if (is_number(cur_))
        fail(cur_.line,
             "numsurf or kids after the " + std::to_string(n) + " vertices of " + describe(o) +
                 " (vertex normals of the .acc dialect are not read)",
             cur_);
}

void Reader::read_surfaces(Object &o, std::uint32_t n, std::size_t count_line)
{
    (void)count_line;
    const std::size_t room = static_cast<std::size_t>(e_ - p_) / 20 + 1;
    o.surfs.reserve(o.surfs.size() + std::min<std::size_t>(n, room));
    o.refs.reserve(o.refs.size() + std::min<std::size_t>(std::size_t{n} * 4, room * 2));
    for (std::uint32_t i = 0; i < n; ++i) {
        if (!cur_.is("SURF"))
            fail(cur_.line,
                 "SURF (surface " + std::to_string(i) + " of " + std::to_string(n) + " in " + describe(o) + ")", cur_);
        advance();
        Surface s;
        {
            const Tok t = cur_;
            std::string_view h = t.eof() || t.str ? std::string_view() : t.sv();
            if (h.size() > 2 && h[0] == '0' && (h[1] == 'x' || h[1] == 'X')) h.remove_prefix(2);
            auto r = std::from_chars(h.data(), h.data() + h.size(), s.flags, 16);
            if (h.empty() || r.ptr != h.data() + h.size() || r.ec != std::errc())
                fail(t.line, "hexadecimal surface flags after SURF", t);
            if (s.type() > 2)
                fail(t.line,
                     "surface type 0, 1 or 2 in the SURF flags (polygon, closed line, line; type " +
                         std::to_string(s.type()) + " belongs to the .acc dialect)",
                     t);
            s.flags_text = Span{static_cast<std::uint32_t>(t.s - b_), static_cast<std::uint32_t>(t.n)};
            advance();
        }
        if (!cur_.is("mat")) fail(cur_.line, "mat after SURF", cur_);
        advance();
        s.mat = read_count("mat");
        advance();
        if (!cur_.is("refs")) fail(cur_.line, "refs after mat", cur_);
        const std::size_t refs_line = cur_.line;
        advance();
        s.count = read_count("refs");
        advance();
        s.first = static_cast<std::uint32_t>(o.refs.size());
        const bool lines = s.count > 0 && cur_.line != refs_line;
        for (std::uint32_t j = 0; j < s.count; ++j) {
            Ref r;
            const Tok ti = cur_;
            std::uint64_t idx = 0;
            auto res = ti.eof() || ti.str ? std::from_chars_result{nullptr, std::errc::invalid_argument}
                                          : std::from_chars(ti.s, ti.end(), idx);
            if (res.ptr != ti.end() || res.ec != std::errc())
                fail(ti.line, "a vertex index (ref " + std::to_string(j) + " of " + std::to_string(s.count) + ")", ti);
            if (idx >= o.verts.size() && (o.vert_at != Object::npos || idx > std::numeric_limits<std::uint32_t>::max()))
                fail(ti.line, "a vertex index below " + std::to_string(o.verts.size()) + " in " + describe(o), ti);
            r.index = static_cast<std::uint32_t>(idx);
            advance();
            Span *sp[2] = {&r.u_text, &r.v_text};
            for (int k = 0; k < 2; ++k) {
                const Tok t = cur_;
                float uv;
                if (t.eof() || t.str || !detail::parse_float(t.sv(), uv))
                    fail(t.line,
                         std::string("texture coordinate ") + "uv"[k] + " after vertex index " + std::to_string(idx),
                         t);
                if (lines && t.line != ti.line)
                    fail_msg(ti.line, "expected 3 values on a refs line (index u v), found " + std::to_string(k + 1));
                *sp[k] = Span{static_cast<std::uint32_t>(t.s - b_), static_cast<std::uint32_t>(t.n)};
                advance();
            }
            if (lines && !cur_.eof() && cur_.line == ti.line)
                fail(ti.line,
                     "3 values on a refs line (index u v; several texture coordinates of the .acc dialect are "
                     "not read)",
                     cur_);
            o.refs.push_back(r);
        }
        if (is_number(cur_))
            fail(cur_.line,
                 "SURF or kids after the " + std::to_string(s.count) +
                     " refs of a surface (several texture coordinates of the .acc dialect are not read)",
                 cur_);
        o.surfs.push_back(s);
        since_update_ += s.count;
        if (since_update_ >= 65536) {
            since_update_ = 0;
            progress_.update(static_cast<std::uint64_t>(p_ - b_));
        }
    }
}

// Reads one object up to and including its `kids` line; returns the count.
std::uint32_t Reader::read_object(Object &o)
{
    o.line = cur_.line;
    advance();
    if (cur_.eof() || cur_.str || is_number(cur_)) fail(cur_.line, "an object type after OBJECT", cur_);
    o.type = std::string(cur_.sv());
    advance();

    static const char *const single[] = {"name", "data", "texture", "texrep", "texoff",  "rot",
                                         "loc",  "url",  "crease",  "subdiv", "numvert", "numsurf"};
    unsigned seen = 0;           // bit i: single[i] seen
    bool refs_unchecked = false; // surfaces came before numvert
    for (;;) {
        const Tok t = cur_;
        if (t.eof()) fail(t.line, "kids to end " + describe(o), t);
        if (t.is("kids")) {
            advance();
            std::uint32_t k = read_count("kids");
            advance();
            // Surfaces read before numvert are checked now.
            if (refs_unchecked)
                for (const Ref &r : o.refs)
                    if (r.index >= o.verts.size())
                        fail_msg(t.line, "expected vertex indices below " + std::to_string(o.verts.size()) + " in " +
                                             describe(o) + ", found " + std::to_string(r.index));
            return k;
        }
        if (t.str || is_number(t)) fail(t.line, "a keyword in " + describe(o), t);
        if (t.is("OBJECT") || t.is("MATERIAL") || t.is("MAT") || t.is("SURF"))
            fail(t.line, "kids to end " + describe(o), t);

        const std::string_view key = t.sv();
        for (unsigned i = 0; i < std::size(single); ++i) {
            if (key == single[i]) {
                if (seen & (1u << i)) {
                    if (key == "texture")
                        fail(t.line,
                             "one texture per object in " + describe(o) +
                                 " (several textures belong to the .acc dialect)",
                             t);
                    fail(t.line, "one " + std::string(key) + " per object in " + describe(o), t);
                }
                seen |= 1u << i;
            }
        }

        if (key == "numvert") {
            advance();
            std::uint32_t n = read_count("numvert");
            advance();
            o.vert_at = o.tokens.size();
            read_vertices(o, n, t.line);
            continue;
        }
        if (key == "numsurf") {
            advance();
            std::uint32_t n = read_count("numsurf");
            advance();
            o.surf_at = o.tokens.size();
            refs_unchecked = o.vert_at == Object::npos;
            read_surfaces(o, n, t.line);
            continue;
        }

        Token tok;
        tok.key = std::string(key);
        tok.line = t.line;
        advance();
        auto take = [&] {
            tok.args.emplace_back(cur_.sv());
            advance();
        };
        if (key == "name" || key == "texture" || key == "url") {
            if (cur_.eof()) fail(cur_.line, "a string after " + tok.key, cur_);
            take();
        } else if (key == "data") {
            std::uint32_t n = read_count("data");
            tok.text = read_data(cur_, n, t.line);
            tok.args.push_back(std::to_string(tok.text.size())); // the count written back
        } else if (key == "rot" || key == "loc") {
            const bool rot = key == "rot";
            for (int i = 0; i < (rot ? 9 : 3); ++i) {
                double d = read_double(tok.key + " of " + describe(o), true);
                (rot ? o.rot[static_cast<std::size_t>(i)] : o.loc[static_cast<std::size_t>(i)]) = d;
                take();
            }
            if (rot) o.has_rot = true;
        } else if (key == "texrep" || key == "texoff") {
            for (int i = 0; i < 2; ++i) {
                read_double(tok.key, false);
                take();
            }
        } else if (key == "crease") {
            read_double(tok.key, false);
            take();
        } else if (key == "subdiv") {
            read_count("subdiv");
            take();
        } else if (key == "hidden" || key == "locked" || key == "folded") {
            // a bare flag
        } else {
            // Not known here: kept with the numbers and strings that follow.
            while (!cur_.eof() && (cur_.str || is_number(cur_))) take();
        }
        o.tokens.push_back(std::move(tok));
    }
}

// Reads `kids` objects (each with its subtree) into parent, without
// recursion. An object tree that the file ends in the middle of is kept as
// far as it goes.
void Reader::read_tree(Object &parent, std::uint32_t kids, bool &short_warned)
{
    struct Open {
        Object *obj;
        std::uint32_t left;
    };
    std::vector<Open> open;
    open.push_back({&parent, kids});
    while (!open.empty()) {
        if (open.back().left == 0) {
            open.pop_back();
            continue;
        }
        if (cur_.eof()) {
            std::uint64_t missing = 0;
            for (const Open &op : open) missing += op.left;
            if (!short_warned)
                warn(cur_.line, "the file ends " + std::to_string(missing) +
                                    " object(s) short of what 'kids' announced; kept the objects read");
            short_warned = true;
            return;
        }
        if (!cur_.is("OBJECT")) {
            const Object &o = *open.back().obj;
            fail(cur_.line, "OBJECT (a child of " + describe(o) + ")", cur_);
        }
        if (open.size() > 1000) fail_msg(cur_.line, "expected objects nested at most 1000 deep");
        --open.back().left;
        Object &child = open.back().obj->kids.emplace_back();
        std::uint32_t k = read_object(child);
        if (child.type == "world") fail_msg(child.line, "expected OBJECT world only as the root");
        if (k) open.push_back({&child, k});
    }
}

void Reader::run()
{
    std::size_t nl = m_.text.find('\n');
    m_.crlf = nl != std::string::npos && nl > 0 && m_.text[nl - 1] == '\r';

    if (m_.text.size() >= 3 && std::memcmp(b_, "\xEF\xBB\xBF", 3) == 0) {
        warn(1, "skipped a UTF-8 byte order mark");
        p_ += 3;
    }
    advance();
    if (!cur_.is("AC3Db") && !cur_.is("AC3Dc")) fail(cur_.line, "the header AC3Db or AC3Dc", cur_);
    m_.version = cur_.s[4];
    advance();

    while (cur_.is("MATERIAL") || cur_.is("MAT")) {
        if (cur_.is("MAT"))
            read_mat_block();
        else
            read_material();
    }

    if (!cur_.is("OBJECT")) fail(cur_.line, "OBJECT or MATERIAL", cur_);
    bool short_warned = false;
    Object &world = m_.world;
    // Peek at the type of the first object.
    const char *save_p = p_;
    const std::size_t save_line = line_;
    const Tok object_tok = cur_;
    advance();
    const bool has_world = cur_.is("world");
    p_ = save_p;
    line_ = save_line;
    cur_ = object_tok;

    if (has_world) {
        std::uint32_t k = read_object(world);
        read_tree(world, k, short_warned);
    } else {
        warn(cur_.line, "no OBJECT world; the top-level objects are placed under a new world object");
        world.type = "world";
        world.line = 0;
    }
    bool adopted = false;
    while (cur_.is("OBJECT")) {
        if (has_world && !adopted)
            warn(cur_.line, "more objects follow the world's " + std::to_string(world.kids.size()) +
                                " children; they are adopted as further children of the world");
        adopted = true;
        read_tree(world, 1, short_warned);
    }
    if (!cur_.eof()) fail(cur_.line, "OBJECT or the end of the file", cur_);
    progress_.update(m_.text.size());
}

} // namespace

Model read_text(std::string text, const std::string &name, const ReadOptions &opt)
{
    if (text.size() >= std::numeric_limits<std::uint32_t>::max())
        throw Error(name + ": expected a file smaller than 4 GiB, found " + std::to_string(text.size()) + " bytes");
    Model m;
    m.path = name;
    m.text = std::move(text);
    Reader r(m, opt);
    r.run();
    return m;
}

Model read_file(const std::string &path, const ReadOptions &opt)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error(path + ": cannot open: " + std::strerror(errno));
    struct stat st {};
    std::string text;
    auto fail = [&](const char *what) {
        int err = errno;
        ::close(fd);
        throw Error(path + ": cannot " + what + ": " + std::strerror(err));
    };
    if (::fstat(fd, &st) != 0) fail("stat");
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        fail("read");
    }
    if (st.st_size > 0) text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (;;) {
        char probe[4096];
        const bool full = got == text.size();
        char *dst = full ? probe : text.data() + got;
        const std::size_t room = full ? sizeof probe : text.size() - got;
        ssize_t n = ::read(fd, dst, room);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("read");
        }
        if (n == 0) break;
        if (full) { // longer than stat said (a pipe, a growing file)
            text.append(probe, static_cast<std::size_t>(n));
            text.resize(text.capacity());
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    return read_text(std::move(text), path, opt);
}

// ---------------------------------------------------------------- placement

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

bool same_bits(float a, float b)
{
    std::uint32_t x, y;
    std::memcpy(&x, &a, 4);
    std::memcpy(&y, &b, 4);
    return x == y;
}

} // namespace

Placement Placement::child(const Object &o) const
{
    Placement p = *this;
    Step s{o.has_rot, o.rot, {1, 0, 0, 0, 1, 0, 0, 0, 1}, o.loc};
    if (o.has_rot) {
        if (invert(o.rot, s.inv)) {
            p.inv_total_ = mul(s.inv, p.inv_total_);
        } else if (!p.singular_) {
            p.singular_ = true;
            std::string n = o.name();
            p.where_ = n.empty() ? "the " + o.type + " object of line " + std::to_string(o.line) : "'" + n + "'";
        }
    }
    p.steps_.push_back(s);
    return p;
}

Vertex Placement::to_world(const Vertex &v) const
{
    double p[3] = {v.x, v.y, v.z};
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
        if (it->has_rot) {
            const Mat3 &r = it->rot;
            double q[3];
            for (int i = 0; i < 3; ++i)
                q[i] = r[static_cast<std::size_t>(i * 3)] * p[0] + r[static_cast<std::size_t>(i * 3 + 1)] * p[1] +
                       r[static_cast<std::size_t>(i * 3 + 2)] * p[2];
            p[0] = q[0], p[1] = q[1], p[2] = q[2];
        }
        p[0] += it->loc[0];
        p[1] += it->loc[1];
        p[2] += it->loc[2];
    }
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

Vertex Placement::to_local(const Vertex &world, const Vertex &old_local) const
{
    const Vertex before = to_world(old_local);
    const bool moved[3] = {!same_bits(world.x, before.x), !same_bits(world.y, before.y), !same_bits(world.z, before.z)};
    if (!moved[0] && !moved[1] && !moved[2]) return old_local;
    if (singular_)
        throw Error("cannot place moved vertices back into object " + where_ +
                    ": its rot matrix (or a parent's) is singular");
    double p[3] = {world.x, world.y, world.z};
    for (const Step &s : steps_) {
        p[0] -= s.loc[0];
        p[1] -= s.loc[1];
        p[2] -= s.loc[2];
        if (s.has_rot) {
            double q[3];
            for (int i = 0; i < 3; ++i)
                q[i] = s.inv[static_cast<std::size_t>(i * 3)] * p[0] +
                       s.inv[static_cast<std::size_t>(i * 3 + 1)] * p[1] +
                       s.inv[static_cast<std::size_t>(i * 3 + 2)] * p[2];
            p[0] = q[0], p[1] = q[1], p[2] = q[2];
        }
    }
    float old[3] = {old_local.x, old_local.y, old_local.z};
    float out[3];
    for (int i = 0; i < 3; ++i) {
        bool depends = false;
        for (int j = 0; j < 3; ++j)
            if (moved[j] && inv_total_[static_cast<std::size_t>(i * 3 + j)] != 0) depends = true;
        out[i] = depends ? static_cast<float>(p[i]) : old[i];
    }
    return {out[0], out[1], out[2]};
}

namespace {
template <class M, class O, class F> void visit(M &m, F &f)
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
} // namespace

void for_each_object(const Model &m, const std::function<void(const Object &, const Placement &)> &f)
{
    visit<const Model, const Object>(m, f);
}

void for_each_object(Model &m, const std::function<void(Object &, const Placement &)> &f)
{
    visit<Model, Object>(m, f);
}

} // namespace ac
