// The file a save replaces, found and looked at before anything is written:
// links followed as the kernel would, and every reason the save could not
// put a new file in its place told first.
#include "files/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace ac {

namespace detail {

[[noreturn]] void refuse(const std::string &asked, const std::string &why, const char *outcome)
{
    throw Error(asked + ": cannot save: " + why + "; " + outcome);
}

namespace {

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

}  // namespace

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

}  // namespace detail

void check_destination(const std::string &path, const ReplaceOptions &options)
{
    detail::find_target(path, options);
}

}  // namespace ac
