// Writer of .ac files.
//
// Output is AC3D's own layout: the header, one material per line, the object
// tree depth first with `OBJECT world` first and `kids` ending each object.
// Everything the model still holds as read is written with its original text;
// only coordinates the program changed are formatted anew, in the shortest
// form that reads back as the same float. Line ends follow the file read
// (CRLF stays CRLF).
#include "read/reader.h"
#include "same_bits.h"
#include "test_stop.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace ac {

namespace {

// Buffered output to a sink, which never receives more than `limit` bytes
// in all: `past_limit` is called before it would, and must throw.
class Out {
public:
    using Sink = std::function<void(const char *, std::size_t)>;
    Out(Sink sink, bool crlf, std::uint64_t limit, std::function<void()> past_limit)
        : sink_(std::move(sink)), buf_(256u << 10), eol_(crlf ? "\r\n" : "\n"), left_(limit),
          past_limit_(std::move(past_limit))
    {
    }

    void put(const char *s, std::size_t n)
    {
        if (n > buf_.size() - pos_) {
            flush();
            if (n > buf_.size()) {
                send(s, n);
                return;
            }
        }
        std::memcpy(buf_.data() + pos_, s, n);
        pos_ += n;
    }
    void put(std::string_view s) { put(s.data(), s.size()); }
    void put(char c)
    {
        if (pos_ == buf_.size()) flush();
        buf_[pos_++] = c;
    }
    void nl() { put(eol_); }
    // Text whose line breaks are '\n', written with this file's line ends.
    void lines(std::string_view s)
    {
        for (std::size_t i = 0; i < s.size();) {
            std::size_t j = s.find('\n', i);
            if (j == std::string_view::npos) j = s.size();
            put(s.substr(i, j - i));
            if (j < s.size()) nl();
            i = j + 1;
        }
    }
    void num(std::uint64_t v)
    {
        room(24);
        pos_ =
            static_cast<std::size_t>(std::to_chars(buf_.data() + pos_, buf_.data() + buf_.size(), v).ptr - buf_.data());
    }
    void flt(float f)
    {
        room(32);
        pos_ = static_cast<std::size_t>(detail::float_chars(buf_.data() + pos_, buf_.data() + buf_.size(), f) -
                                        buf_.data());
    }
    void flush()
    {
        if (pos_) send(buf_.data(), pos_);
        pos_ = 0;
    }

private:
    void room(std::size_t n)
    {
        if (buf_.size() - pos_ < n) flush();
    }
    void send(const char *p, std::size_t n)
    {
        if (n > left_) past_limit_();
        left_ -= n;
        sink_(p, n);
    }
    Sink sink_;
    std::vector<char> buf_;
    std::size_t pos_ = 0;
    std::string_view eol_;
    std::uint64_t left_;  // what the sink may still receive
    std::function<void()> past_limit_;
};

// The longest a line end, a count and a float written anew can be, and
// flags written anew ("0x%02x" of 32 bits).
constexpr std::uint64_t eol_max = 2, count_max = 20, float_max = 32, flags_max = 10;

// The most the writer can write of a model: every word it takes from the
// text read (each at most once, see Writer::text_word, so all of them fit in
// the text's size), and everything else at its longest. Known before the
// first byte is written, whatever the file under a mapping holds by then.
std::uint64_t output_bound(const Model &m)
{
    std::uint64_t n = m.text.size() + 5 + eol_max;
    for (const std::string &mat : m.materials) n += 2 * mat.size() + eol_max;  // each '\n' may become "\r\n"
    std::vector<const Object *> left{&m.world};
    // Each object is pushed once, by its parent: the loop ends with the tree.
    while (!left.empty()) {
        const Object &o = *left.back();
        left.pop_back();
        n += 7 + o.type.size() + eol_max + 2 * (6 + eol_max) + 3 * (8 + count_max + eol_max);  // OBJECT, flags, counts
        for (const Token &t : o.tokens) {
            n += t.key.size() + 1 + count_max + 2 * eol_max + 2 * t.text.size();
            for (const std::string &a : t.args) n += 1 + a.size();
        }
        n += o.verts.size() * (3 * float_max + 2 + eol_max);
        n += o.surfs.size() * (5 + flags_max + 4 + count_max + 5 + count_max + 3 * eol_max);
        n += o.refs.size() * (count_max + 2 * float_max + 2 + eol_max);
        for (const Object &k : o.kids) left.push_back(&k);
    }
    return n;
}

class Writer {
public:
    // `saving` names the file written, if any; `refusing` begins the
    // message of a refusal: "OUT: cannot save: ".
    Writer(const Model &m, const VertexSource &vertices, const FlagSource &flags, const ByteSink &sink,
           detail::Progress &progress, std::string saving, std::string refusing)
        : m_(m), vertices_(vertices), flags_(flags), o_(sink, m.crlf, output_bound(m), [this] { text_changed(); }),
          progress_(progress), saving_(std::move(saving)), refusing_(std::move(refusing))
    {
    }

    void run()
    {
        o_.put("AC3D");
        o_.put(m_.version);
        o_.nl();
        for (const std::string &mat : m_.materials) {
            o_.lines(mat);
            o_.nl();
        }
        // Depth first in file order. Each object is pushed once, by its
        // parent: the loop ends with the tree.
        std::vector<const Object *> left{&m_.world};
        while (!left.empty()) {
            const Object &ob = *left.back();
            left.pop_back();
            object(ob);
            for (auto k = ob.kids.rbegin(); k != ob.kids.rend(); ++k) left.push_back(&*k);
        }
        o_.flush();
    }

private:
    // The next word of the text at p, past the spaces before it; p is left
    // after it. The words the writer takes (coordinates, texture coordinates,
    // flags) and the spaces it passes between them are each their own part
    // of the file, so a pass takes at most the text's size in all: `left_`
    // is what it may still take. So the pass ends within the text as loaded
    // whatever the file under a mapping holds by now, and a word not as the
    // reader left it (none, holding a NUL as the zero pages in place of a
    // file cut short do, or running on past what is left) stops it.
    std::string_view text_word(const char *&p)
    {
        const char *const from = p;
        const char *const limit = p + std::min(left_, static_cast<std::size_t>(end_ - p));
        while (p != limit && detail::is_space(*p)) ++p;
        const char *const word = p;
        while (p != limit && !detail::ends_number(*p)) ++p;
        left_ -= static_cast<std::size_t>(p - from);
        if (p == word || (p != end_ && !detail::is_space(*p))) text_changed();
        return {word, static_cast<std::size_t>(p - word)};
    }

    // The text is no longer what was read: the store's check tells how
    // (cut short, changed in place, replaced) and names the file.
    [[noreturn]] void text_changed() const
    {
        if (m_.store) m_.store->check(TextCheck::after_copy, saving_);
        throw Error(refusing_ + m_.path + ", which the model reads its text from, changed while it was copied; " +
                    (saving_.empty() ? "nothing written" : "load it again"));
    }

    // Writes one coordinate: its word at p when the value is the one read
    // (the word is passed over either way).
    void coord(float v, float read, const char *&p)
    {
        const std::string_view word = text_word(p);
        if (same_bits(v, read))
            o_.put(word);
        else
            o_.flt(v);
    }

    // Without a copy of the coordinates as read, an object's own are taken
    // for them: ones edited since would get their old text.
    void check_unedited(const Object &ob) const
    {
        if (ob.verts.size() >= ob.vtext_count &&
            detail::vertex_digest(ob.verts.data(), ob.vtext_count) == ob.verts_digest)
            return;
        throw Error(refusing_ + "the vertices of " + describe(ob) +
                    " were edited after a read without their copy as read (keep_read_copy off), and would be "
                    "written with their old text; nothing written");
    }

    const Vertex *verts_of(const Object &ob) const
    {
        const Vertex *given = vertices_ ? vertices_(ob) : nullptr;
        return given ? given : ob.verts.data();
    }

    void vertices(const Object &ob)
    {
        const Vertex *verts = verts_of(ob);
        o_.put("numvert ");
        o_.num(ob.verts.size());
        o_.nl();
        const bool read_copy = !ob.verts_read.empty();
        if (!read_copy && ob.vtext_count) check_unedited(ob);
        // The words of the vertices read follow one another from there.
        const char *t = m_.text.data() + ob.vtext;
        for (std::size_t i = 0; i < ob.verts.size(); ++i) {
            const Vertex &v = verts[i];
            const bool has_text = i < ob.vtext_count && (!read_copy || i < ob.verts_read.size());
            const auto at = static_cast<std::uint32_t>(t - m_.text.data());
            if (has_text) {
                const Vertex &r = read_copy ? ob.verts_read[i] : ob.verts[i];
                coord(v.x, r.x, t);
                o_.put(' ');
                coord(v.y, r.y, t);
                o_.put(' ');
                coord(v.z, r.z, t);
            } else {
                o_.flt(v.x);
                o_.put(' ');
                o_.flt(v.y);
                o_.put(' ');
                o_.flt(v.z);
            }
            o_.nl();
            tick(1, has_text ? Span{at, 1} : Span{});
        }
    }

    void flags(const Surface &s)
    {
        std::uint32_t f = 0;
        std::string_view text;
        if (s.flags_at < m_.text.size()) {
            const char *at = m_.text.data() + s.flags_at;
            text = text_word(at);
        }
        if (!text.empty() && detail::parse_flags(text, f) && f == s.flags) {
            o_.put(text);
            return;
        }
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%02x", static_cast<unsigned>(s.flags));
        o_.put(buf);
    }

    void surfaces(const Object &ob)
    {
        o_.put("numsurf ");
        o_.num(ob.surfs.size());
        o_.nl();
        for (const Surface &s : ob.surfs) {
            o_.put("SURF ");
            flags(s);
            o_.nl();
            o_.put("mat ");
            o_.num(s.mat);
            o_.nl();
            o_.put("refs ");
            o_.num(s.count);
            o_.nl();
            for (std::uint32_t j = 0; j < s.count; ++j) {
                const Ref &r = ob.refs[s.first + j];
                o_.num(r.index);
                o_.put(' ');
                uv(r);
                o_.nl();
            }
            const std::uint32_t at = s.count ? ob.refs[s.first].uv : Ref::no_text;
            tick(s.count, at == Ref::no_text ? Span{} : Span{at, 1});
        }
    }

    // A corner's texture coordinate: its words as read, or made anew.
    void uv(const Ref &r)
    {
        std::array<std::string_view, 2> words;
        if (r.uv < m_.text.size()) {
            const char *at = m_.text.data() + r.uv;
            words[0] = text_word(at);
            words[1] = text_word(at);
        } else {
            words = m_.uv_text(r);
        }
        o_.put(words[0]);
        o_.put(' ');
        o_.put(words[1]);
    }

    void token(const Token &t)
    {
        o_.put(t.key);
        if (t.key == "data") {
            o_.put(' ');
            o_.num(t.text.size());
            o_.nl();
            o_.lines(t.text);
            o_.nl();
            return;
        }
        for (const std::string &a : t.args) {
            o_.put(' ');
            o_.put(a);
        }
        o_.nl();
    }

    void object(const Object &ob)
    {
        o_.put("OBJECT ");
        o_.put(ob.type);
        o_.nl();
        const bool verts = ob.vert_at != Object::npos || !ob.verts.empty();
        const bool surfs = ob.surf_at != Object::npos || !ob.surfs.empty();
        const std::size_t n = ob.tokens.size();
        const std::size_t va = ob.vert_at == Object::npos ? n : ob.vert_at;
        const std::size_t sa = ob.surf_at == Object::npos ? n : std::max(ob.surf_at, verts ? va : 0);
        const WrittenFlags want = flags_ ? flags_(ob) : WrittenFlags{ob.hidden, ob.locked};
        const std::size_t add_hidden = want.hidden && !ob.hidden ? flag_place(ob, 0) : Object::npos;
        const std::size_t add_locked = want.locked && !ob.locked ? flag_place(ob, 1) : Object::npos;
        for (std::size_t i = 0; i <= n; ++i) {
            if (i == add_hidden) line("hidden");
            if (i == add_locked) line("locked");
            if (verts && i == va) vertices(ob);
            if (surfs && i == sa) surfaces(ob);
            if (i < n && kept(ob.tokens[i], want)) token(ob.tokens[i]);
        }
        o_.put("kids ");
        o_.num(ob.kids.size());
        o_.nl();
    }

    void line(const char *word)
    {
        o_.put(word);
        o_.nl();
    }

    // Whether a token is written: a flag's line only while the flag stands.
    static bool kept(const Token &t, WrittenFlags want)
    {
        return (want.hidden || t.key != "hidden") && (want.locked || t.key != "locked");
    }

    // Where the flag of rank `rank` in the modeller's order (hidden, locked,
    // folded) goes among an object's tokens: where the modeller writes it,
    // after the header's lines and before the flags that follow it, the
    // vertices, the surfaces and `kids`.
    static std::size_t flag_place(const Object &ob, int rank)
    {
        static const char *const order[] = {"hidden", "locked", "folded"};
        auto after = [&](const std::string &key) {
            for (int r = rank + 1; r < 3; ++r)
                if (key == order[r]) return true;
            return false;
        };
        std::size_t at = std::min({ob.vert_at, ob.surf_at, ob.tokens.size()});
        while (at > 0 && after(ob.tokens[at - 1].key)) --at;
        return at;
    }

    // Counts what was written; now and then shows it, and lets go of the
    // text read behind `at` (the objects are written in the file's order).
    void tick(std::uint64_t n, Span at)
    {
        done_ += n;
        if (done_ - shown_ >= 65536) {
            shown_ = done_;
            progress_.update(done_);
            if (m_.store && at.len && at.off < m_.text.size() && at.off > detail::let_go_margin)
                m_.store->let_go(at.off - detail::let_go_margin);
        }
    }

    const Model &m_;
    const VertexSource &vertices_;
    const FlagSource &flags_;
    Out o_;
    detail::Progress &progress_;
    const std::string saving_, refusing_;
    const char *const end_ = m_.text.data() + m_.text.size();
    std::size_t left_ = m_.text.size();  // what text_word may still take
    std::uint64_t done_ = 0, shown_ = 0;
};

}  // namespace

std::string write_text(const Model &m, const VertexSource &vertices, const FlagSource &flags)
{
    if (m.store) m.store->check(TextCheck::before_save);
    std::string s;
    const ByteSink sink = [&](const char *p, std::size_t n) { s.append(p, n); };
    detail::Progress none("saving", m.path, 1, false);
    Writer(m, vertices, flags, sink, none, "", m.path + ": cannot write: ").run();
    if (m.store) m.store->check(TextCheck::after_copy);
    return s;
}

// The text is checked again once it is copied: a change made to the file
// while the writer read it would give a new file of two versions.
FileStamp write_file(const Model &m, const std::string &path_in, const WriteOptions &opt)
{
    if (m.store) m.store->check(TextCheck::before_save);
    return replace_file(
        path_in,
        [&](const ByteSink &sink) {
            Counts c = count(m);
            detail::Progress progress("saving", path_in, c.vertices + c.refs,
                                      opt.progress && m.text.size() >= detail::progress_threshold, 2, opt.on_progress);
            detail::stop_for_tests("save");
            Writer(m, opt.vertices, opt.flags, sink, progress, path_in, path_in + ": cannot save: ").run();
            if (m.store) m.store->check(TextCheck::after_copy, path_in);
        },
        opt.replace);
}

}  // namespace ac
