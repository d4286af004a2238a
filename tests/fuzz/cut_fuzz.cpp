// Any bytes, read from a file that another program cuts short as the load
// or the save begins: the pages gone fault for real, and the guard of the
// mapping puts zero pages in their place. The load or the save must refuse,
// in time, writing nothing. The passes over the text go forward, so a cut
// made as one begins is also a cut made as it passes any point before the
// offset cut.
//
// The input: a byte whose lowest bit chooses the save (else the load), the
// offset of the cut in two bytes (little-endian, taken modulo the file's
// size plus one: the size itself cuts nothing), then the text. The file is
// the text and two pages of line breaks, so that whole pages go: only
// those fault.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "acfile.h"

namespace {

std::string folder()
{
    const char *shm = "/dev/shm";
    const std::string dir = std::string(::access(shm, W_OK) == 0 ? shm : "/tmp") + "/ac-cut-" + std::to_string(::getpid());
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) std::abort();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3) return 0;
    static const std::string dir = folder();
    const std::string in = dir + "/in.ac", out = dir + "/out.ac";
    const bool in_save = data[0] & 1;
    std::string text(reinterpret_cast<const char *>(data) + 3, size - 3);
    text.append(2 * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)), '\n');
    const std::size_t cut = (data[1] | static_cast<std::size_t>(data[2]) << 8) % (text.size() + 1);
    ::unlink(out.c_str());
    const int fd = ::open(in.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) || ::close(fd) != 0)
        std::abort();
    const ac::ProgressSink cut_in = [&](std::uint64_t done, std::uint64_t) {
        if (done == 0 && ::truncate(in.c_str(), static_cast<off_t>(cut)) != 0) std::abort();
    };

    ac::ReadOptions read;
    read.warn = [](const std::string &) {};
    read.progress = false;
    if (!in_save) read.on_progress = cut_in;
    ac::Model model;
    try {
        model = ac::read_file(in, read);
    } catch (const ac::Error &) {
        return 0;
    }
    if (!in_save && cut < text.size()) std::abort();  // loaded a file cut short

    ac::WriteOptions write;
    write.progress = false;
    if (in_save) write.on_progress = cut_in;
    try {
        ac::write_file(model, out, write);
    } catch (const ac::Error &) {
        if (::access(out.c_str(), F_OK) == 0) std::abort();  // a refused save wrote
        return 0;
    }
    if (cut < text.size()) std::abort();  // saved from a text cut short
    return 0;
}
