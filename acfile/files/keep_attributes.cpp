// A save keeps what the old file had: its owner and group, every extended
// attribute (its ACLs among them) and its mode, given to the new file.
#include "files/file_replace.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace ac::detail {

namespace {

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

}  // namespace

void TempFile::cannot_keep(const std::string &name, const char *what, int err) const
{
    refuse(t_.asked, "its " + describe_attribute(name) + " cannot " + what + ": " + std::strerror(err));
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

}  // namespace ac::detail
