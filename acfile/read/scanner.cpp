// The tokenizer: words, strings and the line each starts on.
#include "read/reader.h"

#include <algorithm>
#include <cstring>

namespace ac::detail {

bool is_number(const Tok &t)
{
    if (t.eof() || t.str) return false;
    // Every number starts so (inf and nan in either case); keywords do not.
    const char c = t.s[0];
    if (static_cast<unsigned>(c - '0') >= 10 && c != '-' && c != '+' && c != '.' && c != 'i' && c != 'I' && c != 'n' &&
        c != 'N')
        return false;
    double d;
    return parse_double(t.sv(), d);
}

void Scanner::advance()
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
        if (!q) msg_.fail(line, "a closing '\"' for the string that starts here", "end of file");
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

void Scanner::seek(const char *at, std::size_t line)
{
    p_ = at;
    line_ = line;
    advance();
}

Tok Scanner::peek()
{
    const char *p = p_;
    const std::size_t line = line_;
    const Tok here = cur_;
    advance();
    const Tok next = cur_;
    p_ = p;
    line_ = line;
    cur_ = here;
    return next;
}

}  // namespace ac::detail
