#include "preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace {

std::string escaped(const std::string &s)
{
    std::string r;
    for (char c : s) {
        switch (c) {
        case '&':
            r += "&amp;";
            break;
        case '<':
            r += "&lt;";
            break;
        case '>':
            r += "&gt;";
            break;
        case '"':
            r += "&quot;";
            break;
        default:
            r += c;
        }
    }
    return r;
}

std::string num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
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

} // namespace

std::string preview_svg(const Preview &preview)
{
    Range across, up;
    for (const auto *layer : {&preview.before, &preview.after})
        for (const PreviewLine &l : *layer) {
            across.add(l.x0);
            across.add(l.x1);
            up.add(l.y0);
            up.add(l.y1);
        }
    if (across.empty()) across = {0, 1}, up = {0, 1};
    // Both axes at one scale, as a side view is; the shorter extent gets room.
    const double max_w = 900, max_h = 560, min_w = 240, min_h = 160;
    double dx = std::max(across.hi - across.lo, 1e-9), dy = std::max(up.hi - up.lo, 1e-9);
    const double scale = std::min(max_w / dx, max_h / dy);
    if (dx * scale < min_w) {
        const double grow = (min_w / scale - dx) / 2;
        across.lo -= grow, across.hi += grow, dx = across.hi - across.lo;
    }
    if (dy * scale < min_h) {
        const double grow = (min_h / scale - dy) / 2;
        up.lo -= grow, up.hi += grow, dy = up.hi - up.lo;
    }
    const double left = 70, top = 72, right = 30, bottom = 56;
    const double w = dx * scale, h = dy * scale;
    const double width = left + w + right, height = top + h + bottom;
    auto px = [&](double v) { return left + (v - across.lo) * scale; };
    auto py = [&](double v) { return top + (up.hi - v) * scale; };

    std::string svg;
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" + num(height) +
           "\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + num(left) + "\" y=\"22\" font-size=\"14\">" + escaped(preview.title) + "</text>\n";

    // Axes along the bottom and the left edge, with round ticks.
    svg += "<g stroke=\"#444\" fill=\"none\">\n";
    svg += "<path d=\"M" + num(left) + " " + num(top) + "V" + num(top + h) + "H" + num(left + w) + "\"/>\n";
    std::string labels;
    const double sx = tick_step(dx), sy = tick_step(dy);
    for (double t = std::ceil(across.lo / sx) * sx; t <= across.hi + sx * 1e-9; t += sx) {
        svg += "<path d=\"M" + num(px(t)) + " " + num(top + h) + "v5\"/>\n";
        labels += "<text x=\"" + num(px(t)) + "\" y=\"" + num(top + h + 18) + "\" text-anchor=\"middle\">" + label(t) +
                  "</text>\n";
    }
    for (double t = std::ceil(up.lo / sy) * sy; t <= up.hi + sy * 1e-9; t += sy) {
        svg += "<path d=\"M" + num(left) + " " + num(py(t)) + "h-5\"/>\n";
        labels += "<text x=\"" + num(left - 8) + "\" y=\"" + num(py(t) + 4) + "\" text-anchor=\"end\">" + label(t) +
                  "</text>\n";
    }
    svg += "</g>\n" + labels;
    svg += "<text x=\"" + num(left + w) + "\" y=\"" + num(top + h + 40) +
           "\" text-anchor=\"end\" font-weight=\"bold\">" + escaped(preview.across) +
           " (frequency axis) &#8594;</text>\n";
    svg += "<text x=\"" + num(left - 8) + "\" y=\"" + num(top - 12) + "\" font-weight=\"bold\">&#8593; " +
           escaped(preview.up) + " (amplitude axis)</text>\n";

    auto layer = [&](const std::vector<PreviewLine> &lines, const char *colour, const char *name, double y) {
        const std::size_t step = (lines.size() + kPreviewMaxLines - 1) / kPreviewMaxLines;
        svg += "<g stroke=\"" + std::string(colour) + "\" stroke-width=\"1\" stroke-linecap=\"round\" fill=\"none\">\n";
        svg += "<path d=\"";
        for (std::size_t i = 0; i < lines.size(); i += std::max<std::size_t>(step, 1)) {
            const PreviewLine &l = lines[i];
            svg += "M" + num(px(l.x0)) + " " + num(py(l.y0)) + "L" + num(px(l.x1)) + " " + num(py(l.y1));
        }
        svg += "\"/>\n</g>\n";
        std::string legend = name;
        if (step > 1) legend += " (1 edge in " + std::to_string(step) + " drawn)";
        const double x = left + w - 180;
        svg += "<path d=\"M" + num(x) + " " + num(y) + "h24\" stroke=\"" + colour + "\" stroke-width=\"3\"/>\n";
        svg += "<text x=\"" + num(x + 30) + "\" y=\"" + num(y + 4) + "\">" + escaped(legend) + "</text>\n";
    };
    layer(preview.before, "#a0a0a0", "before", 38);
    layer(preview.after, "#d1495b", "after", 54);
    svg += "</svg>\n";
    return svg;
}

