#include "files/background_write.h"
#include "files/syscalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ac::detail {

namespace {

constexpr std::size_t buffer_bytes = 256u << 10;
constexpr std::size_t flush_bytes = 4u << 20;  // handed to the disk at a time

// Writes all N bytes; returns 0, or the errno of the write that failed.
int write_all(int fd, const char *p, std::size_t n)
{
    // Each write takes at least one byte or fails: the loop ends.
    while (n) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return 0;
}

}  // namespace

BackgroundWrite::BackgroundWrite(int fd) : fd_(fd)
{
    buf_[0].resize(buffer_bytes);
    buf_[1].resize(buffer_bytes);
    const HoldSignals none;  // the thread takes none
    thread_ = std::thread([this] { run(); });
}

BackgroundWrite::~BackgroundWrite()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundWrite::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return handed_ != 0 || stop_; });
        if (stop_) return;
        const char *p = buf_[1 - filling_].data();
        const std::size_t n = handed_;
        lock.unlock();
        const int error = write_all(fd_, p, n);
        written_ += n;
        // The disk takes the file as it comes, so the sync at the end of a
        // save waits for little more than the last pieces.
        if (error == 0 && written_ - flushed_ >= flush_bytes) {
            ::sync_file_range(fd_, static_cast<off_t>(flushed_), static_cast<off_t>(written_ - flushed_),
                              SYNC_FILE_RANGE_WRITE);
            flushed_ = written_;
        }
        lock.lock();
        handed_ = 0;
        if (error != 0 && error_ == 0) error_ = error;
        changed_.notify_all();
    }
}

// Waits until the thread is done with the other buffer, then swaps them.
void BackgroundWrite::hand_over()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return handed_ == 0; });
    if (error_ != 0) return;
    filling_ = 1 - filling_;
    handed_ = used_;
    used_ = 0;
    lock.unlock();
    changed_.notify_all();
}

int BackgroundWrite::put(const char *p, std::size_t n)
{
    // Each round copies at least one byte or hands a full buffer over.
    while (n) {
        if (used_ == buffer_bytes) {
            hand_over();
            const std::lock_guard<std::mutex> lock(mutex_);
            if (error_ != 0) return error_;
        }
        const std::size_t take = std::min(n, buffer_bytes - used_);
        std::memcpy(buf_[filling_].data() + used_, p, take);
        used_ += take, p += take, n -= take;
    }
    return 0;
}

int BackgroundWrite::finish()
{
    if (used_ != 0) hand_over();
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return handed_ == 0; });
    return error_;
}

}  // namespace ac::detail
