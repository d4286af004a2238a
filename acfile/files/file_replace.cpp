// Replacing a file so that a failed or interrupted write leaves the old one
// as it was, and a save keeps what the old one had: owner, group, mode,
// extended attributes and ACLs.
#include "files/background_write.h"
#include "files/digest.h"
#include "files/syscalls.h"
#include "read/reader.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

namespace ac {

namespace {

using detail::fail_call;
using detail::Fd;
// Signals are held back while the handler's name and the files it names
// change together.
using detail::HoldSignals;

const char *kind_of(mode_t mode)
{
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

std::string octal_mode(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string folder_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// The file a save replaces. A symbolic link is followed: the file it names
// is replaced, and the temporary file goes beside that one.
struct Target {
    std::string asked;  // as given, for messages
    std::string path;   // the file replaced
    std::string dir, base;
    bool exists = false;
    struct stat st {};
};

[[noreturn]] void refuse(const std::string &asked, const std::string &why, const char *outcome = "left as it is")
{
    throw Error(asked + ": cannot save: " + why + "; " + outcome);
}

// The kernel's rule for links in shared folders (fs.protected_symlinks),
// kept whether or not the system enforces it, since a save follows links
// itself: in a sticky folder anyone may write, a link is followed only for
// its owner or the folder's. Otherwise anyone could point a file of root's
// there.
void check_shared_link(const std::string &asked, const std::string &link, const struct stat &lst, bool is_asked)
{
    const std::string folder = folder_of(link);
    struct stat dir {};
    if (::stat(folder.c_str(), &dir) != 0 || (dir.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH)) return;
    if (lst.st_uid == ::geteuid() || lst.st_uid == dir.st_uid) return;
    refuse(asked, (is_asked ? std::string("it") : "its link " + link) + " is a symbolic link of user " +
                      std::to_string(lst.st_uid) + " in " + folder +
                      ", a sticky folder anyone may write, where only the link's owner or the folder's may follow it");
}

// In a sticky folder only a file's owner, the folder's or root may rename
// over a file, and where anyone may write, the kernel's rule for files
// there (fs.protected_regular) holds root to it too, as a save does
// whether or not the system enforces it: a file of someone else's may have
// been planted there to catch the save, which would keep its owner, mode and
// ACLs and so hand that user the model.
void check_sticky_folder(const Target &t)
{
    struct stat dir {};
    if (::stat(t.dir.c_str(), &dir) != 0 || !(dir.st_mode & S_ISVTX)) return;
    const uid_t me = ::geteuid();
    const std::string where =
        "it is a file of user " + std::to_string(t.st.st_uid) + " in " + t.dir + ", a sticky folder";
    if (t.st.st_uid == me) return;
    if ((dir.st_mode & S_IWOTH) && t.st.st_uid != dir.st_uid)
        refuse(t.asked, where + " anyone may write, where a file neither yours nor the folder owner's is not replaced");
    if (me != 0 && dir.st_uid != me)
        refuse(t.asked, where + ", where only the file's owner or the folder's may replace it");
}

// The path walked a name at a time, as the kernel walks it, so that every
// link on the way, a folder's as well as the file's, is held to the rule for
// shared folders before realpath follows them all. The part walked has no
// links left in it, so ".." takes off its last name.
void check_links_on_the_way(const std::string &asked)
{
    std::vector<std::string> todo;  // the names still to walk, the next last
    auto push_names = [&todo](const std::string &path) {
        std::vector<std::string> names;
        for (std::size_t at = 0; at <= path.size();) {
            const std::size_t end = std::min(path.find('/', at), path.size());
            if (end > at) names.push_back(path.substr(at, end - at));
            at = end + 1;
        }
        todo.insert(todo.end(), names.rbegin(), names.rend());
    };
    std::string walked = asked[0] == '/' ? "/" : "";
    push_names(asked);
    struct stat lst {};
    for (int hops = 0; !todo.empty() && hops <= 40;) {
        const std::string name = std::move(todo.back());
        todo.pop_back();
        if (name == "." || (name == ".." && walked == "/")) continue;
        if (name == ".." && !walked.empty()) {
            const std::size_t last = walked.find_last_of('/', walked.size() - 2) + 1;  // npos + 1 == 0
            if (walked.compare(last, std::string::npos, "../") != 0) {
                walked.erase(last);
                continue;
            }
        }
        const std::string next = walked + name;
        if (::lstat(next.c_str(), &lst) != 0) return;  // the rest is new, or the save says why not
        if (!S_ISLNK(lst.st_mode)) {
            walked = next + "/";
            continue;
        }
        check_shared_link(asked, next, lst, hops == 0 && todo.empty());
        char to[PATH_MAX];
        const ssize_t n = ::readlink(next.c_str(), to, sizeof to - 1);
        if (n <= 0) return;
        ++hops;
        push_names(std::string(to, static_cast<std::size_t>(n)));
        if (to[0] == '/') walked = "/";
    }
}

std::string resolve_link(const std::string &asked)
{
    char *real = ::realpath(asked.c_str(), nullptr);
    if (!real) {
        const int err = errno;
        if (err == ENOENT) refuse(asked, "it is a symbolic link to nothing");
        if (err == ELOOP) refuse(asked, "it is a symbolic link in a loop");
        fail_call(asked, "save", "realpath", err);
    }
    std::string r = real;
    std::free(real);
    return r;
}

// Whether the user may write an existing file. Root may write anything, so
// for root a file that grants no one write permission counts as read-only.
bool may_write(const Target &t)
{
    if (::geteuid() == 0) return (t.st.st_mode & 0222) != 0;
    return ::faccessat(AT_FDCWD, t.path.c_str(), W_OK, AT_EACCESS) == 0 || (errno != EACCES && errno != EPERM);
}

// chattr +i or +a, which the kernel holds even against root: a rename over
// the file, or any rename or removal in the folder, fails with a bare EPERM,
// and in an append-only folder the temporary file could not be removed.
const char *locked(const std::string &path)
{
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS, &sx) != 0) return nullptr;
    const auto has = [&sx](std::uint64_t a) { return (sx.stx_attributes_mask & a) && (sx.stx_attributes & a); };
    if (has(STATX_ATTR_IMMUTABLE)) return "immutable (chattr +i)";
    if (has(STATX_ATTR_APPEND)) return "append-only (chattr +a)";
    return nullptr;
}

// The folder must take a new file from the user (the temporary one), so it
// is looked at before anything is read or written.
void check_folder(const Target &t)
{
    const char *outcome = t.exists ? "left as it is" : "nothing written";
    struct stat st {};
    if (::stat(t.dir.c_str(), &st) != 0) {
        if (errno == ENOENT) refuse(t.asked, "its folder " + t.dir + " does not exist", outcome);
        fail_call(t.asked, "save", "stat " + t.dir, errno);
    }
    if (const char *lock = locked(t.dir))
        refuse(t.asked, "its folder " + t.dir + " is " + lock + ", where a save cannot put a new file in place",
               outcome);
    if (::faccessat(AT_FDCWD, t.dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0) return;
    if (errno == EROFS) refuse(t.asked, "its folder " + t.dir + " is on a file system mounted read-only", outcome);
    if (errno == EACCES)
        refuse(t.asked,
               "you may not add files to its folder " + t.dir + " (mode " + octal_mode(st.st_mode) + ", owner " +
                   std::to_string(st.st_uid) + "), and a save writes a new file there first",
               outcome);
    fail_call(t.asked, "save", "access " + t.dir, errno);
}

// A path in /proc/self/mountinfo, where a space is written \040.
std::string unescape_mount_path(const std::string &s)
{
    std::string out;
    auto octal = [&](std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '7'; };
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

// What is mounted on a path, as "ROOT of SOURCE": for a bind mount, the
// file mounted there and the file system it comes from.
std::string mounted_on(const std::string &path)
{
    std::string found = "something is mounted on it";
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real) return found;
    const std::string absolute = real;
    std::free(real);
    std::ifstream info("/proc/self/mountinfo");
    std::string line;
    while (std::getline(info, line)) {
        std::istringstream words(line);
        std::string id, parent, device, root, point, word;
        words >> id >> parent >> device >> root >> point;
        if (unescape_mount_path(point) != absolute) continue;
        while (words >> word && word != "-") {
        }
        std::string type, source;
        words >> type >> source;
        found = unescape_mount_path(root) + " of " + unescape_mount_path(source) + " is mounted on it";
    }
    return found;
}

// A rename cannot replace a file something is mounted on (a bind mount).
void check_not_mounted(const Target &t)
{
    struct statx sx {};
    if (::statx(AT_FDCWD, t.path.c_str(), 0, STATX_BASIC_STATS, &sx) != 0 ||
        !(sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) || !(sx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
        return;
    refuse(t.asked, "it is a mount point (" + mounted_on(t.path) + "), which a save cannot replace");
}

Target find_target(const std::string &asked, const ReplaceOptions &opt)
{
    Target t;
    t.asked = asked;
    t.path = asked;
    struct stat lst {};
    check_links_on_the_way(asked);
    if (::lstat(asked.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) t.path = resolve_link(asked);
    t.dir = folder_of(t.path);
    t.base = t.path.substr(t.path.rfind('/') + 1);
    if (t.base.empty()) refuse(asked, "no file name");
    if (::stat(t.path.c_str(), &t.st) == 0) {
        t.exists = true;
        if (!S_ISREG(t.st.st_mode))
            refuse(asked, std::string("it is ") + kind_of(t.st.st_mode) + ", not a regular file");
    } else if (errno != ENOENT) {
        fail_call(asked, "save", "stat", errno);
    }
    check_folder(t);
    if (!t.exists) return t;
    check_not_mounted(t);
    if (const char *lock = locked(t.path))
        refuse(asked, std::string("it is ") + lock + ", so a save cannot replace it");
    check_sticky_folder(t);
    if (!opt.force && !may_write(t))
        refuse(asked, "you may not write it (mode " + octal_mode(t.st.st_mode) + ", owner " +
                          std::to_string(t.st.st_uid) + "); --force replaces it");
    return t;
}

// While a temporary file exists, every signal that would end the process
// and can be caught removes the file first, then ends the process as it
// would have, so the exit status is the signal's. Only signals at their
// default are taken: one the process was started to ignore stays ignored,
// and a handler of someone else's is left to do its work. SIGXFSZ is
// ignored instead, so that a write beyond the limit on file size fails
// with a message. The handler uses only async-signal-safe calls, on a
// folder held open and a name kept in place: unlinkat through the folder
// finds the file even when the folder has been moved.
int g_temp_dir = -1;
char g_temp_name[NAME_MAX + 1];
volatile std::sig_atomic_t g_temp_live = 0;

bool ends_process(int sig)
{
    static constexpr int kEnding[] = {SIGHUP,    SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                      SIGFPE,    SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                      SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};
    return std::find(std::begin(kEnding), std::end(kEnding), sig) != std::end(kEnding) ||
           (sig >= SIGRTMIN && sig <= SIGRTMAX);
}

extern "C" void remove_temp_and_die(int sig)
{
    detail::remove_live_temp();
    ::signal(sig, SIG_DFL);
    ::raise(sig);  // delivered when the handler returns
}

class SignalGuard {
public:
    SignalGuard()
    {
        struct sigaction take {};
        struct sigaction ignore {};
        take.sa_handler = remove_temp_and_die;
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&take.sa_mask);
        sigemptyset(&ignore.sa_mask);
        for (int s = 1; s < NSIG; ++s) {
            if ((s != SIGXFSZ && !ends_process(s)) || ::sigaction(s, nullptr, &old_[s]) != 0) continue;
            if ((old_[s].sa_flags & SA_SIGINFO) || old_[s].sa_handler != SIG_DFL) continue;
            taken_[s] = ::sigaction(s, s == SIGXFSZ ? &ignore : &take, nullptr) == 0;
        }
    }
    ~SignalGuard()
    {
        for (int s = 1; s < NSIG; ++s)
            if (taken_[s]) ::sigaction(s, &old_[s], nullptr);
    }
    SignalGuard(const SignalGuard &) = delete;
    SignalGuard &operator=(const SignalGuard &) = delete;

private:
    struct sigaction old_[NSIG] {};
    bool taken_[NSIG]{};
};

// The names of a file's extended attributes, listed by `list`; none where
// the file system keeps none. False, with errno, when they cannot be listed.
bool attribute_names(const std::function<ssize_t(char *, std::size_t)> &list, std::vector<std::string> &names)
{
    std::string buf;
    for (;;) {
        ssize_t n = list(nullptr, 0);
        if (n < 0) return errno == ENOTSUP;
        buf.resize(static_cast<std::size_t>(n));
        n = list(buf.data(), buf.size());
        if (n >= 0) {
            buf.resize(static_cast<std::size_t>(n));
            break;
        }
        if (errno != ERANGE) return false;  // else it grew in between
    }
    for (std::size_t at = 0; at < buf.size(); at = buf.find('\0', at) + 1) names.emplace_back(buf.c_str() + at);
    return true;
}

bool read_attribute(const char *path, const std::string &name, std::string &value)
{
    for (;;) {
        ssize_t n = ::lgetxattr(path, name.c_str(), nullptr, 0);
        if (n < 0) return false;
        value.resize(static_cast<std::size_t>(n));
        n = ::lgetxattr(path, name.c_str(), value.data(), value.size());
        if (n >= 0) {
            value.resize(static_cast<std::size_t>(n));
            return true;
        }
        if (errno != ERANGE) return false;
    }
}

std::string describe_attribute(const std::string &name)
{
    if (name == "system.posix_acl_access") return "ACL";
    if (name == "system.posix_acl_default") return "default ACL";
    return "extended attribute " + name;
}

// The links on the way were checked before the folder was opened by its
// name, and one planted in between would have been followed all the same.
// So they are checked again, and the folder held must be the one the name
// gives now: one swapped back and forth in between is not.
void check_folder_held(const Target &t, int fd)
{
    check_links_on_the_way(t.asked);
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) != 0 || ::stat(t.dir.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
        held.st_ino != named.st_ino)
        refuse(t.asked, "its folder " + t.dir + " was moved or replaced as the save began");
}

// The folder, open for reading when the user may read it (to sync it),
// else only as a place to name files in.
int open_folder(const Target &t, bool &readable)
{
    int fd = ::open(t.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    readable = fd >= 0;
    if (fd < 0 && errno == EACCES) fd = ::open(t.dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail_call(t.asked, "save", "open " + t.dir, errno);
    Fd held(fd);
    check_folder_held(t, fd);
    return held.release();
}

void warn(const ReplaceOptions &opt, const std::string &line)
{
    if (opt.warn) {
        opt.warn(one_line(line));
    } else {
        std::fputs((one_line(line) + "\n").c_str(), stderr);
    }
}

// The temporary file beside the target, named through the target's folder
// held open, removed unless it was renamed over the target.
class TempFile {
public:
    explicit TempFile(const Target &t);
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    void keep_owner(const ReplaceOptions &opt);
    void fill(const std::function<void(const ByteSink &)> &produce, bool digest);
    void keep_attributes();
    void keep_mode();
    void sync();
    void close();
    void rename_over_target();
    void sync_folder(const ReplaceOptions &opt);
    FileStamp stamp(bool digested) const;

private:
    [[noreturn]] void fail(const std::string &call, int err) const { fail_call(t_.asked, "save", call, err); }
    [[noreturn]] void cannot_keep(const std::string &name, const char *what, int err) const
    {
        refuse(t_.asked, "its " + describe_attribute(name) + " cannot " + what + ": " + std::strerror(err));
    }
    [[noreturn]] void too_large() const;
    const Target &t_;
    bool dir_readable_ = false;
    Fd dir_;
    std::string name_;
    int fd_ = -1;
    int keep_ = -1;  // the file again, to sync its file system by when the folder cannot be read
    bool renamed_ = false;
    detail::StreamDigest digest_;  // of the bytes written
};

// A short name no other save uses, whatever the length of the target's:
// this process's id and a serial number. One that replaces a file is open
// to its owner alone (0600) until it gets that file's mode and ACLs at the
// end: anyone who opened it while it was written would keep, through that
// descriptor, what the old file's mode kept from them. A new file has the
// user's mode (umask, the folder's default ACL) from the start.
TempFile::TempFile(const Target &t) : t_(t), dir_(open_folder(t, dir_readable_))
{
    static unsigned serial = 0;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        name_ = ".rilo-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
        HoldSignals hold;
        fd_ = ::openat(dir_.get(), name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, t.exists ? 0600 : 0666);
        if (fd_ >= 0) {
            std::memcpy(g_temp_name, name_.c_str(), name_.size() + 1);
            g_temp_dir = dir_.get();
            g_temp_live = 1;
        } else if (errno != EEXIST || attempt > 100) {
            fail("open " + t.dir + "/" + name_, errno);
        }
    }
}

TempFile::~TempFile()
{
    if (fd_ >= 0) ::close(fd_);
    if (keep_ >= 0) ::close(keep_);
    HoldSignals hold;
    if (!renamed_) ::unlinkat(dir_.get(), name_.c_str(), 0);
    g_temp_live = 0;
}

// The old file's owner and group, before the writing (a refusal costs
// nothing yet). Root may give the file to anyone; another user may only
// keep a file that is already theirs, in a group of theirs or else in
// their own group.
void TempFile::keep_owner(const ReplaceOptions &opt)
{
    if (!t_.exists) return;
    struct stat now {};
    if (::fstat(fd_, &now) != 0) fail("fstat", errno);
    if ((now.st_uid != t_.st.st_uid || now.st_gid != t_.st.st_gid) && ::fchown(fd_, t_.st.st_uid, t_.st.st_gid) != 0) {
        if (errno != EPERM) fail("fchown", errno);
        if (t_.st.st_uid != now.st_uid && !opt.force)
            refuse(t_.asked, "it belongs to user " + std::to_string(t_.st.st_uid) +
                                 ", and the new file could not be given to that user; --force replaces it");
    }
}

// Hands produce a sink that writes to the file, on a thread of its own. A
// failed write throws at the next piece handed over, or at the end, through
// produce: nothing much more is made for a file that cannot take it (a full
// disk, the limit on file size). What produce throws goes on as it is: the
// library's Error names what it refuses and where, and a caller's own error
// is the caller's to word.
void TempFile::fill(const std::function<void(const ByteSink &)> &produce, bool digest)
{
    detail::BackgroundWrite writing(fd_);
    const auto failed = [this](int err) {
        if (err == EFBIG) too_large();
        if (err != 0) fail("write", err);
    };
    const ByteSink sink = [&](const char *p, std::size_t n) {
        if (digest) digest_.add(p, n);
        failed(writing.put(p, n));
    };
    produce(sink);
    failed(writing.finish());
}

// A write beyond the limit on the size of files (SIGXFSZ being ignored)
// says what the limit is.
void TempFile::too_large() const
{
    struct rlimit limit {};
    std::string why = std::strerror(EFBIG);
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        why += ": this process may write files of at most " + std::to_string(limit.rlim_cur) + " bytes (ulimit -f)";
    throw Error(t_.asked + ": cannot save: write: " + why);
}

// Every extended attribute of the old file, its ACLs among them (the
// attributes system.posix_acl_access and system.posix_acl_default), and no
// other: one the new file got from its folder's default ACL is taken away.
// After the writing, which would clear security.capability.
void TempFile::keep_attributes()
{
    if (!t_.exists) return;
    const char *old = t_.path.c_str();
    std::vector<std::string> names, now;
    if (!attribute_names([&](char *b, std::size_t n) { return ::llistxattr(old, b, n); }, names))
        fail("llistxattr", errno);
    if (!attribute_names([&](char *b, std::size_t n) { return ::flistxattr(fd_, b, n); }, now))
        fail("flistxattr", errno);
    for (const std::string &name : now)
        if (std::find(names.begin(), names.end(), name) == names.end() && ::fremovexattr(fd_, name.c_str()) != 0 &&
            errno != ENODATA)
            cannot_keep(name, "be left off the new file", errno);
    std::string value;
    for (const std::string &name : names) {
        if (!read_attribute(old, name, value)) cannot_keep(name, "be read", errno);
        if (::fsetxattr(fd_, name.c_str(), value.data(), value.size(), 0) != 0)
            cannot_keep(name, "be given to the new file", errno);
    }
}

// The mode last: it agrees with the ACL just copied (its group bits are the
// ACL's mask), and no write follows to clear its set-id bits.
void TempFile::keep_mode()
{
    if (t_.exists && ::fchmod(fd_, t_.st.st_mode & 07777) != 0) fail("fchmod", errno);
}

void TempFile::sync()
{
    if (::fsync(fd_) != 0) fail("fsync", errno);
}

void TempFile::close()
{
    if (!dir_readable_ && (keep_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0)) < 0) fail("fcntl", errno);
    if (::close(std::exchange(fd_, -1)) != 0) fail("close", errno);
}

// Through the folder held open, so the target is the file in the folder
// checked, wherever that folder has gone since.
void TempFile::rename_over_target()
{
    HoldSignals hold;
    if (::renameat(dir_.get(), name_.c_str(), dir_.get(), t_.base.c_str()) != 0) {
        const int err = errno;
        if (err == EBUSY) check_not_mounted(t_);  // mounted on since it was checked
        fail("rename", err);
    }
    renamed_ = true;
    g_temp_live = 0;
}

// The rename made durable: the folder synced or, when the user may not read
// the folder (mode 0300), its whole file system. The new file is in place
// by now, so a failure here is a warning and the save stands. A file
// system that cannot sync a folder says EINVAL; that is no failure.
void TempFile::sync_folder(const ReplaceOptions &opt)
{
    const bool synced = dir_readable_ ? ::fsync(dir_.get()) == 0 || errno == EINVAL : ::syncfs(keep_) == 0;
    if (!synced)
        warn(opt, t_.asked + ": warning: saved, but " + (dir_readable_ ? "fsync of its folder " : "syncfs of ") +
                      t_.dir + " failed: " + std::strerror(errno) + "; a power cut could still undo the save");
}

// The file in place after the rename; unknown when it cannot be examined,
// which only costs a later question whether it changed.
FileStamp TempFile::stamp(bool digested) const
{
    struct stat st {};
    if (::fstatat(dir_.get(), t_.base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return {};
    return detail::stamp_of(st, digested ? std::optional(digest_.finish()) : std::nullopt);
}

// A hold for tests that interrupt a save: with RILO_TEST_HOLD_SAVE=SECONDS in
// the environment, the save waits that long once the temporary file is
// written, before it is renamed.
void hold_for_tests()
{
    const char *hold = std::getenv("RILO_TEST_HOLD_SAVE");
    if (!hold || !*hold) return;
    timespec ts{std::atoi(hold), 0};
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

// A file of several names (hard links) gets the new model under this name
// only, as any replacement by rename does; the user is told.
void warn_of_other_names(const Target &t, const ReplaceOptions &opt)
{
    if (!t.exists || t.st.st_nlink < 2) return;
    const auto others = t.st.st_nlink - 1;
    warn(opt, t.asked + ": warning: only this name has the new model: the file had hard links, and " +
                  std::to_string(others) + (others == 1 ? " other name keeps" : " other names keep") + " the old one");
}

}  // namespace

namespace detail {

void remove_live_temp()
{
    if (g_temp_live) ::unlinkat(g_temp_dir, g_temp_name, 0);
}

}  // namespace detail

void check_destination(const std::string &path, const ReplaceOptions &options)
{
    find_target(path, options);
}

FileStamp replace_file(const std::string &path, const std::function<void(const ByteSink &)> &produce,
                       const ReplaceOptions &options)
{
    const Target target = find_target(path, options);
    SignalGuard guard;
    TempFile tmp(target);
    tmp.keep_owner(options);
    tmp.fill(produce, options.digest);
    tmp.keep_attributes();
    tmp.keep_mode();
    tmp.sync();
    hold_for_tests();
    tmp.close();
    tmp.rename_over_target();
    const FileStamp stamp = tmp.stamp(options.digest);
    tmp.sync_folder(options);
    warn_of_other_names(target, options);
    return stamp;
}

}  // namespace ac
