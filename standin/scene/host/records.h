// What the host keeps of what plug-ins said and asked for: their messages,
// debug output and Tcl requests, the breaches of the host's rules, the
// refreshes they asked for and the bounding box.
#ifndef RILO_STANDIN_RECORDS_H
#define RILO_STANDIN_RECORDS_H

#include <cstddef>
#include <string>
#include <vector>

#include "ac3d.h"
#include "scrollback.h"

namespace standin {

class Scene;

// The refreshes plug-ins asked for.
struct Counters {
    long bounding_box = 0;
    long redraw = 0;
    long status = 0;
    long remake_subdivisions = 0;
};

struct Box {
    Vertex min{0, 0, 0};
    Vertex max{0, 0, 0};
};

enum class Record { Messages, Debug, TclLog, Misuse };

// What the host has recorded so far, so that a live preview leaves no
// record: of the records, how many entries were ever written
// (Scrollback::written).
struct RecordMarks {
    size_t messages = 0;
    size_t debug = 0;
    size_t tcl_log = 0;
    Counters counts;
    Box box;  // settled
};

// The records keep only the newest entries, as a console keeps them
// (scrollback.h): a count of what was shown is messages().written(), not
// size(), and a mark taken from the counts names its place for good.
//
// The box is the one the last find_bounding_box asked for, found when first
// read (settle_box) from the scene's positions then.  Most commands ask for
// it and nobody reads it; so whatever moves a vertex but a plug-in's command
// settles the box first, and the box stays the one the plug-in asked for.
class Records {
public:
    explicit Records(const Scene &scene) : scene_(scene) {}
    Records(const Records &) = delete;
    Records &operator=(const Records &) = delete;

    const Scrollback &messages() const { return messages_; }
    std::string debug() const { return debug_.text(); }
    const Scrollback &tcl_log() const { return tcl_log_; }              // the texts handed to tcl_command
    const std::vector<std::string> &misuse() const { return misuse_; }  // breaches of the host's rules
    const Counters &counts() const { return counts_; }
    Counters &counts() { return counts_; }
    const Box &box() const
    {
        settle_box();
        return box_;
    }
    void settle_box() const;

    void add_message(std::string text) { messages_.add(std::move(text)); }
    void add_debug(std::string text) { debug_.add(std::move(text)); }  // an entry per write
    void add_tcl(std::string text) { tcl_log_.add(std::move(text)); }
    void add_misuse(std::string what) { misuse_.push_back(std::move(what)); }
    void find_bounding_box()
    {
        ++counts_.bounding_box;
        box_pending_ = true;
    }

    void clear(Record record);
    // Forgets every record and the counters.
    void clear_all();
    RecordMarks marks() const;
    // Forgets what was recorded since MARKS, but for misuse.
    void forget_since(const RecordMarks &marks);

private:
    const Scene &scene_;
    Scrollback messages_;
    Scrollback debug_;
    Scrollback tcl_log_;
    std::vector<std::string> misuse_;
    Counters counts_;
    mutable Box box_;
    mutable bool box_pending_ = false;  // asked for and not found yet
};

}  // namespace standin

#endif
