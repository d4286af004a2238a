// What the reader repairs rather than refuses, and the one warning each
// repair gives:
//
//   a UTF-8 byte order mark          skipped
//   a material of an unusual form    kept as written
//   a `data` count that does not fit the text is the rest of the line
//   `kids` too large                 the objects read are kept (read_tree.cpp)
//   `kids` too small                 later objects become children of the world (read_tree.cpp)
//   no OBJECT world                  a world is made around the objects (read_tree.cpp)
//   a surface's mat beyond the materials  kept as read (read_object.cpp)
#include "read/reader.h"

#include <algorithm>
#include <cstring>

namespace ac::detail {

namespace {

// The characters of a `data` text as counted.
struct Counted {
    std::string text;
    const char *end;   // just after the last character taken
    std::size_t line;  // the line `end` is on
    bool complete;     // all the characters counted were there
};

// Takes n characters from `s`; a line break inside (CRLF, LF or a lone CR)
// counts as one and is kept as LF.
Counted take_counted(const char *s, const char *e, std::size_t line, std::uint64_t n)
{
    Counted c{{}, s, line, false};
    c.text.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(n, static_cast<std::uint64_t>(e - s))));
    const char *t = s;
    std::uint64_t k = 0;
    while (k < n && t != e) {
        if (*t == '\r') {  // CRLF or a lone CR: one line break
            c.text += '\n';
            const bool lf = t + 1 != e && t[1] == '\n';
            t += lf ? 2 : 1;
            c.line += lf;
        } else {
            if (*t == '\n') ++c.line;
            c.text += *t++;
        }
        ++k;
    }
    c.end = t;
    c.complete = k == n;
    return c;
}

// Whether a text that ends at t ends where the text of `data` may end: where
// a line ends, or on a file flattened to one line, where a word ends.
bool ends_at_boundary(const char *t, const char *e, bool same_line)
{
    if (t == e) return true;
    if (same_line) return is_space(*t);
    return *t == '\n' || (*t == '\r' && (t + 1 == e || t[1] == '\n'));
}

// Past the line break at t, if there is one.
const char *past_line_end(const char *t, const char *e, std::size_t &line)
{
    if (t != e && *t == '\r') ++t;
    if (t != e && *t == '\n') {
        ++t;
        ++line;
    }
    return t;
}

bool usual_material(const std::vector<Tok> &fields)
{
    static const char *const keys[] = {"rgb", "amb", "emis", "spec", "shi", "trans"};
    static const int values[] = {3, 3, 3, 3, 1, 1};
    std::size_t i = 0;
    for (int k = 0; k < 6; ++k) {
        if (i >= fields.size() || !fields[i].is(keys[k])) return false;
        ++i;
        for (int v = 0; v < values[k]; ++v, ++i)
            if (i >= fields.size() || !is_number(fields[i])) return false;
    }
    return i == fields.size();
}

}  // namespace

const char *Reader::after_byte_order_mark() const
{
    const char *b = sc_.begin();
    if (m_.text.size() < 3 || std::memcmp(b, "\xEF\xBB\xBF", 3) != 0) return b;
    msg_.warn(1, "skipped a UTF-8 byte order mark");
    return b + 3;
}

void Reader::check_material_form(const Tok &start, std::size_t index, const std::vector<Tok> &fields) const
{
    if (usual_material(fields)) return;
    msg_.note(start.line, "material " + std::to_string(index) +
                              " is not of the form 'MATERIAL name rgb R G B amb R G B emis R G B spec R G B "
                              "shi N trans T'; kept as written");
}

// `data N`: N characters of text starting on the next line.
//
// Counts in real files are sometimes wrong, so the count is trusted only when
// the counted text ends where a line ends (or at the end of the file).
// Otherwise the text is the rest of that line, and a warning says so. A file
// flattened to one line has the text on the `data` line itself; there the
// count must end at a word boundary, else the text is the next word.
std::string Reader::read_data(Tok count_tok, std::uint64_t n, std::size_t line)
{
    const DataStart start = data_start(count_tok);
    Counted c = take_counted(start.at, sc_.end(), start.line, n);
    if (c.complete && ends_at_boundary(c.end, sc_.end(), start.same_line)) {
        const char *next = start.same_line ? c.end : past_line_end(c.end, sc_.end(), c.line);
        sc_.seek(next, c.line);
        return std::move(c.text);
    }
    if (n == 0) {  // empty text, the next line is not part of it
        sc_.seek(start.at, start.line);
        return std::move(c.text);
    }
    return take_rest_of_line(start, n, line);
}

// After the count: blanks, then one line break, if any.
Reader::DataStart Reader::data_start(const Tok &count_tok) const
{
    const char *q = count_tok.end();
    const char *e = sc_.end();
    const std::size_t line = count_tok.line;
    while (q != e && (*q == ' ' || *q == '\t')) ++q;
    if (q != e && *q == '\r' && q + 1 != e && q[1] == '\n') return {q + 2, line + 1, false};
    if (q != e && (*q == '\n' || *q == '\r')) return {q + 1, line + (*q == '\n'), false};
    return {q, line, q != e};
}

std::string Reader::take_rest_of_line(const DataStart &start, std::uint64_t n, std::size_t line)
{
    const char *f = start.at;
    const char *e = sc_.end();
    if (start.same_line)
        while (f != e && !is_space(*f)) ++f;
    else
        while (f != e && *f != '\n' && *f != '\r') ++f;
    std::string text(start.at, f);
    msg_.warn(line, "data " + std::to_string(n) + " does not match its text; took the " +
                        (start.same_line ? "word " : "line ") + quoted(text) + " (" + std::to_string(text.size()) +
                        " characters)");
    sc_.seek(f, start.line);
    return text;
}

}  // namespace ac::detail
