// What the reading and the replacing of files share: one Error for a failed
// system call, and a descriptor closed when it goes.
#ifndef RILO_ACFILE_SYSCALLS_H
#define RILO_ACFILE_SYSCALLS_H

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "acfile.h"

namespace ac::detail {

// Every failure of a system call becomes one Error naming the file, what was
// being done, the call and the system's reason:
//   "m.ac: cannot load: open: No such file or directory"
//   "m.ac: cannot save: write: No space left on device"
[[noreturn]] inline void fail_call(const std::string &path, const char *doing, const std::string &call, int err)
{
    throw Error(path + ": cannot " + doing + ": " + call + ": " + std::strerror(err));
}

// A file descriptor, closed when it goes.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Opens a file to read a model from it without waiting on it: a FIFO with
// no writer would hold open() until another program came, and a terminal
// must not become the process's own. Reads wait again (blocking_reads) only
// once fstat has shown a regular file. -1 and errno as open() sets them.
inline int open_to_read(const std::string &path)
{
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}
inline bool blocking_reads(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Signals held back in this thread while it lives (a thread started
// meanwhile inherits the mask), all but `except` if given.
class HoldSignals {
public:
    explicit HoldSignals(int except = 0)
    {
        sigset_t held;
        sigfillset(&held);
        if (except != 0) sigdelset(&held, except);
        ::pthread_sigmask(SIG_BLOCK, &held, &old_);
    }
    ~HoldSignals() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    HoldSignals(const HoldSignals &) = delete;
    HoldSignals &operator=(const HoldSignals &) = delete;

private:
    sigset_t old_;
};

// The stamp of a file as fstat found it, with the digest of its bytes if given.
FileStamp stamp_of(const struct stat &st, std::optional<std::uint64_t> digest);

// Whether two readings of a file show the same size, modification time and
// change time: as far as the file system's clock tells, nothing wrote it
// in between.
bool same_size_and_times(const FileStamp &a, const FileStamp &b);
inline bool same_size_and_times(const struct stat &a, const struct stat &b)
{
    return same_size_and_times(stamp_of(a, std::nullopt), stamp_of(b, std::nullopt));
}

// Removes the temporary file of a save in progress, if any; async-signal-safe,
// for a handler of a signal that is about to end the process.
void remove_live_temp();

}  // namespace ac::detail

#endif
