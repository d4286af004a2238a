// A file's stamp, taken when a model is read from it or written to it, and
// what another program did to the file since.
#include "files/digest.h"
#include "files/syscalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <vector>

namespace ac {

namespace detail {

FileStamp stamp_of(const struct stat &st, std::optional<std::uint64_t> digest)
{
    FileStamp s;
    s.known = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.modified_s = st.st_mtim.tv_sec;
    s.modified_ns = st.st_mtim.tv_nsec;
    s.changed_s = st.st_ctim.tv_sec;
    s.changed_ns = st.st_ctim.tv_nsec;
    s.digested = digest.has_value();
    s.digest = digest.value_or(0);
    return s;
}

bool same_size_and_times(const FileStamp &a, const FileStamp &b)
{
    return a.size == b.size && a.modified_s == b.modified_s && a.modified_ns == b.modified_ns &&
           a.changed_s == b.changed_s && a.changed_ns == b.changed_ns;
}

}  // namespace detail

namespace {

// The digest of the first SIZE bytes of an open file, read rather than
// mapped: a file cut short meanwhile ends the reading early (and so gives
// another digest) instead of a fault. False when it cannot be read.
bool digest_file(int fd, std::size_t size, std::uint64_t &digest)
{
    detail::StreamDigest d;
    std::vector<char> buf(std::min<std::size_t>(size, 1u << 20));
    // Each round reads at least one byte, or ends: within SIZE bytes.
    for (std::size_t at = 0; at < size;) {
        const ssize_t n = ::pread(fd, buf.data(), std::min(buf.size(), size - at), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        d.add(buf.data(), static_cast<std::size_t>(n));
        at += static_cast<std::size_t>(n);
    }
    digest = d.finish();
    return true;
}

std::string clock_time(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[16] = "?";
    if (::localtime_r(&t, &local) != nullptr) std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// The size and the time of a change, as the user may check them in a listing.
std::string what_it_is_now(const FileStamp &then, const struct stat &now)
{
    std::string out = " (modified at " + clock_time(now.st_mtim.tv_sec);
    if (static_cast<std::uint64_t>(now.st_size) != then.size)
        out += ", " + std::to_string(now.st_size) + " bytes instead of " + std::to_string(then.size);
    return out + ")";
}

}  // namespace

// A file of another identity was written anew and renamed over the name,
// as editors save; one of the same identity whose bytes differ was
// rewritten in place. Times alone do not count: a file touched, or copied
// onto itself, still holds what the window would write over.
std::string file_changes(const std::string &path, const FileStamp &stamp)
{
    if (!stamp.known) return "";
    detail::Fd fd(detail::open_to_read(path));
    struct stat now {};
    if (fd.get() < 0 || ::fstat(fd.get(), &now) != 0 || (S_ISREG(now.st_mode) && !detail::blocking_reads(fd.get()))) {
        if (errno == ENOENT) return "removed";
        return std::string("made unreadable: ") + std::strerror(errno);
    }
    if (now.st_dev != stamp.device || now.st_ino != stamp.inode)
        return "replaced by another file" + what_it_is_now(stamp, now);
    bool same = static_cast<std::uint64_t>(now.st_size) == stamp.size && S_ISREG(now.st_mode);
    if (!stamp.digested) {
        same = same && detail::same_size_and_times(detail::stamp_of(now, std::nullopt), stamp);
    } else {
        std::uint64_t digest = 0;
        same = same && digest_file(fd.get(), static_cast<std::size_t>(now.st_size), digest) && digest == stamp.digest;
    }
    return same ? "" : "changed in place" + what_it_is_now(stamp, now);
}

}  // namespace ac
