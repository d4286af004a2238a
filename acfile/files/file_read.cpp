// Reading a model file: mapped and checked against the file, or a stream
// copied up to a limit.
#include "files/digest.h"
#include "files/syscalls.h"
#include "read/reader.h"
#include "test_stop.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

namespace ac {

namespace {

using detail::fail_call;
using detail::Fd;

// A file cut short under its mapping raises SIGBUS where its pages are gone.
// The handler puts zero pages in their place and marks the mapping cut: the
// reader or writer ends its pass over zeros, and the check that follows
// refuses the text, naming the file. Slots are claimed and freed outside the
// handler; it only reads them (lock-free atomics are safe there).
struct GuardedMapping {
    std::atomic<std::uintptr_t> start{0};  // 0: a free slot
    std::atomic<std::size_t> bytes{0};
    std::atomic<bool> cut{false};
};
GuardedMapping g_guarded[32];
struct sigaction g_sigbus_before {};
std::size_t g_page = 0;

// Whether a SIGBUS was a fault in a guarded mapping, now mended with zero
// pages. Async-signal-safe (mmap is a plain system call on Linux), so that
// any other handler of SIGBUS may ask it first.
bool mend_cut_mapping(const siginfo_t *info)
{
    if (info->si_code <= 0) return false;  // sent by kill or raise, not a fault
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedMapping &g : g_guarded) {
        const std::uintptr_t start = g.start.load();
        const std::size_t bytes = g.bytes.load();
        if (start == 0 || at - start >= bytes) continue;
        const std::uintptr_t page = at & ~(g_page - 1);
        if (::mmap(reinterpret_cast<void *>(page), start + bytes - page, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            return false;
        g.cut.store(true);
        return true;
    }
    return false;
}

extern "C" void zero_pages_for_cut_file(int sig, siginfo_t *info, void *)
{
    if (mend_cut_mapping(info)) return;
    detail::remove_live_temp();  // the process is about to end
    // Not a mapping of ours: the signal is handled as before. A fault comes
    // back when the instruction runs again; a sent signal is sent again.
    ::sigaction(SIGBUS, &g_sigbus_before, nullptr);
    if (info->si_code <= 0) ::raise(sig);
}

GuardedMapping &guard_mapping(const std::string &path, const void *start, std::size_t bytes)
{
    if (g_page == 0) {
        g_page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction sa {};
        sa.sa_sigaction = zero_pages_for_cut_file;
        sa.sa_flags = SA_SIGINFO;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGBUS, &sa, &g_sigbus_before);
    }
    for (GuardedMapping &g : g_guarded) {
        std::uintptr_t free = 0;
        if (g.start.load() != 0) continue;
        g.bytes.store(bytes);
        g.cut.store(false);
        if (g.start.compare_exchange_strong(free, reinterpret_cast<std::uintptr_t>(start))) return g;
    }
    throw Error(path + ": cannot load: " + std::to_string(std::size(g_guarded)) + " model files are open already");
}

using detail::Digest;

// The digest of a mapped text, taken behind a pass over it on a thread of
// its own, so the pass waits for neither the digest nor the dropping of
// pages: the pass tells how far it is done with the text (reach), and the
// thread digests up to there, then lets those pages go (they stay in the
// file's cache and come back when read). A part goes into the digest only
// after the pass has taken it, so a change made while the pass runs is seen.
// The thread takes no signals but a fault in the mapping (a file cut short),
// which the guard mends wherever it happens.
class DigestBehind {
public:
    DigestBehind(const char *text, std::size_t size) : text_(text), size_(size)
    {
        const detail::HoldSignals all_but(SIGBUS);
        thread_ = std::thread([this] { run(); });
    }
    ~DigestBehind()
    {
        tell([this] { stop_ = true; });
        thread_.join();
    }
    DigestBehind(const DigestBehind &) = delete;
    DigestBehind &operator=(const DigestBehind &) = delete;

    // The pass is done with the text below `upto`, a multiple of the page.
    void reach(std::size_t upto)
    {
        tell([&] { target_ = std::max(target_, std::min(upto, size_)); });
    }
    // The digest of the whole text, once the thread has taken the rest.
    std::uint64_t finish()
    {
        tell([this] { finishing_ = true; });
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
        return digest_;
    }

private:
    template <class F>
    void tell(F change)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            change();
        }
        changed_.notify_all();
    }

    // Each round digests what the pass has reached since, and ends the
    // thread when told to stop or once the whole text is in the digest.
    void run()
    {
        Digest running;
        std::size_t digested = 0, dropped = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stop_ || finishing_ || target_ > digested; });
            if (stop_) return;
            const bool last = finishing_;
            const std::size_t upto = last ? size_ : target_;
            lock.unlock();
            digested += running.add(text_ + digested, upto - digested);
            if (!last && upto > dropped) {
                // Read-only and private: dropping the pages loses nothing.
                ::madvise(const_cast<char *>(text_) + dropped, upto - dropped, MADV_DONTNEED);
                dropped = upto;
            }
            lock.lock();
            if (!last) continue;
            digest_ = running.finish(text_ + digested, size_ - digested, size_);
            done_ = true;
            changed_.notify_all();
            return;
        }
    }

    const char *const text_;
    const std::size_t size_;
    std::mutex mutex_;  // guards what follows
    std::condition_variable changed_;
    std::size_t target_ = 0;  // what the pass is done with
    bool finishing_ = false, stop_ = false, done_ = false;
    std::uint64_t digest_ = 0;
    std::thread thread_;
};

// A regular file mapped read-only. The file stays open, and the model's text
// is checked against it after reading and around each save: its size and
// times as when it was opened, no page cut off, and after a save the digest
// of the whole text as when it was read, taken behind the pass (DigestBehind).
// The change time cannot be set back, and after a stat a change gets a later
// one even within the clock's tick on file systems with fine-grained stamps
// (ext4, XFS, Btrfs, tmpfs on Linux 6.13 and later).
class MappedFile : public TextStore {
public:
    MappedFile(const std::string &path, int fd, const struct stat &st) : path_(path), fd_(fd), st_(st)
    {
        size_ = static_cast<std::size_t>(st.st_size);
        void *p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            const int err = errno;
            ::close(fd_);
            throw Error(path + ": cannot load: a file of " + std::to_string(size_) +
                        " bytes cannot be mapped: " + std::strerror(err));
        }
        addr_ = static_cast<const char *>(p);
        try {
            guard_ = &guard_mapping(path, addr_, size_);
        } catch (const Error &) {
            ::munmap(p, size_);
            ::close(fd_);
            throw;
        }
    }
    ~MappedFile() override
    {
        behind_.reset();
        guard_->start.store(0);
        ::munmap(const_cast<char *>(addr_), size_);
        ::close(fd_);
    }
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    std::string_view text() const override { return {addr_, size_}; }
    FileStamp stamp() const override { return detail::stamp_of(st_, digest_); }
    void let_go(std::size_t upto) const override
    {
        // A small text is digested at the check, sooner than a thread starts.
        if (size_ < (4u << 20)) return;
        if (!behind_) behind_ = std::make_unique<DigestBehind>(addr_, size_);
        behind_->reach(upto / g_page * g_page);
    }
    void check(TextCheck when, std::string_view saving) const override
    {
        bool same_text = true;
        if (when == TextCheck::before_save) {
            behind_.reset();  // a new pass begins
        } else {
            const std::uint64_t digest = behind_ ? behind_->finish() : detail::digest_of(addr_, size_);
            behind_.reset();
            if (when == TextCheck::loaded) digest_ = digest;
            same_text = digest == digest_;
        }
        struct stat now {};
        if (::fstat(fd_, &now) != 0) fail_call(path_, when == TextCheck::loaded ? "load" : "save", "fstat", errno);
        const bool cut = guard_->cut.load() || now.st_size < st_.st_size;
        if (!cut && same_text && detail::same_size_and_times(now, st_)) return;
        // Its change time moves when its last name goes too (a rename over
        // it, as editors save), so that is told apart.
        const std::string what = cut ? "cut short" : now.st_nlink == 0 ? "replaced or removed" : "changed in place";
        if (when == TextCheck::loaded)
            throw Error(path_ + ": cannot load: the file was " + what + " while it was read; nothing loaded");
        if (when == TextCheck::before_save)
            throw Error(path_ + ": cannot save: the file was " + what +
                        " since it was loaded, and the model reads its text from it; load it again");
        const std::string copied =
            path_ + ", which the model reads its text from, was " + what + " while it was copied; load it again";
        throw Error(saving.empty() ? copied : std::string(saving) + ": cannot save: " + copied);
    }

private:
    std::string path_;
    int fd_;
    struct stat st_;
    const char *addr_ = nullptr;
    std::size_t size_ = 0;
    GuardedMapping *guard_ = nullptr;
    mutable std::unique_ptr<DigestBehind> behind_;  // of this pass over the text, once it lets go of some
    mutable std::uint64_t digest_ = 0;              // of the whole text, as read
};

// A file of no size whose text is made as it is read (/proc), copied up to
// LIMIT bytes (stream_limit); a file of known size copied whole.
std::string read_stream(int fd, const std::string &path, std::uint64_t limit = stream_limit, std::size_t expect = 0)
{
    std::string text;
    if (expect != 0) text.resize(expect + 1);  // one more, to see the end at once
    std::size_t got = 0;
    for (;;) {
        if (got == text.size()) {
            if (got > limit)
                throw Error(path + ": cannot load: more than " + std::to_string(limit >> 20) +
                            " MiB came from it; stopped reading");
            text.resize(std::min<std::size_t>(std::max<std::size_t>(got * 2, 1u << 16), limit + 1));
        }
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail_call(path, "load", "read", errno);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

// A regular file's text copied into memory, with the file's stamp: the
// model no longer depends on the file.
class CopiedFile : public TextStore {
public:
    CopiedFile(std::string text, const FileStamp &stamp) : text_(std::move(text)), stamp_(stamp) {}
    std::string_view text() const override { return text_; }
    FileStamp stamp() const override { return stamp_; }

private:
    std::string text_;
    FileStamp stamp_;
};

// The file must be the same before and after the copy: a copy of a file
// being written would be a model of two versions.
std::shared_ptr<const TextStore> copy_file(const std::string &path, int fd, const struct stat &st)
{
    std::string text = read_stream(fd, path, text_limit, static_cast<std::size_t>(st.st_size));
    detail::stop_for_tests("load");
    struct stat now {};
    if (::fstat(fd, &now) != 0) fail_call(path, "load", "fstat", errno);
    if (!detail::same_size_and_times(st, now) || text.size() != static_cast<std::uint64_t>(now.st_size))
        throw Error(path + ": cannot load: the file was changed while it was read; nothing loaded");
    return std::make_shared<CopiedFile>(std::move(text),
                                        detail::stamp_of(now, detail::digest_of(text.data(), text.size())));
}

// Only a regular file holds a model that stays: what a FIFO or a device
// gives can never be checked against the file again, nor may it ever end.
[[noreturn]] void refuse_not_regular(const std::string &path, mode_t mode)
{
    const char *kind = S_ISFIFO(mode)                   ? " (a FIFO)"
                       : S_ISDIR(mode)                  ? " (a folder)"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? " (a device)"
                       : S_ISSOCK(mode)                 ? " (a socket)"
                                                        : "";
    throw Error(path + ": cannot load: not a regular file" + kind);
}

std::shared_ptr<const TextStore> read_source(const std::string &path, bool copy)
{
    Fd fd(detail::open_to_read(path));
    struct stat st {};
    if (fd.get() < 0) {
        // What the path is tells more than why it would not open (a
        // socket never opens; a device may lack its hardware).
        const int err = errno;
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) refuse_not_regular(path, st.st_mode);
        fail_call(path, "load", "open", err);
    }
    if (::fstat(fd.get(), &st) != 0) fail_call(path, "load", "fstat", errno);
    if (!S_ISREG(st.st_mode)) refuse_not_regular(path, st.st_mode);
    if (!detail::blocking_reads(fd.get())) fail_call(path, "load", "fcntl", errno);
    // A file of no size may still have text: the files of /proc and /sys
    // make theirs as they are read.
    if (st.st_size == 0) return detail::string_store(read_stream(fd.get(), path));
    if (static_cast<std::uint64_t>(st.st_size) > text_limit)
        throw Error(path + ": cannot load: the file has " + std::to_string(st.st_size) + " bytes; files of more than " +
                    std::to_string(text_limit) + " bytes are not read");
    if (copy) return copy_file(path, fd.get(), st);
    auto mapped = std::make_shared<MappedFile>(path, fd.release(), st);
    detail::stop_for_tests("load");
    return mapped;
}

}  // namespace

// A file that changed while it was read explains a refusal better than what
// the reader found in it.
Model read_file(const std::string &path, const ReadOptions &opt)
{
    const std::shared_ptr<const TextStore> store = read_source(path, opt.copy_text);
    try {
        Model m = detail::read_store(store, path, opt);
        store->check(TextCheck::loaded);
        return m;
    } catch (const Error &) {
        store->check(TextCheck::loaded);
        throw;
    }
}

}  // namespace ac
