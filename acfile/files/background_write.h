// Writing a file on a thread of its own, so that the system's copying of
// the bytes into the file overlaps the making of the next ones.
#ifndef RILO_ACFILE_BACKGROUND_WRITE_H
#define RILO_ACFILE_BACKGROUND_WRITE_H

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace ac::detail {

// Bytes put are copied into one of two buffers; a full one is written to
// the descriptor by the thread while the other fills. The first failed
// write stops the writing: its errno is what put and finish return from
// then on (0 while all is well). The thread takes no signals: they stay
// with the thread that saves. Destroyed before finish, it drops what is
// not written yet.
class BackgroundWrite {
public:
    explicit BackgroundWrite(int fd);
    ~BackgroundWrite();
    BackgroundWrite(const BackgroundWrite &) = delete;
    BackgroundWrite &operator=(const BackgroundWrite &) = delete;

    int put(const char *p, std::size_t n);
    // Writes what is left and waits for it.
    int finish();

private:
    void hand_over();
    void run();

    int fd_;
    std::vector<char> buf_[2];
    int filling_ = 0;       // the buffer put copies into; the thread writes the other
    std::size_t used_ = 0;  // bytes in the buffer filling
    std::mutex mutex_;      // guards what follows
    std::condition_variable changed_;
    std::size_t handed_ = 0;  // bytes of the other buffer still to write; 0: it is free
    bool stop_ = false;
    int error_ = 0;
    std::size_t written_ = 0, flushed_ = 0;  // the thread's own: bytes written, and handed to the disk
    std::thread thread_;
};

}  // namespace ac::detail

#endif
