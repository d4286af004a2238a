#include "side_view.h"

#include <algorithm>
#include <cstdint>
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

// A character as the picture shows it: its bytes, and its width in
// characters once escaped (\xNN for each byte XML cannot hold).
struct Shown {
    std::string_view bytes;
    std::size_t width;
};

std::vector<Shown> shown_characters(std::string_view s)
{
    std::vector<Shown> out;
    while (!s.empty()) {
        const auto c = static_cast<unsigned char>(s[0]);
        char32_t code = 0;
        std::size_t n = c < 0x80 ? 1 : utf8_length(s, code);
        const bool held = n > 1 ? code != 0xFFFE && code != 0xFFFF : n == 1 && c >= 0x20 && c != 0x7F;
        if (!held) n = 1;
        out.push_back({s.substr(0, n), held ? 1u : 4u});
        s.remove_prefix(n);
    }
    return out;
}

std::size_t shown_width(std::string_view s)
{
    std::size_t width = 0;
    for (const Shown &c : shown_characters(s)) width += c.width;
    return width;
}

// The characters of CHARS from FIRST on (or, BACKWARD, up to LAST) that fit
// in WIDTH, as text.
std::string characters_within(const std::vector<Shown> &chars, std::size_t first, std::size_t last, std::size_t width,
                              bool backward)
{
    std::size_t taken = 0, n = 0;
    while (n < last - first) {
        const Shown &c = chars[backward ? last - 1 - n : first + n];
        if (taken + c.width > width) break;
        taken += c.width;
        ++n;
    }
    std::string text;
    const std::size_t from = backward ? last - n : first;
    for (std::size_t i = from; i < from + n; ++i) text += chars[i].bytes;
    return text;
}

// PATH in WIDTH characters: its folders cut in their middle with an
// ellipsis, the file's name whole however wide it is.
std::string path_within(std::string_view path, std::size_t width)
{
    const std::vector<Shown> chars = shown_characters(path);
    std::size_t slash = chars.size(), total = 0, name = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        total += chars[i].width;
        if (chars[i].bytes == "/") slash = i, name = 0;
        name += chars[i].width;
    }
    if (total <= width || slash == chars.size()) return std::string(path);
    const std::size_t room = width > name + 1 ? width - name - 1 : 0;
    return characters_within(chars, 0, slash, room - room / 2, false) + "\u2026" +
           characters_within(chars, 0, slash, room / 2, true) + characters_within(chars, slash, chars.size(), SIZE_MAX, false);
}

// The title in WIDTH characters: the paths shortened first, giving the
// longer one the room the other leaves, then the end cut with an ellipsis.
std::string title_within(const SideView &view, std::size_t width)
{
    const std::string arrow = " \u2192 ", colon = ": ";
    if (view.in.empty() && view.out.empty()) return view.title;  // a picture of no files
    const std::string whole = view.in + arrow + view.out + colon + view.title;
    if (shown_width(whole) <= width) return whole;
    const std::size_t rest = shown_width(arrow + colon + view.title);
    const std::size_t paths = width > rest ? width - rest : 0;
    const std::size_t out = std::min(shown_width(view.out), paths - std::min(shown_width(view.in), paths / 2));
    const std::string shorter = path_within(view.in, paths - out) + arrow + path_within(view.out, out) + colon + view.title;
    if (shown_width(shorter) <= width) return shorter;
    const std::vector<Shown> chars = shown_characters(shorter);
    return characters_within(chars, 0, chars.size(), width > 0 ? width - 1 : 0, false) + "\u2026";
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

// How a layer's edges are drawn: their colour, and their width and dashes
// as attributes (the legend's sample twice as wide).
struct Stroke {
    const char *colour;
    double width;
    const char *dashes;  // "" for none
    std::string attributes(double times) const
    {
        std::string a = "stroke=\"" + std::string(colour) + "\" stroke-width=\"" + num(width * times) + "\"";
        if (*dashes != '\0') a += " stroke-dasharray=\"" + std::string(dashes) + "\"";
        return a;
    }
};

// One layer of edges, thinned evenly above kSideViewMaxLines, and its legend at height Y.
std::string layer_svg(const Frame &f, const std::vector<SideViewLine> &lines, const Stroke &stroke, const char *name,
                      double y)
{
    const std::size_t step = (lines.size() + kSideViewMaxLines - 1) / kSideViewMaxLines;
    std::string svg = "<g " + stroke.attributes(1) + " stroke-linecap=\"round\" fill=\"none\">\n";
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
    svg += "<path d=\"M" + num(x) + " " + num(y) + "h24\" " + stroke.attributes(2) + "/>\n";
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
    // Characters of the title's 14-pixel sans-serif are about 7.5 pixels wide.
    const auto title_width = static_cast<std::size_t>((frame.width() - Frame::left - 10) / 7.5);
    svg += "<text x=\"" + num(Frame::left) + "\" y=\"22\" font-size=\"14\">" +
           escaped(title_within(view, title_width)) + "</text>\n";
    svg += axes_svg(frame, view);
    // Before over after, thin and dashed: where the two differ both show,
    // and where they agree the after shows through the dashes.
    svg += layer_svg(frame, view.after, Stroke{"#d1495b", 1.5, ""}, "after", 54);
    svg += layer_svg(frame, view.before, Stroke{"#707070", 0.75, "4 3"}, "before", 38);
    svg += "</svg>\n";
    return svg;
}

}  // namespace standin
