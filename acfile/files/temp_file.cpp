// The temporary file of a save: made beside the target through its folder
// held open, written, synced, and renamed over the target, or removed.
#include "files/background_write.h"
#include "files/file_replace.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace ac::detail {

namespace {

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

}  // namespace

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
            note_live_temp(dir_.get(), name_);
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
    forget_live_temp();
}

// Hands produce a sink that writes to the file, on a thread of its own. A
// failed write throws at the next piece handed over, or at the end, through
// produce: nothing much more is made for a file that cannot take it (a full
// disk, the limit on file size). What produce throws goes on as it is: the
// library's Error names what it refuses and where, and a caller's own error
// is the caller's to word.
void TempFile::fill(const std::function<void(const ByteSink &)> &produce, bool digest)
{
    BackgroundWrite writing(fd_);
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
    forget_live_temp();
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
    return stamp_of(st, digested ? std::optional(digest_.finish()) : std::nullopt);
}

}  // namespace ac::detail
