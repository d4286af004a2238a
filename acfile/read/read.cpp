// Reading a model: the file's records in order, and those before the
// objects (the header and the materials).
#include "read/reader.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace ac {

namespace detail {

namespace {

// Line breaks (CRLF, LF or a lone CR) as '\n'.
std::string lf_only(std::string_view s)
{
    std::string r;
    r.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r')
            r += s[i];
        else if (i + 1 == s.size() || s[i + 1] != '\n')
            r += '\n';
    }
    return r;
}

bool ends_materials(const Tok &t)
{
    return t.eof() || t.is("OBJECT") || t.is("MATERIAL") || t.is("MAT");
}

}  // namespace

Reader::Reader(Model &m, const ReadOptions &opt)
    : m_(m), msg_(m.path, opt.warn, m.repaired), sc_(m.text, msg_),
      progress_("loading", m.path, m.text.size(), opt.progress && m.text.size() >= progress_threshold, 2,
                opt.on_progress),
      keep_read_copy_(opt.keep_read_copy)
{
}

void Reader::run()
{
    note_line_ends();
    sc_.seek(after_byte_order_mark(), 1);
    read_header();
    read_materials();
    read_objects();
    expect_end_of_file();
}

// Written back with the line ends of the first line.
void Reader::note_line_ends()
{
    const std::size_t nl = m_.text.find('\n');
    m_.crlf = nl != std::string::npos && nl > 0 && m_.text[nl - 1] == '\r';
}

void Reader::read_header()
{
    if (!cur().is("AC3Db") && !cur().is("AC3Dc")) msg_.fail(cur().line, "the header AC3Db or AC3Dc", cur());
    m_.version = cur().s[4];
    advance();
}

void Reader::read_materials()
{
    while (cur().is("MATERIAL") || cur().is("MAT")) {
        if (cur().is("MAT"))
            read_mat_block();
        else
            read_material();
    }
    if (!cur().is("OBJECT")) msg_.fail(cur().line, "OBJECT or MATERIAL", cur());
}

// MATERIAL "name" followed by its fields up to the next record, kept as
// written.
void Reader::read_material()
{
    const Tok start = cur();
    const std::size_t index = m_.materials.size();
    advance();
    if (ends_materials(cur())) msg_.fail(cur().line, "a material name after MATERIAL", cur());
    const char *last = cur().end();
    advance();
    std::vector<Tok> fields;
    while (!ends_materials(cur())) {
        fields.push_back(cur());
        last = cur().end();
        advance();
    }
    m_.materials.push_back(lf_only(std::string_view(start.s, static_cast<std::size_t>(last - start.s))));
    check_material_form(start, index, fields);
}

// AC3Dc block: MAT "name" ... ENDMAT, kept as written but each `data` with
// the count of its text.
void Reader::read_mat_block()
{
    const Tok start = cur();
    std::string block;
    const char *from = start.s;
    advance();
    while (!cur().is("ENDMAT")) {
        if (ends_materials(cur()))
            msg_.fail(cur().line, "ENDMAT to close the MAT block of line " + std::to_string(start.line), cur());
        if (!cur().is("data")) {
            advance();
            continue;
        }
        const std::size_t line = cur().line;
        block += lf_only(std::string_view(from, static_cast<std::size_t>(cur().s - from)));
        advance();
        const std::uint32_t n = read_count("data");
        const std::string text = read_data(cur(), n, line);
        block += "data " + std::to_string(text.size()) + "\n" + text + "\n";
        from = cur().s ? cur().s : sc_.end();
    }
    block += lf_only(std::string_view(from, static_cast<std::size_t>(cur().end() - from)));
    m_.materials.push_back(std::move(block));
    advance();
}

void Reader::expect_end_of_file()
{
    if (!cur().eof()) msg_.fail(cur().line, "OBJECT or the end of the file", cur());
    progress_.update(m_.text.size());
    m_.store->let_go(m_.text.size());
}

std::uint32_t Reader::read_count(std::string_view what)
{
    const Tok t = cur();
    std::uint64_t v = 0;
    if (t.eof() || t.str || !parse_whole(t.sv(), v) || v > std::numeric_limits<std::uint32_t>::max())
        msg_.fail(t.line, "a whole number after " + std::string(what), t);
    return static_cast<std::uint32_t>(v);
}

// A number; with `in_float`, one within single precision, as world
// coordinates are computed from it.
double Reader::read_double(const std::string &what, bool in_float)
{
    const Tok t = cur();
    double d = 0;
    if (t.eof() || t.str || !parse_double(t.sv(), d)) msg_.fail(t.line, "a number in " + what, t);
    if (in_float && !(std::fabs(d) <= std::numeric_limits<float>::max()))
        msg_.fail(t.line, "a number within single precision in " + what, t);
    return d;
}

// Redraws the progress display every 65536 vertices or corners.
void Reader::show_progress(const char *at)
{
    since_update_ = 0;
    const auto done = static_cast<std::size_t>(at - sc_.begin());
    progress_.update(done);
    // Only spans are kept of what lies behind; the saver reads it again.
    if (done > let_go_margin) m_.store->let_go(done - let_go_margin);
}

}  // namespace detail

namespace detail {

namespace {

class StringStore : public TextStore {
public:
    explicit StringStore(std::string text) : text_(std::move(text)) {}
    std::string_view text() const override { return text_; }

private:
    std::string text_;
};

}  // namespace

std::shared_ptr<const TextStore> string_store(std::string text)
{
    return std::make_shared<StringStore>(std::move(text));
}

Model read_store(std::shared_ptr<const TextStore> store, const std::string &name, const ReadOptions &opt)
{
    const std::size_t size = store->text().size();
    if (size > text_limit)
        throw Error(name + ": expected a file of at most " + std::to_string(text_limit) + " bytes, found " +
                    std::to_string(size));
    Model m;
    m.path = name;
    m.store = std::move(store);
    m.text = m.store->text();
    Reader(m, opt).run();
    return m;
}

}  // namespace detail

Model read_text(std::string text, const std::string &name, const ReadOptions &opt)
{
    return detail::read_store(detail::string_store(std::move(text)), name, opt);
}

}  // namespace ac
