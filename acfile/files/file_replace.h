// What the parts of a file's replacement share; not part of the library's
// interface.
//
//   file_replace.cpp     replace_file: the steps in order, and the warnings
//   destination.cpp      the file a save replaces, and why it may not
//   temp_file.cpp        the temporary file: made, written, synced, renamed
//   keep_attributes.cpp  the old file's owner, attributes (ACLs) and mode kept
//   temp_signals.cpp     the temporary file removed when a signal ends the process
#ifndef RILO_ACFILE_FILE_REPLACE_H
#define RILO_ACFILE_FILE_REPLACE_H

#include <signal.h>
#include <sys/stat.h>

#include <functional>
#include <string>

#include "acfile.h"
#include "files/digest.h"
#include "files/syscalls.h"

namespace ac::detail {

// The file a save replaces. A symbolic link is followed: the file it names
// is replaced, and the temporary file goes beside that one.
struct Target {
    std::string asked;  // as given, for messages
    std::string path;   // the file replaced
    std::string dir, base;
    bool exists = false;
    struct stat st {};
};

[[noreturn]] void refuse(const std::string &asked, const std::string &why, const char *outcome = "left as it is");

// The target of a save to ASKED, once every check that can be made before
// anything is written has passed.
Target find_target(const std::string &asked, const ReplaceOptions &opt);

// The folder FD, opened by the target's folder's name, is still the one
// that name gives, reached by links that may be followed.
void check_folder_held(const Target &t, int fd);

// A rename cannot replace a file something is mounted on (a bind mount).
void check_not_mounted(const Target &t);

// A warning of a save, to the options' sink or else to standard error.
void warn(const ReplaceOptions &opt, const std::string &line);

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
    [[noreturn]] void cannot_keep(const std::string &name, const char *what, int err) const;
    [[noreturn]] void too_large() const;
    const Target &t_;
    bool dir_readable_ = false;
    Fd dir_;
    std::string name_;
    int fd_ = -1;
    int keep_ = -1;  // the file again, to sync its file system by when the folder cannot be read
    bool renamed_ = false;
    StreamDigest digest_;  // of the bytes written
};

// The temporary file NAME in folder DIR (held open) as the one a signal that
// ends the process removes, and no more once it is gone or renamed. Called
// with signals held, as the file and its name change together.
void note_live_temp(int dir, const std::string &name);
void forget_live_temp();

// While it lives, every signal that would end the process removes the live
// temporary file first (temp_signals.cpp).
class SignalGuard {
public:
    SignalGuard();
    ~SignalGuard();
    SignalGuard(const SignalGuard &) = delete;
    SignalGuard &operator=(const SignalGuard &) = delete;

private:
    struct sigaction old_[NSIG] {};
    bool taken_[NSIG]{};
};

}  // namespace ac::detail

#endif
