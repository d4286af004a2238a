// A console's scroll-back for what the host records of a plug-in: a long
// session (a dialog's live preview runs its command at each edit) must not
// grow without end, so only the newest entries are kept.
#ifndef RILO_STANDIN_SCROLLBACK_H
#define RILO_STANDIN_SCROLLBACK_H

#include <algorithm>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace standin {

// The newest entries, the oldest dropped once there are more than a number
// of them or of bytes; the newest is kept whatever its size, so that the
// last message stays readable. Entries are numbered by a count of every
// one ever added (written): a mark taken from it still names its place once
// the entries before it are dropped.
class Scrollback {
public:
    using value_type = std::string;
    using const_iterator = std::deque<std::string>::const_iterator;
    using iterator = const_iterator;

    explicit Scrollback(std::size_t max_bytes = 64u << 10, std::size_t max_entries = 4096)
        : max_bytes_(max_bytes), max_entries_(max_entries)
    {
    }

    void add(std::string text)
    {
        bytes_ += text.size();
        kept_.push_back(std::move(text));
        ++written_;
        while (kept_.size() > 1 && (kept_.size() > max_entries_ || bytes_ > max_bytes_)) {
            bytes_ -= kept_.front().size();
            kept_.pop_front();
        }
    }
    // Forgets every entry added since written() was MARK: those still kept
    // go, and the count goes back to MARK.
    void forget_since(std::size_t mark)
    {
        if (mark >= written_) return;
        for (std::size_t n = std::min(written_ - mark, kept_.size()); n > 0; --n) {
            bytes_ -= kept_.back().size();
            kept_.pop_back();
        }
        written_ = mark;
    }
    // Drops what is kept; the count goes on, so marks stay good.
    void clear()
    {
        kept_.clear();
        bytes_ = 0;
    }

    std::size_t written() const { return written_; }
    std::size_t size() const { return kept_.size(); }
    bool empty() const { return kept_.empty(); }
    const_iterator begin() const { return kept_.begin(); }
    const_iterator end() const { return kept_.end(); }
    const std::string &operator[](std::size_t i) const { return kept_[i]; }
    const std::string &back() const { return kept_.back(); }
    // The entries kept, one after the other: the text of an output stream.
    std::string text() const
    {
        std::string all;
        all.reserve(bytes_);
        for (const std::string &entry : kept_) all += entry;
        return all;
    }
    bool operator==(const std::vector<std::string> &items) const
    {
        return std::equal(kept_.begin(), kept_.end(), items.begin(), items.end());
    }

private:
    std::size_t max_bytes_;
    std::size_t max_entries_;
    std::deque<std::string> kept_;
    std::size_t bytes_ = 0;    // of the entries kept
    std::size_t written_ = 0;  // entries ever added, less those forgotten
};

}  // namespace standin

#endif
