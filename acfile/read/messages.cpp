// What the reader and writer tell the user: the one-line errors and
// warnings of the reader, and the progress display of long loads and saves.
#include "read/reader.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace ac {

std::string hex_byte(unsigned char byte)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", byte);
    return hex;
}

std::string one_line(std::string_view text)
{
    std::string r;
    r.reserve(text.size());
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            r += hex_byte(u);
        else
            r += c;
    }
    return r;
}

std::string describe(const Object &o)
{
    std::string n = o.name();
    if (!n.empty()) return "object " + detail::quoted(n);
    return "the " + o.type + " object of line " + std::to_string(o.line);
}

}  // namespace ac

namespace ac::detail {

// Line breaks and tabs as spaces, other control bytes as \xNN, so that a
// NUL or an escape sequence in a file cannot cut or garble the message.
std::string quoted(std::string_view s)
{
    const bool cut = s.size() > 40;
    std::string spaced(cut ? s.substr(0, 37) : s);
    std::replace_if(spaced.begin(), spaced.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    return "'" + one_line(spaced) + (cut ? "...'" : "'");
}

std::string describe(const Tok &t)
{
    if (t.eof()) return "end of file";
    return quoted(t.sv());
}

void Messages::fail(std::size_t line, const std::string &expected, const Tok &found) const
{
    fail(line, expected, describe(found));
}

void Messages::fail(std::size_t line, const std::string &expected, const std::string &found) const
{
    fail(line, expected + ", found " + found);
}

void Messages::fail(std::size_t line, const std::string &expected) const
{
    throw Error(path_ + ":" + std::to_string(line) + ": expected " + expected);
}

void Messages::warn(std::size_t line, const std::string &msg) const
{
    repaired_ = true;
    note(line, msg);
}

void Messages::note(std::size_t line, const std::string &msg) const
{
    std::string s = path_ + ":" + std::to_string(line) + ": warning: " + msg;
    if (sink_) {
        sink_(s);
    } else {
        s += '\n';
        std::fputs(s.c_str(), stderr);
    }
}

Progress::Progress(const char *verb, std::string_view name, std::uint64_t total, bool enabled, int fd,
                   ProgressSink report)
    : label_(std::string(verb) + " " + std::string(name)), total_(total ? total : 1), report_(std::move(report)),
      fd_(fd), active_(enabled && isatty(fd) == 1)
{
    // Told at once: a caller may show the work begun, or stop it before any.
    if (report_) report_(0, total_);
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
    if (report_) report_(std::min(done, total_), total_);
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

}  // namespace ac::detail
