#include "side_view.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "acfile.h"

namespace standin {

namespace {

// The length of the well-formed UTF-8 sequence at the start of S, or 0:
// an overlong form, a surrogate or a code beyond U+10FFFF is no character.
std::size_t utf8_length(std::string_view s, char32_t &code)
{
    const auto b0 = static_cast<unsigned char>(s[0]);
    const std::size_t n = b0 < 0xC2 ? 0 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : b0 < 0xF5 ? 4 : 0;
    if (n == 0 || s.size() < n) return 0;
    code = b0 & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) return 0;
        code = code << 6 | (b & 0x3F);
    }
    const bool overlong = (n == 3 && code < 0x800) || (n == 4 && code < 0x10000);
    if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    return n;
}

// Text as XML 1.0 character data or a quoted attribute value. What XML
// cannot hold (control characters, U+FFFE and U+FFFF, bytes that are not
// UTF-8) is shown as \xNN for each byte, as the messages show it.
std::string escaped(std::string_view s)
{
    std::string r;
    while (!s.empty()) {
        const char c = s[0];
        char32_t code = 0;
        std::size_t n = static_cast<unsigned char>(c) < 0x80 ? 1 : utf8_length(s, code);
        if (n > 1 && (code == 0xFFFE || code == 0xFFFF)) n = 0;
        if (n > 1) {
            r.append(s.substr(0, n));
        } else if (n == 0 || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            r += ac::hex_byte(static_cast<unsigned char>(c));
            n = 1;
        } else if (c == '&') {
            r += "&amp;";
        } else if (c == '<') {
            r += "&lt;";
        } else if (c == '>') {
            r += "&gt;";
        } else if (c == '"') {
            r += "&quot;";
        } else {
            r += c;
        }
        s.remove_prefix(n);
    }
    return r;
}

// V with two decimals, as printf's %.2f writes it into 32 bytes (at most 31
// characters), at a fraction of its cost: a layer of 10^5 lines writes four
// numbers a line.  Where long double holds V * 100 exactly (53 + 5 bits),
// that is rounded as printf rounds, in the current mode, the sign kept for
// a value that rounds to zero; elsewhere to_chars gives printf's digits.
void append_num(std::string &out, double v)
{
    char buf[32];
    if constexpr (std::numeric_limits<long double>::digits >= 58) {
        if (std::fabs(v) < 1e15) {
            const long long hundredths = std::llrint(static_cast<long double>(v) * 100);
            const auto n = static_cast<unsigned long long>(hundredths < 0 ? -hundredths : hundredths);
            char *at = buf;
            if (std::signbit(v)) *at++ = '-';
            at = std::to_chars(at, buf + sizeof buf, n / 100).ptr;
            *at++ = '.';
            *at++ = static_cast<char>('0' + n / 10 % 10);
            *at++ = static_cast<char>('0' + n % 10);
            out.append(buf, at);
            return;
        }
    }
    const auto [end, failed] = std::to_chars(buf, buf + sizeof buf - 1, v, std::chars_format::fixed, 2);
    if (failed == std::errc()) {
        out.append(buf, end);
        return;
    }
    std::snprintf(buf, sizeof buf, "%.2f", v);
    out += buf;
}

std::string num(double v)
{
    std::string out;
    append_num(out, v);
    return out;
}

std::string label(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", std::fabs(v) < 1e-12 ? 0.0 : v);
    return buf;
}

// A round step giving about five ticks over RANGE.
double tick_step(double range)
{
    const double raw = range / 5;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * p) return m * p;
    return 10 * p;
}

struct Range {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    void add(double v)
    {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    bool empty() const { return lo > hi; }
};

// Where model coordinates land in the picture: both axes at one scale, as a
// side view is, the shorter extent given room.
struct Frame {
    Range across, up;
    double dx = 0, dy = 0;  // the extents shown
    double scale = 1, w = 0, h = 0;
    static constexpr double left = 70, top = 72, right = 30, bottom = 56;

    explicit Frame(const SideView &view)
    {
        for (const auto *layer : {&view.before, &view.after})
            for (const SideViewLine &l : *layer) {
                across.add(l.x0);
                across.add(l.x1);
                up.add(l.y0);
                up.add(l.y1);
            }
        if (across.empty()) across = {0, 1}, up = {0, 1};
        const double max_w = 900, max_h = 560, min_w = 240, min_h = 160;
        dx = std::max(across.hi - across.lo, 1e-9);
        dy = std::max(up.hi - up.lo, 1e-9);
        scale = std::min(max_w / dx, max_h / dy);
        if (dx * scale < min_w) {
            const double grow = (min_w / scale - dx) / 2;
            across.lo -= grow, across.hi += grow, dx = across.hi - across.lo;
        }
        if (dy * scale < min_h) {
            const double grow = (min_h / scale - dy) / 2;
            up.lo -= grow, up.hi += grow, dy = up.hi - up.lo;
        }
        w = dx * scale;
        h = dy * scale;
    }
    double width() const { return left + w + right; }
    double height() const { return top + h + bottom; }
    double px(double v) const { return left + (v - across.lo) * scale; }
    double py(double v) const { return top + (up.hi - v) * scale; }
};

// Axes along the bottom and the left edge, with round ticks, and their names.
std::string axes_svg(const Frame &f, const SideView &view)
{
    const double left = Frame::left, top = Frame::top;
    std::string svg = "<g stroke=\"#444\" fill=\"none\">\n";
    svg += "<path d=\"M" + num(left) + " " + num(top) + "V" + num(top + f.h) + "H" + num(left + f.w) + "\"/>\n";
    std::string labels;
    const double sx = tick_step(f.dx), sy = tick_step(f.dy);
    for (double t = std::ceil(f.across.lo / sx) * sx; t <= f.across.hi + sx * 1e-9; t += sx) {
        svg += "<path d=\"M" + num(f.px(t)) + " " + num(top + f.h) + "v5\"/>\n";
        labels += "<text x=\"" + num(f.px(t)) + "\" y=\"" + num(top + f.h + 18) + "\" text-anchor=\"middle\">" +
                  label(t) + "</text>\n";
    }
    for (double t = std::ceil(f.up.lo / sy) * sy; t <= f.up.hi + sy * 1e-9; t += sy) {
        svg += "<path d=\"M" + num(left) + " " + num(f.py(t)) + "h-5\"/>\n";
        labels += "<text x=\"" + num(left - 8) + "\" y=\"" + num(f.py(t) + 4) + "\" text-anchor=\"end\">" + label(t) +
                  "</text>\n";
    }
    svg += "</g>\n" + labels;
    svg += "<text x=\"" + num(left + f.w) + "\" y=\"" + num(top + f.h + 40) +
           "\" text-anchor=\"end\" font-weight=\"bold\">" + escaped(view.across) + " (frequency axis) &#8594;</text>\n";
    svg += "<text x=\"" + num(left - 8) + "\" y=\"" + num(top - 12) + "\" font-weight=\"bold\">&#8593; " +
           escaped(view.up) + " (amplitude axis)</text>\n";
    return svg;
}

// One layer of edges, thinned evenly above kSideViewMaxLines, and its legend at height Y.
std::string layer_svg(const Frame &f, const std::vector<SideViewLine> &lines, const char *colour, const char *name,
                      double y)
{
    const std::size_t step = (lines.size() + kSideViewMaxLines - 1) / kSideViewMaxLines;
    std::string svg =
        "<g stroke=\"" + std::string(colour) + "\" stroke-width=\"1\" stroke-linecap=\"round\" fill=\"none\">\n";
    svg.reserve(svg.size() + 40 * std::min(lines.size(), kSideViewMaxLines) + 400);  // a line is about 30 bytes
    svg += "<path d=\"";
    for (std::size_t i = 0; i < lines.size(); i += std::max<std::size_t>(step, 1)) {
        const SideViewLine &l = lines[i];
        svg += 'M';
        append_num(svg, f.px(l.x0));
        svg += ' ';
        append_num(svg, f.py(l.y0));
        svg += 'L';
        append_num(svg, f.px(l.x1));
        svg += ' ';
        append_num(svg, f.py(l.y1));
    }
    svg += "\"/>\n</g>\n";
    std::string legend = name;
    if (step > 1) legend += " (1 edge in " + std::to_string(step) + " drawn)";
    const double x = Frame::left + f.w - 180;
    svg += "<path d=\"M" + num(x) + " " + num(y) + "h24\" stroke=\"" + colour + "\" stroke-width=\"3\"/>\n";
    svg += "<text x=\"" + num(x + 30) + "\" y=\"" + num(y + 4) + "\">" + escaped(legend) + "</text>\n";
    return svg;
}

}  // namespace

std::string side_view_svg(const SideView &view)
{
    const Frame frame(view);
    const std::string width = num(frame.width()), height = num(frame.height());
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" + height +
                      "\" viewBox=\"0 0 " + width + " " + height + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + num(Frame::left) + "\" y=\"22\" font-size=\"14\">" + escaped(view.title) + "</text>\n";
    svg += axes_svg(frame, view);
    svg += layer_svg(frame, view.before, "#a0a0a0", "before", 38);
    svg += layer_svg(frame, view.after, "#d1495b", "after", 54);
    svg += "</svg>\n";
    return svg;
}

}  // namespace standin
