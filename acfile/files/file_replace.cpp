// Replacing a file so that a failed or interrupted write leaves the old one
// as it was, and a save keeps what the old one had: owner, group, mode,
// extended attributes and ACLs.
#include "files/file_replace.h"
#include "test_stop.h"

#include <cstdio>

namespace ac {

namespace detail {

void warn(const ReplaceOptions &opt, const std::string &line)
{
    if (opt.warn) {
        opt.warn(one_line(line));
    } else {
        std::fputs((one_line(line) + "\n").c_str(), stderr);
    }
}

}  // namespace detail

namespace {

// A file of several names (hard links) gets the new model under this name
// only, as any replacement by rename does; the user is told.
void warn_of_other_names(const detail::Target &t, const ReplaceOptions &opt)
{
    if (!t.exists || t.st.st_nlink < 2) return;
    const auto others = t.st.st_nlink - 1;
    detail::warn(opt, t.asked + ": warning: only this name has the new model: the file had hard links, and " +
                          std::to_string(others) + (others == 1 ? " other name keeps" : " other names keep") +
                          " the old one");
}

}  // namespace

FileStamp replace_file(const std::string &path, const std::function<void(const ByteSink &)> &produce,
                       const ReplaceOptions &options)
{
    const detail::Target target = detail::find_target(path, options);
    detail::SignalGuard guard;
    detail::TempFile tmp(target);
    tmp.keep_owner(options);
    tmp.fill(produce, options.digest);
    tmp.keep_attributes();
    tmp.keep_mode();
    tmp.sync();
    detail::stop_for_tests("rename");
    tmp.close();
    tmp.rename_over_target();
    const FileStamp stamp = tmp.stamp(options.digest);
    tmp.sync_folder(options);
    warn_of_other_names(target, options);
    return stamp;
}

}  // namespace ac
