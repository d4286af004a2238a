#include "records.h"

#include <algorithm>

#include "scene.h"

namespace standin {

void Records::settle_box() const
{
    if (!box_pending_) return;
    box_pending_ = false;
    bool first = true;
    Box box;
    scene_.for_each_object([&](Object &o) {
        o.vertices.for_each_span([&](const HostVertex *records, size_t n) {
            if (first) {
                box.min = box.max = records[0].v;
                first = false;
            }
            Box b = box;
            for (const HostVertex *r = records, *end = records + n; r != end; ++r) {
                const Vertex &v = r->v;
                b.min = Vertex{std::min(b.min.x, v.x), std::min(b.min.y, v.y), std::min(b.min.z, v.z)};
                b.max = Vertex{std::max(b.max.x, v.x), std::max(b.max.y, v.y), std::max(b.max.z, v.z)};
            }
            box = b;
        });
    });
    box_ = box;
}

void Records::clear(Record record)
{
    switch (record) {
    case Record::Messages:
        messages_.clear();
        break;
    case Record::Debug:
        debug_.clear();
        break;
    case Record::TclLog:
        tcl_log_.clear();
        break;
    case Record::Misuse:
        misuse_.clear();
        break;
    }
}

void Records::clear_all()
{
    for (Record r : {Record::Messages, Record::Debug, Record::TclLog, Record::Misuse}) clear(r);
    counts_ = Counters{};
}

RecordMarks Records::marks() const
{
    settle_box();
    return RecordMarks{.messages = messages_.written(),
                       .debug = debug_.written(),
                       .tcl_log = tcl_log_.written(),
                       .counts = counts_,
                       .box = box_};
}

void Records::forget_since(const RecordMarks &marks)
{
    messages_.forget_since(marks.messages);
    debug_.forget_since(marks.debug);
    tcl_log_.forget_since(marks.tcl_log);
    counts_ = marks.counts;
    box_ = marks.box;
    box_pending_ = false;
}

}  // namespace standin
