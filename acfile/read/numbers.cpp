// The careful paths of numbers.h, which read every form of a number, and
// the shortest text that reads back as the same float.
#include "read/reader.h"

#include <charconv>

namespace ac {

namespace detail {

namespace {

// A real number, locale-independent, the whole token; a leading '+' is
// allowed (from_chars refuses it) but not "+-".
template <class T>
std::from_chars_result parse_real(std::string_view s, T &out)
{
    const char *f = s.data();
    const char *l = f + s.size();
    if (f != l && *f == '+' && l - f > 1 && f[1] != '-') ++f;
    auto r = std::from_chars(f, l, out);
    if (r.ptr != l) r.ec = std::errc::invalid_argument;
    return r;
}

}  // namespace

bool parse_double(std::string_view s, double &out)
{
    return parse_real(s, out).ec == std::errc();
}

bool parse_float(std::string_view s, float &out)
{
    const auto r = parse_real(s, out);
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

bool parse_whole(std::string_view s, std::uint64_t &out)
{
    const char *const end = s.data() + s.size();
    if (short_whole(s.data(), end, out) == end) return true;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ptr == s.data() + s.size() && r.ec == std::errc();
}

bool parse_flags(std::string_view s, std::uint32_t &out)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    // The usual flags, up to 7 hexadecimal digits, cannot overflow.
    if (!s.empty() && s.size() < 8) {
        std::uint32_t v = 0;
        for (const char c : s) {
            const unsigned lower = static_cast<unsigned>(c | 0x20);
            const unsigned digit = static_cast<unsigned>(c - '0') < 10 ? static_cast<unsigned>(c - '0')
                                   : lower - 'a' < 6                   ? lower - 'a' + 10
                                                                       : 16;
            if (digit == 16) return false;
            v = v * 16 + digit;
        }
        out = v;
        return true;
    }
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out, 16);
    return !s.empty() && r.ptr == s.data() + s.size() && r.ec == std::errc();
}

char *float_chars(char *first, char *last, float f)
{
    return std::to_chars(first, last, f).ptr;
}

}  // namespace detail

std::string format_float(float f)
{
    char buf[32];
    return std::string(buf, detail::float_chars(buf, buf + sizeof buf, f));
}

}  // namespace ac
