// Any bytes, read from a file cut short as the load or the save begins: the
// pages gone fault for real and the mapping's guard mends them. The load or
// the save must refuse in time, writing nothing. The passes go forward, so
// a cut as one begins stands for a cut as it passes any point before it.
// Input: a byte whose lowest bit chooses the save, the offset of the cut in
// two bytes (modulo the file's size plus one, which cuts nothing), the text.
// The file is the text and two pages of line breaks: only whole pages fault.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "acfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string dir =
        std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/ac-cut-" + std::to_string(::getpid());
    static const std::string in = dir + "/in.ac", out = dir + "/out.ac";
    static const int made = ::mkdir(dir.c_str(), 0700);
    static const int tidy = std::atexit([] { ::unlink(in.c_str()), ::unlink(out.c_str()), ::rmdir(dir.c_str()); });
    if (size < 3 || (made != 0 && errno != EEXIST) || tidy != 0) return 0;
    std::string text(reinterpret_cast<const char *>(data) + 3, size - 3);
    text.append(2 * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)), '\n');
    const bool in_save = data[0] & 1;
    const std::size_t cut = (data[1] | static_cast<std::size_t>(data[2]) << 8) % (text.size() + 1);
    ::unlink(out.c_str());
    const int fd = ::open(in.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) || ::close(fd) != 0)
        std::abort();
    const ac::ProgressSink cut_in = [&](std::uint64_t done, std::uint64_t) {
        if (done == 0 && ::truncate(in.c_str(), static_cast<off_t>(cut)) != 0) std::abort();
    };
    const ac::ReadOptions read{
        .warn = [](const std::string &) {}, .progress = false, .on_progress = in_save ? nullptr : cut_in};
    const ac::WriteOptions write{.progress = false, .on_progress = in_save ? cut_in : nullptr};
    try {
        const ac::Model model = ac::read_file(in, read);
        if (!in_save && cut < text.size()) std::abort();  // loaded a file cut short
        ac::write_file(model, out, write);
    } catch (const ac::Error &) {
        if (::access(out.c_str(), F_OK) == 0) std::abort();  // a refused save wrote
        return 0;
    }
    if (cut < text.size()) std::abort();  // saved from a text cut short
    return 0;
}
