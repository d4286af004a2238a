// A digest of a file's bytes, to tell whether they changed: taken of a text
// in passes or as it is written in pieces of any size.
#ifndef RILO_ACFILE_DIGEST_H
#define RILO_ACFILE_DIGEST_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ac::detail {

// 32 bytes at a time in four lanes (a cut page, read as zeros, changes it
// too). Not made to withstand an adversary: it tells whether the file
// changed, the times say so already where the file system keeps them finely.
class Digest {
public:
    // Takes the whole blocks of [p, p + n); returns how many bytes it took.
    // The lanes are kept in locals: stores through the members could alias
    // the text, and would be reloaded for every word (three times slower).
    std::size_t add(const char *p, std::size_t n)
    {
        const std::size_t whole = n / 32 * 32;
        std::uint64_t a = lane_[0], b = lane_[1], c = lane_[2], d = lane_[3];
        for (std::size_t i = 0; i < whole; i += 32) {
            std::uint64_t w[4];
            std::memcpy(w, p + i, sizeof w);
            a = mix(a ^ w[0]);
            b = mix(b ^ w[1]);
            c = mix(c ^ w[2]);
            d = mix(d ^ w[3]);
        }
        lane_[0] = a, lane_[1] = b, lane_[2] = c, lane_[3] = d;
        return whole;
    }
    // The digest of everything given, the last N bytes at P included.
    std::uint64_t finish(const char *p, std::size_t n, std::size_t total) const
    {
        Digest d = *this;
        char tail[32] = {};
        std::memcpy(tail, p, std::min<std::size_t>(n, 32));
        d.add(tail, 32);
        return (d.lane_[0] + 3 * d.lane_[1] + 5 * d.lane_[2] + 7 * d.lane_[3]) ^ total;
    }

private:
    static std::uint64_t mix(std::uint64_t x)
    {
        x *= 0x9E3779B97F4A7C15u;
        return x ^ (x >> 29);
    }
    std::uint64_t lane_[4] = {1, 2, 3, 4};
};

// The same digest of bytes handed over in pieces: a piece's bytes beyond a
// whole block wait for the next piece.
class StreamDigest {
public:
    void add(const char *p, std::size_t n)
    {
        total_ += n;
        if (held_ != 0) {
            const std::size_t take = std::min(n, sizeof held_bytes_ - held_);
            std::memcpy(held_bytes_ + held_, p, take);
            held_ += take, p += take, n -= take;
            if (held_ < sizeof held_bytes_) return;
            digest_.add(held_bytes_, held_);
            held_ = 0;
        }
        const std::size_t whole = digest_.add(p, n);
        held_ = n - whole;
        std::memcpy(held_bytes_, p + whole, held_);
    }
    std::uint64_t finish() const { return digest_.finish(held_bytes_, held_, total_); }

private:
    Digest digest_;
    char held_bytes_[32] = {};
    std::size_t held_ = 0;
    std::size_t total_ = 0;
};

// The digest of a whole text.
inline std::uint64_t digest_of(const char *p, std::size_t n)
{
    Digest d;
    const std::size_t whole = d.add(p, n);
    return d.finish(p + whole, n - whole, n);
}

}  // namespace ac::detail

#endif
