// Numbers as .ac files write them, each read by a quick path for its usual
// form beside a careful path that reads every form. A quick path gives the
// value the careful one gives, or leaves the word to it:
//
//   coordinates       simple_float (Clinger's fast path)  parse_float: from_chars
//   counts, indices   short_whole (9 digits at most)       parse_whole: from_chars
//   surface flags     7 hexadecimal digits at most         parse_flags: from_chars
//
// The quick paths are inline, as nearly every number read goes through
// them; the careful ones are numbers.cpp. Not part of the library's
// interface.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace ac::detail {

// Space, tab, line feed, carriage return, vertical tab, form feed: what
// ends a word, and so a number. Asked of nearly every byte read and
// written, so looked up inline. With `nul`, a NUL byte ends a word too.
struct SpaceTable {
    bool t[256] = {};
    constexpr explicit SpaceTable(bool nul = false)
    {
        for (unsigned char c : {' ', '\t', '\n', '\r', '\v', '\f'}) t[c] = true;
        t[0] = nul;
    }
};
inline constexpr SpaceTable space_table;
inline bool is_space(char c)
{
    return space_table.t[static_cast<unsigned char>(c)];
}
// Where a number word the reader took ends at the latest: it never held a
// NUL, which is what the zero pages in place of a file cut short hold.
inline constexpr SpaceTable number_end_table(true);
inline bool ends_number(char c)
{
    return number_end_table.t[static_cast<unsigned char>(c)];
}

inline bool is_digit(char c)
{
    return static_cast<unsigned>(c - '0') < 10;
}

// Clinger's fast path (W. D. Clinger, "How to Read Floating Point Numbers
// Accurately", 1990): a decimal of digits m and k decimals is m / 10^k, and
// one division gives the float nearest to it, as from_chars does, when
//   - m is a float exactly: below 2^24;
//   - 10^k is a float exactly: k at most 10 (5^10 is below 2^24, 5^11 is not);
//   - the division rounds to nearest, the default, which nothing here changes.
inline constexpr std::uint64_t exact_mantissa_limit = std::uint64_t{1} << 24;
inline constexpr float exact_powers_of_ten[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
inline constexpr std::size_t exact_decimals = std::size(exact_powers_of_ten) - 1;

// The usual coordinate by Clinger's fast path: an optional '-', digits, and
// a '.' with digits after it, up to whitespace or the end. Returns where it
// ends, or null when it is beyond the fast path and from_chars must decide.
inline const char *simple_float(const char *p, const char *e, float &out)
{
    const bool negative = p != e && *p == '-';
    const char *q = p + negative;
    const char *const first = q;
    // Unsigned arithmetic wraps; more than 18 digits are refused below anyway.
    std::uint64_t m = 0;
    for (; q != e && is_digit(*q); ++q) m = m * 10 + static_cast<unsigned>(*q - '0');
    const auto whole = static_cast<std::size_t>(q - first);
    std::size_t decimals = 0;
    if (whole != 0 && q != e && *q == '.') {
        const char *const point = ++q;
        for (; q != e && is_digit(*q); ++q) m = m * 10 + static_cast<unsigned>(*q - '0');
        decimals = static_cast<std::size_t>(q - point);
        if (decimals == 0) return nullptr;
    }
    if (whole == 0 || whole + decimals > 18 || decimals > exact_decimals || m >= exact_mantissa_limit ||
        (q != e && !is_space(*q)))
        return nullptr;
    const float f = static_cast<float>(m) / exact_powers_of_ten[decimals];
    out = negative ? -f : f;
    return q;
}

// The usual count or index: 1 to 9 digits at p, which cannot overflow.
// Returns where they end, or null when there are none or more.
inline const char *short_whole(const char *p, const char *e, std::uint64_t &out)
{
    std::uint64_t v = 0;
    const char *q = p;
    for (; q != e && q - p < 10 && is_digit(*q); ++q) v = v * 10 + static_cast<unsigned>(*q - '0');
    if (q == p || q - p >= 10) return nullptr;
    out = v;
    return q;
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
    if constexpr (std::is_same_v<T, std::uint64_t>) {
        const char *end = short_whole(p, e, out);
        if (end && (end == e || is_space(*end))) return end;
    }
    const auto r = std::from_chars(p, e, out);
    if (r.ec != std::errc() || r.ptr == p || (r.ptr != e && !is_space(*r.ptr))) return nullptr;
    return r.ptr;
}

// The end of a word at p that reads as a float whose value is not needed:
// a short plain decimal ('-', digits, a point and digits) surely does, and
// anything else is asked of from_chars. Null when it does not read.
inline const char *float_word_end(const char *p, const char *e)
{
    const char *q = p + (p != e && *p == '-');
    const char *const digits = q;
    while (q != e && is_digit(*q)) ++q;
    bool plain = q != digits;
    if (plain && q != e && *q == '.') {
        const char *const point = ++q;
        while (q != e && is_digit(*q)) ++q;
        plain = q != point;
    }
    if (plain && q - p <= 32 && (q == e || is_space(*q))) return q;
    float unused;
    return whole_word_number(p, e, unused);
}

// The careful paths (numbers.cpp). Each reads a whole token and returns
// false when the token is not such a number.
//
// A coordinate: locale-independent, "nan", "-nan" and 3-digit exponents
// accepted; a float below the float range rounds to a subnormal or zero.
bool parse_float(std::string_view s, float &out);
bool parse_double(std::string_view s, double &out);
// A count or an index: decimal digits only.
bool parse_whole(std::string_view s, std::uint64_t &out);
// SURF flags: hexadecimal, with or without 0x or 0X.
bool parse_flags(std::string_view s, std::uint32_t &out);
// Writes the shortest text that reads back as f; 32 characters are enough.
char *float_chars(char *first, char *last, float f);

}  // namespace ac::detail
