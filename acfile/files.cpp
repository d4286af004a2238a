// Where the library meets the file system: reading a file whole, and
// replacing a file so that a failed write leaves the old one as it was.
//
// Every failure of a system call becomes one Error naming the file, what was
// being done, the call and the system's reason:
//   "m.ac: cannot load: open: No such file or directory"
//   "m.ac: cannot save: write: No space left on device"
#include "acfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace ac {

namespace {

[[noreturn]] void fail_call(const std::string &path, const char *doing, const std::string &call, int err)
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

private:
    int fd_;
};

// ---------------------------------------------------------------- reading

int open_for_reading(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail_call(path, "load", "open", errno);
    return fd;
}

// The size the file says it has; reading goes on past it (a pipe, a growing
// file) and stops short of it (a shrinking one).
std::size_t expected_size(int fd, const std::string &path)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) fail_call(path, "load", "fstat", errno);
    return st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
}

std::string read_to_end(int fd, std::size_t size, const std::string &path)
{
    std::string text(size, '\0');
    std::size_t got = 0;
    for (;;) {
        char probe[4096];
        const bool full = got == text.size();
        char *dst = full ? probe : text.data() + got;
        const std::size_t room = full ? sizeof probe : text.size() - got;
        const ssize_t n = ::read(fd, dst, room);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail_call(path, "load", "read", errno);
        }
        if (n == 0) break;
        if (full) { // longer than it said
            text.append(probe, static_cast<std::size_t>(n));
            text.resize(text.capacity());
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

std::string read_whole_file(const std::string &path)
{
    Fd fd(open_for_reading(path));
    return read_to_end(fd.get(), expected_size(fd.get(), path), path);
}

// ---------------------------------------------------------------- replacing

// The file a save replaces. A symbolic link is followed: the file it names
// is replaced, and the temporary file goes beside that one.
struct Target {
    std::string asked; // as given, for messages
    std::string path;  // the file replaced
    std::string dir, base;
    bool exists = false;
    mode_t mode = 0;
};

Target find_target(const std::string &asked)
{
    Target t;
    t.asked = asked;
    t.path = asked;
    struct stat lst {};
    if (::lstat(asked.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        if (char *real = ::realpath(asked.c_str(), nullptr)) {
            t.path = real;
            std::free(real);
        }
    }
    const std::size_t slash = t.path.rfind('/');
    t.dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : t.path.substr(0, slash));
    t.base = slash == std::string::npos ? t.path : t.path.substr(slash + 1);
    if (t.base.empty()) throw Error(asked + ": cannot save: no file name");
    struct stat st {};
    t.exists = ::stat(t.path.c_str(), &st) == 0;
    if (t.exists && S_ISDIR(st.st_mode)) throw Error(asked + ": cannot save: " + std::strerror(EISDIR));
    t.mode = st.st_mode;
    return t;
}

// The temporary file beside the target, removed unless it was renamed over
// the target.
class TempFile {
public:
    explicit TempFile(const Target &t);
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    void keep_mode();
    void fill(const std::function<void(const ByteSink &)> &produce);
    void sync();
    void close();
    void rename_over_target();

private:
    [[noreturn]] void fail(const std::string &call, int err) const { fail_call(t_.asked, "save", call, err); }
    const Target &t_;
    std::string path_;
    int fd_ = -1;
    bool renamed_ = false;
};

// A name no other save uses: this process's id and a serial number.
TempFile::TempFile(const Target &t) : t_(t)
{
    static unsigned serial = 0;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        path_ = t.dir + "/." + t.base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt > 100)) fail("open " + path_, errno);
    }
}

TempFile::~TempFile()
{
    if (fd_ >= 0) ::close(fd_);
    if (!renamed_) ::unlink(path_.c_str());
}

void TempFile::keep_mode()
{
    if (t_.exists) ::fchmod(fd_, t_.mode & 07777);
}

// Hands produce a sink that writes to the file; the first failed write
// stops the writing, and is reported once produce is done.
void TempFile::fill(const std::function<void(const ByteSink &)> &produce)
{
    int write_error = 0;
    const ByteSink sink = [&](const char *p, std::size_t n) {
        while (n && !write_error) {
            const ssize_t w = ::write(fd_, p, n);
            if (w < 0) {
                if (errno == EINTR) continue;
                write_error = errno;
                return;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    };
    try {
        produce(sink);
    } catch (const std::exception &e) {
        throw Error(t_.asked + ": cannot save: " + e.what());
    }
    if (write_error) fail("write", write_error);
}

void TempFile::sync()
{
    if (::fsync(fd_) != 0) fail("fsync", errno);
}

void TempFile::close()
{
    if (::close(std::exchange(fd_, -1)) != 0) fail("close", errno);
}

void TempFile::rename_over_target()
{
    if (::rename(path_.c_str(), t_.path.c_str()) != 0) fail("rename", errno);
    renamed_ = true;
}

} // namespace

Model read_file(const std::string &path, const ReadOptions &opt)
{
    return read_text(read_whole_file(path), path, opt);
}

void replace_file(const std::string &path, const std::function<void(const ByteSink &)> &produce)
{
    const Target target = find_target(path);
    TempFile tmp(target);
    tmp.keep_mode();
    tmp.fill(produce);
    tmp.sync();
    tmp.close();
    tmp.rename_over_target();
}

} // namespace ac
