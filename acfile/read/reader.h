// The reader's parts, shared by its source files; not part of the library's
// interface.
//
//   scanner.cpp      Scanner: words, strings and their line numbers
//   messages.cpp     Messages: every "FILE:LINE: ..." line the reader gives
//   numbers.h        the numbers of a token: quick paths and careful ones
//   read.cpp         Reader::run and the records before the objects
//   read_tree.cpp    the tree of objects under the world
//   read_object.cpp  one OBJECT record: its tokens, vertex block and surfaces
//   repair.cpp       what the reader repairs, and the warning each repair gives
//
// Every step of the Reader starts with the scanner on the first token it
// reads, and leaves it on the first token it does not. So every loop of the
// reader ends within the text as loaded: each round takes at least one token
// or fails, and the scanner only moves on, up to the text's end; it goes back
// (seek) only to read again, once, the line or the data text just taken.
#pragma once

#include "acfile.h"
#include "read/numbers.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ac::detail {

// One word or string of the file. A string keeps its quotes.
struct Tok {
    const char *s = nullptr;  // nullptr at end of file
    std::size_t n = 0;
    std::size_t line = 0;
    bool str = false;

    bool eof() const { return s == nullptr; }
    std::string_view sv() const { return {s, n}; }
    bool is(std::string_view w) const { return s && !str && sv() == w; }
    const char *end() const { return s + n; }
};

// A model read from a text kept in `store`; a store of a copied text.
Model read_store(std::shared_ptr<const TextStore> store, const std::string &name, const ReadOptions &opt);
std::shared_ptr<const TextStore> string_store(std::string text);

// A digest of vertices, to tell whether they are still those read: an edit
// of one vertex always changes it, any other edit all but surely.
std::uint64_t vertex_digest(const Vertex *v, std::size_t n);

// A word that reads as a number (a string never does).
bool is_number(const Tok &t);

// The reader's messages. Each failure throws Error with one line,
// "FILE:LINE: expected WHAT, found WHAT-WAS-THERE"; each warning is one line
// "FILE:LINE: warning: ..." handed to the sink, or to standard error.
class Messages {
public:
    Messages(const std::string &path, const WarningSink &sink, bool &repaired)
        : path_(path), sink_(sink), repaired_(repaired)
    {
    }

    [[noreturn]] void fail(std::size_t line, const std::string &expected, const Tok &found) const;
    [[noreturn]] void fail(std::size_t line, const std::string &expected, const std::string &found) const;
    [[noreturn]] void fail(std::size_t line, const std::string &expected) const;
    // A repair: a save will write this part other than the file has it.
    void warn(std::size_t line, const std::string &msg) const;
    // A warning of something odd kept as the file has it.
    void note(std::size_t line, const std::string &msg) const;

private:
    const std::string &path_;
    const WarningSink &sink_;
    bool &repaired_;
};

// A word or a token as messages show them: quoted and cut at 40
// characters, or "end of file".  (Objects: ac::describe.)
std::string quoted(std::string_view s);
std::string describe(const Tok &t);

// The file's text as one stream of tokens: any run of whitespace separates
// them, so line structure is only used where it helps a message or decides a
// repair. A string runs from one '"' to the next, with no escapes.
class Scanner {
public:
    Scanner(std::string_view text, const Messages &msg) : b_(text.data()), p_(b_), e_(b_ + text.size()), msg_(msg) {}

    const Tok &cur() const { return cur_; }
    void advance();  // to the next token; fails on a string without its end
    // Goes on from `at`, which is on line `line`, and reads the token there.
    void seek(const char *at, std::size_t line);
    Tok peek();  // the token after cur(), without moving

    const char *begin() const { return b_; }
    const char *end() const { return e_; }
    const char *pos() const { return p_; }  // just after cur()
    Span span(const Tok &t) const
    {
        return Span{static_cast<std::uint32_t>(t.s - b_), static_cast<std::uint32_t>(t.n)};
    }

private:
    const char *b_;
    const char *p_;
    const char *e_;
    std::size_t line_ = 1;
    Tok cur_;
    const Messages &msg_;
};

// How far behind the scanner the reader lets the text's pages go.
inline constexpr std::size_t let_go_margin = 256u << 10;

// Reads one model from its text, which must stay in place while it runs:
// the Spans of the model point into it.
class Reader {
public:
    Reader(Model &m, const ReadOptions &opt);
    void run();

private:
    // read.cpp: the file in order, and the records before the objects
    void note_line_ends();
    void read_header();
    void read_materials();
    void read_material();
    void read_mat_block();
    void expect_end_of_file();

    // read_object.cpp: one OBJECT record, up to and including its kids line
    struct Seen {
        unsigned singles = 0;         // bit i: the i-th token allowed once was seen
        bool refs_unchecked = false;  // surfaces came before numvert
    };
    std::uint32_t read_object(Object &o);
    void read_object_type(Object &o);
    void check_keyword(const Object &o, const Tok &t, Seen &seen) const;
    std::uint32_t read_kids(const Object &o, const Seen &seen);
    Token read_token(Object &o);
    void read_token_args(Object &o, Token &tok);
    void read_vertex_block(Object &o);
    void read_vertex_lines(Object &o, std::uint32_t n);
    void read_vertex(Object &o, std::uint32_t i, std::uint32_t n, bool lines);
    void add_vertex(Object &o, const Vertex &v, const char *text);
    void expect_vertex_line_end(std::uint32_t i, std::size_t line) const;
    void read_surface_block(Object &o, Seen &seen);
    void read_surface(Object &o, std::uint32_t i, std::uint32_t n);
    bool read_surface_head_words(Surface &s, std::size_t &refs_line);
    std::size_t read_surface_head(const Object &o, Surface &s, std::uint32_t i, std::uint32_t n);
    void read_surface_flags(Surface &s);
    void read_ref_lines(Object &o, std::uint32_t count);
    Ref read_ref(const Object &o, std::uint32_t j, std::uint32_t count, bool lines);

    // repair.cpp: the repairs and their warnings
    struct DataStart {
        const char *at;
        std::size_t line;
        bool same_line;  // a file flattened to one line: the text follows the count
    };
    const char *after_byte_order_mark() const;
    void check_material_form(const Tok &start, std::size_t index, const std::vector<Tok> &fields) const;
    std::string read_data(Tok count_tok, std::uint64_t n, std::size_t line);
    DataStart data_start(const Tok &count_tok) const;
    std::string take_rest_of_line(const DataStart &start, std::uint64_t n, std::size_t line);

    // read_tree.cpp: the world and the objects under it
    void read_objects();
    void read_tree(Object &parent, std::uint32_t kids);
    void reserve_kids(Object &o, std::uint32_t k);

    // values shared by the steps
    std::uint32_t read_count(std::string_view what);
    double read_double(const std::string &what, bool in_float);
    // Counts vertices or corners read, up to `at` in the text.
    void note_progress(std::uint64_t items, const char *at)
    {
        since_update_ += items;
        if (since_update_ >= 65536) show_progress(at);
    }
    void show_progress(const char *at);

    const Tok &cur() const { return sc_.cur(); }
    // Where cur() starts: the end of the text at its end.
    const char *cur_start() const { return cur().s ? cur().s : sc_.end(); }
    void advance() { sc_.advance(); }

    Model &m_;
    Messages msg_;
    Scanner sc_;
    Progress progress_;
    std::uint64_t since_update_ = 0;
    bool keep_read_copy_;
    bool short_warned_ = false;
    bool mat_warned_ = false;
};

}  // namespace ac::detail
